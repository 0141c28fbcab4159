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

  void AddLine(std::string_view line) override;
  void ClearLines() override { inner_.ClearLines(); }
  void SetTotal(long total) override { inner_.SetTotal(total); }
  void SetDone(long done) override { inner_.SetDone(done); }
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
};

// The kind of a message line: the reason before its first colon (ASCII or full-width), with
// trailing digits and blanks dropped ("begin time10:20:30" is "begin time"); a line without a
// colon is its own kind.
std::string MessageKindOf(std::string_view line);
// Each kind with the number of lines of that kind, in the order the kinds first appear.
std::vector<std::pair<std::string, long>> CountMessageKinds(const std::vector<std::string>& lines);

// Writes work tree/ConversionReport_<ROC stamp of `started`>.txt (UTF-8 with a byte-order mark,
// CR LF line ends): the title, the work tree, the start and the elapsed time, the count of each
// message kind, then every line. Returns the file. Throws Error naming the file.
std::filesystem::path WriteConversionReport(const std::filesystem::path& work_tree,
                                            std::string_view title,
                                            const std::vector<std::string>& lines, DateTime started,
                                            std::string_view elapsed);

}  // namespace zuvo
