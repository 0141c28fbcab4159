#pragma once

// The command line's StepContext. Message lines and message boxes go to `out` (UTF-8), one line
// each, a box as "message: TEXT". A progress bar is drawn on `err` only when `err` is a terminal,
// so that redirected output holds the lines alone.
//
// Questions: with `interactive` set, a box with two buttons asks on `err` and reads the answer
// from `in`; otherwise it takes its first button (OK or Yes), prints the answer, and the run
// goes on. Folder and file requests are answered by what the command put in beforehand (its
// arguments); without an answer they count as cancelled.

#include <functional>
#include <iosfwd>

#include "core/step_context.h"

namespace zuvo {

struct TerminalStreams {
  std::ostream& out;
  std::ostream& err;
  std::istream& in;
  bool err_is_terminal = false;
  bool interactive = false;
};

class TerminalStepContext : public StepContext {
 public:
  TerminalStepContext(RunFlags& flags, TerminalStreams streams);
  ~TerminalStepContext() override;

  void SetFolderAnswer(std::optional<std::filesystem::path> folder) {
    folder_answer_ = std::move(folder);
  }
  void SetFileAnswer(std::optional<std::filesystem::path> file) { file_answer_ = std::move(file); }
  // Which message lines, and which message boxes with an OK button only, are printed; the others
  // are left out silently (the caller counts or repeats them). Unset: all are printed.
  using TextFilter = std::function<bool(std::string_view text)>;
  void SetLineFilter(TextFilter filter) { line_filter_ = std::move(filter); }
  void SetNoticeFilter(TextFilter filter) { notice_filter_ = std::move(filter); }

  void AddLine(std::string_view line) override;
  void ClearLines() override {}
  void SetTotal(long total) override;
  void SetDone(long done) override;
  void SetGauge(long position) override;
  void SetChartNumber(long /*chart_number*/) override {}
  void SetFileCode(long /*file_code*/) override {}
  void SetElapsedLabel(std::string_view text) override;
  MessageAnswer ShowMessage(std::string_view text, MessageKind kind,
                            MessageButtons buttons) override;
  std::optional<std::filesystem::path> ChooseFolder(std::string_view caption,
                                                    const std::filesystem::path& start) override;
  std::optional<std::filesystem::path> ChooseFile(std::string_view caption,
                                                  const std::filesystem::path& start,
                                                  std::string_view filter) override;
  std::optional<std::string> AskText(std::string_view caption, std::string_view prompt,
                                     std::string_view text) override;
  void ProcessEvents() override {}

 private:
  void DrawBar();
  void ClearBar();
  MessageAnswer Ask(MessageButtons buttons);

  TerminalStreams streams_;
  std::optional<std::filesystem::path> folder_answer_;
  std::optional<std::filesystem::path> file_answer_;
  TextFilter line_filter_;
  TextFilter notice_filter_;
  long total_ = 0;
  long gauge_ = 0;
  bool bar_shown_ = false;
  int drawn_permille_ = -1;  // what the bar shows; -1 forces the next draw
};

}  // namespace zuvo
