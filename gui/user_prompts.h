#pragma once

// The dialogs a step may open, behind an interface so that tests answer them.

#include <QString>
#include <QWidget>
#include <optional>

#include "core/step_context.h"

namespace zuvo::gui {

class UserPrompts {
 public:
  virtual ~UserPrompts() = default;
  virtual MessageAnswer ShowMessage(QWidget* parent, const QString& text, MessageKind kind,
                                    MessageButtons buttons) = 0;
  virtual std::optional<QString> ChooseFolder(QWidget* parent, const QString& caption,
                                              const QString& start) = 0;
  // `filter` as "description|*.xls".
  virtual std::optional<QString> ChooseFile(QWidget* parent, const QString& caption,
                                            const QString& start, const QString& filter) = 0;
  virtual std::optional<QString> AskText(QWidget* parent, const QString& caption,
                                         const QString& prompt, const QString& text) = 0;
};

// The real dialogs: message boxes, the folder dialog (it can make new folders), the file-open
// dialog and an input box.
class DialogPrompts : public UserPrompts {
 public:
  MessageAnswer ShowMessage(QWidget* parent, const QString& text, MessageKind kind,
                            MessageButtons buttons) override;
  std::optional<QString> ChooseFolder(QWidget* parent, const QString& caption,
                                      const QString& start) override;
  std::optional<QString> ChooseFile(QWidget* parent, const QString& caption, const QString& start,
                                    const QString& filter) override;
  std::optional<QString> AskText(QWidget* parent, const QString& caption, const QString& prompt,
                                 const QString& text) override;
};

}  // namespace zuvo::gui
