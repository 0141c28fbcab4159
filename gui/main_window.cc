#include "main_window.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QTabBar>
#include <QVBoxLayout>

#include "app/live_folders.h"
#include "diagnosis/diagnosis_table.h"
#include "form_builder.h"
#include "live_backups_dialog.h"
#include "text_fields.h"
#include "workspace/dataedit_ini.h"
#include "workspace/settings_file_check.h"

namespace zuvo::gui {

namespace {

constexpr int kClientWidth = 391;
constexpr int kClientHeight = 192;

}  // namespace

std::vector<QWidget*> TFdataedit::Pages() const {
  std::vector<QWidget*> pages;
  for (int i = 0; i < CPOPD->count(); ++i) pages.push_back(CPOPD->widget(i));
  return pages;
}

void TFdataedit::ShowPage(QWidget* page) {
  CPOPD->setCurrentWidget(page);
  GrowToPage(page);
}

void TFdataedit::GrowToPage(QWidget* page) {
  // The transfer page alone (outside operator mode) keeps the window's own small size.
  if (!operator_mode_ || page == nullptr) return;
  auto* scroll = qobject_cast<QScrollArea*>(page);
  QSize needed = scroll != nullptr && scroll->widget() != nullptr ? scroll->widget()->sizeHint()
                                                                  : page->sizeHint();
  needed += size() - page->size();
  // Every tab stays in sight, however narrow the page.
  if (CPOPD->tabBar()->isVisibleTo(this)) {
    needed = needed.expandedTo(QSize(CPOPD->tabBar()->sizeHint().width(), 0));
  }
  QSize grown = size().expandedTo(needed);
  if (QScreen* screen = this->screen()) grown = grown.boundedTo(screen->availableSize());
  resize(grown.expandedTo(size()));
}

TFdataedit::TFdataedit(WorkbenchEnvironment& environment, QWidget* parent)
    : QWidget(parent), environment_(environment) {
  setObjectName("Fdataedit");
  setWindowTitle("Zuvo系統資料轉檔");

  CPOPD = new QTabWidget;
  CPOPD->setObjectName("CPOPD");
  CPdx = new DiagnosisPage(environment_);
  CPrealsun = new RealSunPage(environment_, false);
  TabSheet1 = new HisSearchPage(environment_, CPrealsun->context());
  AddPage(CPdx, "CPdx", "診斷");
  AddPage(BuildSettingsPage(), "Cset", "設定");
  AddPage(CPrealsun, "CPrealsun", "耀聖");
  QWidget* transfer = AddPage(BuildTransferPage(), "CPtransfer", "轉檔");
  AddPage(TabSheet1, "TabSheet1", "家醫群轉檔");
  TabSheet2 = new MergePage(environment_);
  AddPage(TabSheet2, "TabSheet2", "檔案融合");
  CPOPD->setCurrentWidget(transfer);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  BuildMenu(layout);
  layout->addWidget(CPOPD);
  resize(kClientWidth, kClientHeight);

  FormCreate();
  CPOPD->tabBar()->setVisible(operator_mode_);
  connect(CPOPD, &QTabWidget::currentChanged, this,
          [this](int) { GrowToPage(CPOPD->currentWidget()); });
  CPrealsun->EnableSteps(operator_mode_);
  icd10_tools_->SetOperatorMode(operator_mode_);
  FVISW = new TFVISW(environment_, operator_mode_, this);
}

// Each page scrolls, so that the window keeps its small size whatever a page holds.
QWidget* TFdataedit::AddPage(QWidget* content, const char* name, const QString& caption) {
  auto* page = new QScrollArea;
  page->setObjectName(name);
  page->setWidgetResizable(true);
  page->setFrameShape(QFrame::NoFrame);
  page->setWidget(content);
  CPOPD->addTab(page, caption);
  return page;
}

QWidget* TFdataedit::BuildTransferPage() {
  auto* page = new QWidget;
  Button1 = MakeButton("Button1", "轉檔");
  QFont font = Button1->font();
  font.setPointSize(font.pointSize() * 2);
  Button1->setFont(font);
  Button1->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(Button1);
  connect(Button1, &QPushButton::clicked, this, &TFdataedit::Button1Click);
  return page;
}

QWidget* TFdataedit::BuildSettingsPage() {
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  icd10_tools_ = new Icd10ToolsPanel(environment_);
  connect(icd10_tools_, &Icd10ToolsPanel::diagnosisTableChanged, CPdx, &DiagnosisPage::ReloadGrid);
  grid->addWidget(icd10_tools_, 0, 0, 1, 2);
  grid->addWidget(new AnonymiserBox(environment_), 1, 0, 1, 2);
  grid->setRowStretch(0, 1);
  return page;
}

// Start-up. A diagnosis database that cannot be opened is reported and leaves the grid empty;
// it has nothing to do with the other start-up steps, which run all the same.
void TFdataedit::FormCreate() {
  RunGuarded(environment_, this,
             [&] { CPdx->ShowDiagnosisGrid(ReadDiagnosisGrid(environment_.program_folder)); });
  CPdx->FillDepartmentList();
  RunGuarded(environment_, this, [&] {
    DataEditIni settings(environment_.program_folder);
    const WorkbenchSettings workbench = settings.ReadWorkbench();
    operator_mode_ = workbench.operator_mode || environment_.operator_mode_forced;
    if (workbench.window_width > 0 && workbench.window_height > 0) {
      resize(QSize(workbench.window_width, workbench.window_height)
                 .expandedTo(QSize(kClientWidth, kClientHeight)));
    }
    CPdx->SetPreviewSettings(settings.ReadPreviewWindow());
    CPrealsun->SetSourceFolderText(FromPath(settings.LastFolder(SourceSystem::kRealSun)));
    for (const std::string& warning : DuplicateKeyWarnings(settings.file())) {
      CPrealsun->context().AddLine(warning);
    }
  });
  // An apply or restore cut short (a kill, a power cut) must not leave the live root without
  // its Corvix or Tolsern until the next one: it is finished or undone now, and the operator is
  // told in a box.
  RunGuarded(environment_, this, [&] {
    SwitchRecovery recovery =
        RecoverLiveRoot(DataEditIni(environment_.program_folder).ReadWorkbench().live_root,
                        "workbench start", CPrealsun->context());
    if (recovery == SwitchRecovery::kNone) return;
    environment_.prompts.ShowMessage(this, FromUtf8(LiveRecoveryText(recovery)),
                                     MessageKind::kInformation, MessageButtons::kOk);
  });
  environment_.flags.SetStepMessages(true);
}

void TFdataedit::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  CentreOnScreen(*this);
}

void TFdataedit::closeEvent(QCloseEvent* event) {
  RunGuarded(environment_, this,
             [&] { DataEditIni(environment_.program_folder).WriteWindowSize(width(), height()); });
  QWidget::closeEvent(event);
}

void TFdataedit::BuildMenu(QLayout* layout) {
  auto* menu_bar = new QMenuBar;
  menu_bar->setObjectName("CmainMenu");
  QMenu* live = menu_bar->addMenu("現用資料");
  backups_action_ = live->addAction("現用資料備份與還原…", this, &TFdataedit::CbackupsClick);
  backups_action_->setObjectName("CbackupsAction");
  QMenu* help = menu_bar->addMenu("說明");
  about_action_ = help->addAction("關於…", this, &TFdataedit::AboutClick);
  about_action_->setObjectName("CaboutAction");
  layout->setMenuBar(menu_bar);
}

void TFdataedit::CbackupsClick() {
  LiveBackupsDialog dialog(environment_, this);
  dialog.exec();
}

void TFdataedit::AboutClick() {
  environment_.prompts.ShowMessage(this, "Zuvo系統資料轉檔\n版本 " ZUVO_VERSION,
                                   MessageKind::kInformation, MessageButtons::kOk);
}

void TFdataedit::Button1Click() {
  FVISW->SetSourceFolderText(QString());
  RunGuarded(environment_, this, [&] {
    FVISW->SetSourceFolderText(
        FromPath(DataEditIni(environment_.program_folder).LastFolder(SourceSystem::kVision)));
  });
  FVISW->exec();
}

}  // namespace zuvo::gui
