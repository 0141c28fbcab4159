#pragma once

// How the window and the command line tell the end of a run or a step: how it ended, what each
// step counted, and the warnings by kind. UTF-8 lines for the operator.

#include <string>
#include <vector>

#include "app/pipeline_run.h"

namespace zuvo {

// "完成", "已停止", "已停止 (製作病人資料)" (the step it stopped in), or
// "失敗 (製作Zuvo病歷檔): " + the step's error.
std::string RunEndText(const RunOutcome& outcome);

// One line per step that ran: its caption, the records it had done and the record count of the
// table it read last: "製作病人資料: 118/120 筆".
std::vector<std::string> RunCountLines(const RunOutcome& outcome);

// The whole summary: the end, the count lines, then "警告: " and each warning kind with its
// count ("不明醫師 42"), or "警告: 無".
std::vector<std::string> RunSummaryLines(const RunOutcome& outcome);

}  // namespace zuvo
