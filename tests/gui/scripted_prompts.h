#pragma once

// Dialog answers for the window tests: message boxes, folder and file choices and input boxes
// are recorded and answered from scripts instead of being shown.

#include <deque>
#include <vector>

#include "user_prompts.h"

namespace zuvo::gui::testing {

class ScriptedPrompts : public UserPrompts {
 public:
  void AnswerNextFolder(std::optional<QString> folder) { folders_.push_back(std::move(folder)); }
  void AnswerNextFile(std::optional<QString> file) { files_.push_back(std::move(file)); }
  // A box without a scripted answer gets its first button (OK or Yes).
  void AnswerNextMessage(MessageAnswer answer) { answers_.push_back(answer); }

  const std::vector<QString>& messages() const { return messages_; }
  const std::vector<QString>& folder_captions() const { return folder_captions_; }
  const std::vector<QString>& asked_texts() const { return asked_texts_; }
  // Where each file dialog started.
  const std::vector<QString>& file_starts() const { return file_starts_; }

  MessageAnswer ShowMessage(QWidget*, const QString& text, MessageKind,
                            MessageButtons buttons) override {
    messages_.push_back(text);
    if (!answers_.empty()) {
      MessageAnswer answer = answers_.front();
      answers_.pop_front();
      return answer;
    }
    return buttons == MessageButtons::kYesNo ? MessageAnswer::kYes : MessageAnswer::kOk;
  }
  std::optional<QString> ChooseFolder(QWidget*, const QString& caption, const QString&) override {
    folder_captions_.push_back(caption);
    return TakeFront(folders_);
  }
  std::optional<QString> ChooseFile(QWidget*, const QString&, const QString& start,
                                    const QString&) override {
    file_starts_.push_back(start);
    return TakeFront(files_);
  }
  std::optional<QString> AskText(QWidget*, const QString&, const QString&,
                                 const QString& text) override {
    asked_texts_.push_back(text);
    return text;
  }

 private:
  // The next scripted choice (nullopt: the dialog cancelled, or none left). Taken apart rather
  // than copied as an optional, which GCC 12 misreads as maybe uninitialised.
  static std::optional<QString> TakeFront(std::deque<std::optional<QString>>& choices) {
    if (choices.empty() || !choices.front().has_value()) {
      if (!choices.empty()) choices.pop_front();
      return std::nullopt;
    }
    QString chosen = std::move(*choices.front());
    choices.pop_front();
    return chosen;
  }

  std::deque<std::optional<QString>> folders_;
  std::deque<std::optional<QString>> files_;
  std::deque<MessageAnswer> answers_;
  std::vector<QString> messages_;
  std::vector<QString> folder_captions_;
  std::vector<QString> asked_texts_;
  std::vector<QString> file_starts_;
};

}  // namespace zuvo::gui::testing
