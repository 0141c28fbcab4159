#pragma once

// "現用資料備份": the backups that apply and restore leave beside the live folders, with their
// time, clinics, size and whether each is whole, and a button that puts the chosen one back as
// the live folders (after the same warning apply gives, naming the live root and the backup).

#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <filesystem>
#include <vector>

#include "app/live_folders.h"
#include "qt_step_context.h"
#include "workbench_environment.h"

namespace zuvo::gui {

class LiveBackupsDialog : public QDialog {
  Q_OBJECT

 public:
  // Columns of the backup list.
  enum Column { kTakenColumn, kClinicsColumn, kSizeColumn, kWholeColumn, kFolderColumn };

  explicit LiveBackupsDialog(WorkbenchEnvironment& environment, QWidget* parent = nullptr);

  // Handlers.
  // Reads the live root from DataEdit.ini and lists its backups anew.
  void CbackupRefreshClick();
  // Restores the backup chosen in the list; the list is read again afterwards.
  void CbackupRestoreClick();

 private:
  // The dialog's message list; the restore's progress is not shown.
  class Context : public PromptingStepContext {
   public:
    Context(RunFlags& flags, UserPrompts& prompts, QWidget& window, QListWidget& list)
        : PromptingStepContext(flags, prompts, window), list_(list) {}
    void AddLine(std::string_view line) override;
    void ClearLines() override { list_.clear(); }
    void SetTotal(long) override {}
    void SetDone(long) override {}
    void SetGauge(long) override {}
    void SetChartNumber(long) override {}
    void SetFileCode(long) override {}
    void SetElapsedLabel(std::string_view) override {}

   private:
    QListWidget& list_;
  };

  WorkbenchEnvironment& environment_;
  QLineEdit* CliveRoot;
  QTreeWidget* CbackupList;
  QListWidget* CbackupMessages;
  QPushButton* CbackupRefresh;
  QPushButton* CbackupRestore;
  QPushButton* CbackupClose;
  Context context_;
  std::filesystem::path live_root_;
  std::vector<LiveBackup> backups_;
};

}  // namespace zuvo::gui
