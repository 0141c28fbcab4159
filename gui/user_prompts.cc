#include "user_prompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace zuvo::gui {

namespace {

QMessageBox::Icon IconOf(MessageKind kind) {
  switch (kind) {
    case MessageKind::kWarning:
      return QMessageBox::Warning;
    case MessageKind::kError:
      return QMessageBox::Critical;
    case MessageKind::kInformation:
      break;
  }
  return QMessageBox::Information;
}

// "description|*.xls;*.xlsx" as Qt's "description (*.xls *.xlsx)".
QString QtFilter(const QString& filter) {
  qsizetype bar = filter.indexOf('|');
  if (bar < 0) return filter;
  QString patterns = filter.mid(bar + 1);
  patterns.replace(';', ' ');
  return filter.left(bar) + " (" + patterns + ")";
}

}  // namespace

MessageAnswer DialogPrompts::ShowMessage(QWidget* parent, const QString& text, MessageKind kind,
                                         MessageButtons buttons) {
  QMessageBox box(IconOf(kind), QApplication::applicationDisplayName(), text, QMessageBox::NoButton,
                  parent);
  switch (buttons) {
    case MessageButtons::kOk:
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case MessageButtons::kOkCancel:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      break;
    case MessageButtons::kYesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      break;
  }
  switch (box.exec()) {
    case QMessageBox::Cancel:
      return MessageAnswer::kCancel;
    case QMessageBox::Yes:
      return MessageAnswer::kYes;
    case QMessageBox::No:
      return MessageAnswer::kNo;
    default:
      return MessageAnswer::kOk;
  }
}

std::optional<QString> DialogPrompts::ChooseFolder(QWidget* parent, const QString& caption,
                                                   const QString& start) {
  QString folder = QFileDialog::getExistingDirectory(parent, caption, start);
  if (folder.isEmpty()) return std::nullopt;
  return folder;
}

std::optional<QString> DialogPrompts::ChooseFile(QWidget* parent, const QString& caption,
                                                 const QString& start, const QString& filter) {
  QString file = QFileDialog::getOpenFileName(parent, caption, start, QtFilter(filter));
  if (file.isEmpty()) return std::nullopt;
  return file;
}

std::optional<QString> DialogPrompts::AskText(QWidget* parent, const QString& caption,
                                              const QString& prompt, const QString& text) {
  bool accepted = false;
  QString answer =
      QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, text, &accepted);
  if (!accepted) return std::nullopt;
  return answer;
}

}  // namespace zuvo::gui
