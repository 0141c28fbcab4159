#pragma once

// The review of a converted work tree before apply: what was converted and what was left out
// and why, the conversion report's message kinds with their lines, the check of every store,
// and the patients with their visits. It only shows; nothing is written.

#include <QDialog>
#include <filesystem>
#include <functional>

#include "app/work_tree_review.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QTableWidget;

namespace zuvo::gui {

// Applies the reviewed work tree, as the page's apply button does.
using ApplyReviewed = std::function<void(const std::filesystem::path& work_tree)>;

class ReviewDialog : public QDialog {
  Q_OBJECT

 public:
  // With `apply`, the dialog offers "套用轉檔後資料" when the review finds nothing that stops
  // apply (its tool tip says what does); pressing it closes the dialog and applies.
  ReviewDialog(WorkTreeReview review, QWidget* parent, ApplyReviewed apply = {});

  // Shows the message kind of row `row` with its lines.
  void ShowMessageKind(int row);
  // Lists the patients whose number, ID or name contains `text`.
  void FindPatients(const QString& text);
  // Shows the visits of the patient of row `row` of the patient list, newest first.
  void ShowPatient(int row);

 private:
  QWidget* BuildSummary();
  QWidget* BuildMessages();
  QWidget* BuildPatients();

  WorkTreeReview review_;
  ApplyReviewed apply_;
  std::vector<ReviewPatient> found_;
  QListWidget* kinds_ = nullptr;
  QPlainTextEdit* kind_lines_ = nullptr;
  QLineEdit* search_ = nullptr;
  QListWidget* patients_ = nullptr;
  QPlainTextEdit* visits_ = nullptr;
};

// The button "檢視轉檔結果" of both pipelines' pages: reviews `work_tree` and shows the review
// beside `parent`, offering `apply`. Throws Error naming the folder when there is no work tree
// to review.
ReviewDialog* OpenWorkTreeReview(QWidget* parent, const std::filesystem::path& program_folder,
                                 const std::filesystem::path& work_tree, ApplyReviewed apply);

}  // namespace zuvo::gui
