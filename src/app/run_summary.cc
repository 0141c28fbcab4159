#include "app/run_summary.h"

#include "app/conversion_report.h"

namespace zuvo {

std::string RunEndText(const RunOutcome& outcome) {
  switch (outcome.end) {
    case RunEnd::kCompleted:
      return "完成";
    case RunEnd::kStopped:
      if (outcome.last_step.empty()) return "已停止";
      return "已停止 (" + std::string(outcome.last_step) + ")";
    case RunEnd::kFailed:
      return "失敗 (" + std::string(outcome.last_step) + "): " + outcome.error;
  }
  return {};
}

std::vector<std::string> RunCountLines(const RunOutcome& outcome) {
  std::vector<std::string> lines;
  for (const StepCount& count : outcome.counts) {
    lines.push_back(std::string(count.caption) + ": " + std::to_string(count.done) + "/" +
                    std::to_string(count.total) + " 筆");
  }
  return lines;
}

std::vector<std::string> RunSummaryLines(const RunOutcome& outcome) {
  std::vector<std::string> lines = RunCountLines(outcome);
  lines.insert(lines.begin(), RunEndText(outcome));
  std::string warnings = "警告:";
  const auto kinds = CountWarningKinds(outcome.messages);
  for (size_t i = 0; i < kinds.size(); ++i) {
    warnings += (i == 0 ? " " : ", ") + kinds[i].first + " " + std::to_string(kinds[i].second);
  }
  lines.push_back(kinds.empty() ? warnings + " 無" : warnings);
  return lines;
}

}  // namespace zuvo
