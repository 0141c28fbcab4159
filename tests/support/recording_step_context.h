#pragma once

// A StepContext for tests: it records everything a step shows and answers its questions from
// scripts the test sets up beforehand.

#include <deque>
#include <vector>

#include "core/step_context.h"

namespace zuvo {

struct RecordedMessage {
  std::string text;
  MessageKind kind;
  MessageButtons buttons;
};

struct RecordedFolderRequest {
  std::string caption;
  std::filesystem::path start;
};

class RecordingStepContext : public StepContext {
 public:
  explicit RecordingStepContext(RunFlags& flags) : StepContext(flags) {}

  // Scripts. A message box without a scripted answer gets its first button (OK or Yes); a
  // folder or file request without one is cancelled; an input box returns its text unchanged.
  void AnswerNextMessage(MessageAnswer answer) { message_answers_.push_back(answer); }
  void AnswerNextFolder(std::optional<std::filesystem::path> folder) {
    folder_answers_.push_back(std::move(folder));
  }
  void AnswerNextFile(std::optional<std::filesystem::path> file) {
    file_answers_.push_back(std::move(file));
  }
  // Sets StopRequested when ProcessEvents has been called `calls` times, as if the operator
  // pressed the stop button in the middle of a step.
  void RequestStopAfterEvents(int calls) { stop_after_events_ = calls; }

  const std::vector<std::string>& lines() const { return lines_; }
  const std::vector<RecordedMessage>& messages() const { return messages_; }
  // Only the texts of the message boxes, in order.
  std::vector<std::string> MessageTexts() const;
  const std::vector<RecordedFolderRequest>& folder_requests() const { return folder_requests_; }
  long total() const { return total_; }
  long done() const { return done_; }
  long gauge() const { return gauge_; }
  long chart_number() const { return chart_number_; }
  long file_code() const { return file_code_; }
  const std::string& elapsed_label() const { return elapsed_label_; }
  int events_processed() const { return events_processed_; }

  void AddLine(std::string_view line) override { lines_.emplace_back(line); }
  void ClearLines() override { lines_.clear(); }
  void SetTotal(long total) override { total_ = total; }
  void SetDone(long done) override { done_ = done; }
  void SetGauge(long position) override { gauge_ = position; }
  void SetChartNumber(long chart_number) override { chart_number_ = chart_number; }
  void SetFileCode(long file_code) override { file_code_ = file_code; }
  void SetElapsedLabel(std::string_view text) override { elapsed_label_ = text; }
  MessageAnswer ShowMessage(std::string_view text, MessageKind kind,
                            MessageButtons buttons) override;
  std::optional<std::filesystem::path> ChooseFolder(std::string_view caption,
                                                    const std::filesystem::path& start) override;
  std::optional<std::filesystem::path> ChooseFile(std::string_view caption,
                                                  const std::filesystem::path& start,
                                                  std::string_view filter) override;
  std::optional<std::string> AskText(std::string_view caption, std::string_view prompt,
                                     std::string_view text) override;
  void ProcessEvents() override;

 private:
  std::deque<MessageAnswer> message_answers_;
  std::deque<std::optional<std::filesystem::path>> folder_answers_;
  std::deque<std::optional<std::filesystem::path>> file_answers_;
  int stop_after_events_ = -1;

  std::vector<std::string> lines_;
  std::vector<RecordedMessage> messages_;
  std::vector<RecordedFolderRequest> folder_requests_;
  long total_ = 0;
  long done_ = 0;
  long gauge_ = 0;
  long chart_number_ = 0;
  long file_code_ = 0;
  std::string elapsed_label_;
  int events_processed_ = 0;
};

}  // namespace zuvo
