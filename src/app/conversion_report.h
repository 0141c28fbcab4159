#pragma once

// The conversion report: what a run showed in its message list and message boxes, written into
// the work tree so that support staff can review a conversion after the window is closed.

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/roc_date.h"
#include "core/step_context.h"

namespace zuvo {

// A StepContext that hands everything on to `inner` and keeps each message-list line and each
// message box text ("message box: " + text) in order.
class ReportingStepContext : public StepContext {
 public:
  explicit ReportingStepContext(StepContext& inner) : StepContext(inner.Flags()), inner_(inner) {}

  const std::vector<std::string>& entries() const { return entries_; }
  // The last record count and records done a step set, and forgetting them before the next.
  long last_total() const { return last_total_; }
  long last_done() const { return last_done_; }
  void ForgetProgress() { last_total_ = last_done_ = 0; }

  void AddLine(std::string_view line) override;
  void ClearLines() override { inner_.ClearLines(); }
  void SetTotal(long total) override {
    last_total_ = total;
    inner_.SetTotal(total);
  }
  void SetDone(long done) override {
    last_done_ = done;
    inner_.SetDone(done);
  }
  void SetGauge(long position) override { inner_.SetGauge(position); }
  void SetChartNumber(long chart_number) override { inner_.SetChartNumber(chart_number); }
  void SetFileCode(long file_code) override { inner_.SetFileCode(file_code); }
  void SetElapsedLabel(std::string_view text) override { inner_.SetElapsedLabel(text); }
  MessageAnswer ShowMessage(std::string_view text, MessageKind kind,
                            MessageButtons buttons) override;
  std::optional<std::filesystem::path> ChooseFolder(std::string_view caption,
                                                    const std::filesystem::path& start) override {
    return inner_.ChooseFolder(caption, start);
  }
  std::optional<std::filesystem::path> ChooseFile(std::string_view caption,
                                                  const std::filesystem::path& start,
                                                  std::string_view filter) override {
    return inner_.ChooseFile(caption, start, filter);
  }
  std::optional<std::string> AskText(std::string_view caption, std::string_view prompt,
                                     std::string_view text) override {
    return inner_.AskText(caption, prompt, text);
  }
  void ProcessEvents() override { inner_.ProcessEvents(); }

 private:
  StepContext& inner_;
  std::vector<std::string> entries_;
  long last_total_ = 0;
  long last_done_ = 0;
};

// The kind of a message line: the reason before its first colon (ASCII or full-width), with
// trailing digits and blanks dropped ("begin time10:20:30" is "begin time"); a line without a
// colon is its own kind.
std::string MessageKindOf(std::string_view line);
// Each kind with the number of lines of that kind, in the order the kinds first appear.
std::vector<std::pair<std::string, long>> CountMessageKinds(const std::vector<std::string>& lines);

// The warnings of a run's message lines by kind, in the order the kinds first appear: the lines
// of its message list (not its boxes) other than the run's own "begin time" and "end time".
std::vector<std::pair<std::string, long>> CountWarningKinds(const std::vector<std::string>& lines);
// True for an entry of ReportingStepContext that is a message box, not a message-list line.
bool IsMessageBoxEntry(std::string_view entry);
// The text of the last message box among `entries`, empty when there is none.
std::string LastMessageBox(const std::vector<std::string>& entries);

// Writes work tree/ConversionReport_<ROC stamp of `started`>.txt (UTF-8 with a byte-order mark,
// CR LF line ends): the title, the work tree, the start and the elapsed time, the count of each
// message kind, then every line. Returns the file. Throws Error naming the file.
std::filesystem::path WriteConversionReport(const std::filesystem::path& work_tree,
                                            std::string_view title,
                                            const std::vector<std::string>& lines, DateTime started,
                                            std::string_view elapsed);

}  // namespace zuvo
