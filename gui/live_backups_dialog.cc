#include "live_backups_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>
#include <system_error>

#include "app/apply_live.h"
#include "form_builder.h"
#include "platform/file_ops.h"
#include "text_fields.h"
#include "workspace/dataedit_ini.h"

namespace zuvo::gui {

namespace {

// "12.3 MB" (a backup is a whole clinic's data, bytes would only be noise); "3 KB" below a
// megabyte, rounded up so that a backup with files never shows as nothing.
QString SizeText(uint64_t bytes) {
  constexpr uint64_t kKilo = 1000;
  constexpr uint64_t kMega = 1000 * kKilo;
  if (bytes < kMega) return QString::number((bytes + kKilo - 1) / kKilo) + " KB";
  return QString::number(static_cast<double>(bytes) / kMega, 'f', 1) + " MB";
}

QString ClinicsText(const std::vector<std::string>& clinics) {
  QStringList codes;
  for (const std::string& code : clinics) codes << FromUtf8(code);
  return codes.join(", ");
}

}  // namespace

void LiveBackupsDialog::Context::AddLine(std::string_view line) {
  list_.addItem(FromUtf8(line));
  list_.scrollToBottom();
  ProcessEvents();
}

LiveBackupsDialog::LiveBackupsDialog(WorkbenchEnvironment& environment, QWidget* parent)
    : QDialog(parent),
      environment_(environment),
      CbackupMessages(new QListWidget),
      context_(environment.flags, environment.prompts, *this, *CbackupMessages) {
  setObjectName("FliveBackups");
  setWindowTitle("現用資料備份");
  CbackupMessages->setObjectName("CbackupMessages");

  auto* root_row = new QHBoxLayout;
  CliveRoot = new QLineEdit;
  CliveRoot->setObjectName("CliveRoot");
  CliveRoot->setReadOnly(true);
  ShowPathStart(CliveRoot);
  auto* root_label = new QLabel("現用資料根目錄:");
  root_label->setBuddy(CliveRoot);
  root_row->addWidget(root_label);
  root_row->addWidget(CliveRoot, 1);

  CbackupList = new QTreeWidget;
  CbackupList->setObjectName("CbackupList");
  CbackupList->setRootIsDecorated(false);
  CbackupList->setHeaderLabels({"備份時間", "診所", "大小", "完整", "資料夾"});
  CbackupList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  CbackupList->header()->setStretchLastSection(true);

  CbackupRefresh = MakeButton("CbackupRefresh", "重新整理");
  CbackupRestore = MakeButton("CbackupRestore", "還原選取的備份");
  CbackupClose = MakeButton("CbackupClose", "關閉");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(CbackupRefresh);
  buttons->addStretch(1);
  buttons->addWidget(CbackupRestore);
  buttons->addWidget(CbackupClose);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(root_row);
  layout->addWidget(CbackupList, 3);
  layout->addWidget(CbackupMessages, 1);
  layout->addLayout(buttons);
  resize(760, 420);

  connect(CbackupRefresh, &QPushButton::clicked, this, &LiveBackupsDialog::CbackupRefreshClick);
  connect(CbackupRestore, &QPushButton::clicked, this, &LiveBackupsDialog::CbackupRestoreClick);
  connect(CbackupClose, &QPushButton::clicked, this, &QDialog::accept);
  CbackupRefreshClick();
}

void LiveBackupsDialog::CbackupRefreshClick() {
  CbackupList->clear();
  backups_.clear();
  RunGuarded(environment_, this, [&] {
    live_root_ = WithoutTrailingSeparator(
        DataEditIni(environment_.program_folder).ReadWorkbench().live_root);
    CliveRoot->setText(FromPath(live_root_));
    std::error_code error;
    if (!std::filesystem::is_directory(live_root_, error)) {
      context_.AddLine("現用資料的根目錄不存在: " + PathToUtf8(live_root_));
      return;
    }
    backups_ = ListLiveBackups(live_root_);
    // Newest first: the backup an operator takes back is nearly always that of the last apply.
    std::reverse(backups_.begin(), backups_.end());
  });
  for (const LiveBackup& backup : backups_) {
    auto* item = new QTreeWidgetItem(CbackupList);
    item->setText(kTakenColumn, backup.taken.empty() ? "-" : FromUtf8(backup.taken));
    item->setText(kClinicsColumn, ClinicsText(backup.clinics));
    item->setText(kSizeColumn, SizeText(backup.bytes));
    item->setTextAlignment(kSizeColumn, Qt::AlignRight | Qt::AlignVCenter);
    item->setText(kWholeColumn, backup.problems.empty() ? "完整" : "不完整");
    item->setToolTip(kWholeColumn,
                     FromUtf8(backup.problems.empty() ? std::string() : backup.problems.front()));
    item->setText(kFolderColumn, FromPath(backup.folder.filename()));
    item->setToolTip(kFolderColumn, FromPath(backup.folder));
  }
  if (!backups_.empty()) CbackupList->setCurrentItem(CbackupList->topLevelItem(0));
}

void LiveBackupsDialog::CbackupRestoreClick() {
  const int row = CbackupList->indexOfTopLevelItem(CbackupList->currentItem());
  if (row < 0 || row >= static_cast<int>(backups_.size())) {
    environment_.prompts.ShowMessage(this, "請先選取要還原的備份", MessageKind::kWarning,
                                     MessageButtons::kOk);
    return;
  }
  const std::filesystem::path backup = backups_[static_cast<size_t>(row)].folder;
  RunGuarded(environment_, this, [&] {
    ConfirmAndRestoreLiveBackup(backup, live_root_, environment_.clock(), context_);
  });
  CbackupRefreshClick();
}

}  // namespace zuvo::gui
