#pragma once

// StepContext: the only way a conversion step talks to the outside world. The desktop program
// implements it with the widgets of a window's progress panel and real dialogs, the command line
// with stdout/stderr, the tests with a recorder whose answers they script.
//
// Every text crossing this interface is UTF-8 (the message list and boxes are read by people);
// a step converts Big5 values when it builds a line.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/run_flags.h"

namespace zuvo {

enum class MessageKind { kInformation, kWarning, kError };
enum class MessageButtons { kOk, kOkCancel, kYesNo };
enum class MessageAnswer { kOk, kCancel, kYes, kNo };

// True for the answers that let a step go on (OK, Yes).
constexpr bool Confirmed(MessageAnswer answer) {
  return answer == MessageAnswer::kOk || answer == MessageAnswer::kYes;
}

class StepContext {
 public:
  explicit StepContext(RunFlags& flags) : flags_(flags) {}
  virtual ~StepContext() = default;
  StepContext(const StepContext&) = delete;
  StepContext& operator=(const StepContext&) = delete;

  // Message list: appends one line, shows it at once (scrolled into view).
  virtual void AddLine(std::string_view line) = 0;
  virtual void ClearLines() = 0;

  // Progress panel. SetTotal gives the record count of the table being read, which is also the
  // gauge's maximum; SetDone the records done so far (label); SetGauge the gauge position.
  virtual void SetTotal(long total) = 0;
  virtual void SetDone(long done) = 0;
  virtual void SetGauge(long position) = 0;
  virtual void SetChartNumber(long chart_number) = 0;
  virtual void SetFileCode(long file_code) = 0;
  // The elapsed-time label, whole text ("耗時: 00:01:02").
  virtual void SetElapsedLabel(std::string_view text) = 0;

  // A message box; returns the button pressed. A box with only OK returns kOk.
  virtual MessageAnswer ShowMessage(std::string_view text,
                                    MessageKind kind = MessageKind::kInformation,
                                    MessageButtons buttons = MessageButtons::kOk) = 0;
  // The folder-browse dialog (with a new-folder button), starting in `start`. Empty when the
  // operator cancels.
  virtual std::optional<std::filesystem::path> ChooseFolder(std::string_view caption,
                                                            const std::filesystem::path& start) = 0;
  // The file-open dialog; `filter` in the form "description|*.xls". Empty on cancel.
  virtual std::optional<std::filesystem::path> ChooseFile(std::string_view caption,
                                                          const std::filesystem::path& start,
                                                          std::string_view filter) = 0;
  // An input box showing `text`, which the operator may edit or copy. Empty on cancel.
  virtual std::optional<std::string> AskText(std::string_view caption, std::string_view prompt,
                                             std::string_view text) = 0;

  // Lets the window handle pending events (repaints, the stop button) during a long step.
  virtual void ProcessEvents() = 0;

  RunFlags& Flags() { return flags_; }
  bool StopRequested() const { return flags_.StopRequested(); }
  bool StepMessages() const { return flags_.StepMessages(); }

 private:
  RunFlags& flags_;
};

}  // namespace zuvo
