// "<system> run" and "<system> step <word>" for every step of each pipeline, built from its
// table.
#include <iostream>
#include <map>

#include "app/conversion_report.h"
#include "app/pipeline_run.h"
#include "app/pipelines.h"
#include "app/program_folder.h"
#include "app/run_summary.h"
#include "app/work_tree_selection.h"
#include "app/workplace_setup.h"
#include "command.h"
#include "platform/file_ops.h"
#include "run_options.h"
#include "step_output.h"
#include "terminal_session.h"

namespace zuvo::cli {
namespace {

namespace fs = std::filesystem;

// The doctors' names a chart step could not find among the clinic's doctors.
void PrintUnknownDoctors(const RunFields& fields) {
  for (const std::string& doctor : fields.unknown_doctors) {
    PrintBig5Field(std::cout, "不明醫師", doctor);
  }
}

// The fields a step filled that the operator reads off the window.
void PrintStepFields(const RunFields& fields) {
  PrintBig5Field(std::cout, "pharmacist name", fields.folder.pharmacist_name);
  PrintBig5Field(std::cout, "pharmacist id", fields.folder.pharmacist_id);
  PrintBig5Field(std::cout, "split date", fields.chart.split_date);
  PrintUnknownDoctors(fields);
}

constexpr char kVerboseHelp[] =
    "  --verbose           every message line (default: the first 3 of each kind)\n";

// A run or step that completed but skipped claim months ends with status 1 so that a script
// notices; the work tree is complete and can be applied.
int SkippedMonthsStatus(const RunFields& fields, std::string_view activity, int status) {
  if (status != kExitOk || fields.skipped_claim_months.empty()) return status;
  std::cout.flush();
  std::cerr << "zuvoconv " << activity << ": some months were skipped (";
  for (size_t i = 0; i < fields.skipped_claim_months.size(); ++i) {
    std::cerr << (i > 0 ? ", " : "") << fields.skipped_claim_months[i];
  }
  std::cerr << "); the other months were corrected and the work tree can be applied\n";
  return kExitError;
}

// Lines of one kind beyond these are left out of the output (the report keeps them all).
constexpr long kLinesPerKind = 3;

// The boxes that stop a step, or remind of a setting, for want of something an option gives.
struct OptionHint {
  std::string_view message;
  std::string_view option;
};
constexpr OptionHint kOptionHints[] = {
    {"沒有開業日期記錄", "--start-date"},
    {"尚未設定開業日期", "--start-date"},
    {"沒有藥師資料,轉換停止", "--pharmacist 與 --pharmacist-id"},
    {"沒有藥師資料,無藥師請忽略", "--pharmacist 與 --pharmacist-id"},
    {"沒有填寫切割日期,製作方式必須設為之前", "--split-date 或 --mode before"},
    {"切割日期格式錯誤yyymmdd", "--split-date"},
};

// A box's text with the option that supplies what it misses: "沒有開業日期記錄:用 --start-date
// 指定".
std::string WithOptionHint(const std::string& message) {
  for (const OptionHint& hint : kOptionHints) {
    if (message == hint.message) return message + ":用 " + std::string(hint.option) + " 指定";
  }
  return message;
}

// Prints at most kLinesPerKind message lines of each kind unless --verbose; says afterwards
// whether any were left out.
class KindLimit {
 public:
  KindLimit(TerminalStepContext& context, bool verbose) {
    if (verbose) return;
    context.SetLineFilter([this](std::string_view line) {
      if (++seen_[MessageKindOf(line)] <= kLinesPerKind) return true;
      held_back_ = true;
      return false;
    });
  }
  void PrintNote(std::ostream& out) const {
    if (held_back_) {
      out << "(每種訊息只列出前 " << kLinesPerKind << " 筆;全部見轉檔報告,或加 --verbose)\n";
    }
  }

 private:
  std::map<std::string, long> seen_;
  bool held_back_ = false;
};

void PrintSummary(const RunOutcome& outcome, const KindLimit& limit) {
  for (const std::string& line : RunSummaryLines(outcome)) std::cout << line << '\n';
  limit.PrintNote(std::cout);
}

// A run or step that did not complete says why on stderr: its end, and the last box it showed
// with the option that would have supplied what it missed.
int EndStatus(std::string_view activity, const RunOutcome& outcome) {
  if (outcome.end == RunEnd::kCompleted) return kExitOk;
  std::cout.flush();
  std::cerr << "zuvoconv " << activity << ": ";
  if (outcome.end == RunEnd::kFailed) {
    std::cerr << outcome.error << '\n';
    return kExitError;
  }
  std::cerr << RunEndText(outcome);
  const std::string box = LastMessageBox(outcome.messages);
  if (!box.empty()) std::cerr << ": " << WithOptionHint(box);
  std::cerr << '\n';
  return kExitStopped;
}

int RunStep(const Pipeline& pipeline, const PipelineStep& step, Invocation& invocation) {
  std::optional<std::string> work_tree = invocation.args.Option("work-tree");
  if (!work_tree) throw UsageError("--work-tree is required");
  std::optional<fs::path> source;
  if (std::optional<std::string> given = invocation.args.Option("source")) {
    source = fs::absolute(PathFromUtf8(*given));
  }
  const bool verbose = invocation.args.Flag("verbose");
  InstallDeliveredFiles(invocation.home);
  RunFields fields =
      ReadWorkTree(pipeline, invocation.home, fs::absolute(PathFromUtf8(*work_tree)), source);
  ReadRunOptions(invocation.args, step.options, fields);
  invocation.args.Finish(0);
  TerminalSession session;
  KindLimit limit(session.context(), verbose);
  RunOutcome outcome = RunSingleStepToEnd(pipeline, step, fields, CurrentWorkplace(invocation.home),
                                          session.context());
  PrintStepFields(fields);
  PrintSummary(outcome, limit);
  if (outcome.end == RunEnd::kCompleted) PrintWorkTree(std::cout, fields.folder.work_tree);
  const std::string activity = ActivityName(pipeline, &step);
  return SkippedMonthsStatus(fields, activity, EndStatus(activity, outcome));
}

// The folder choice's reminders of a setting an option was given for are left out: the option
// is applied right after it.
void HoldRemindersOfGivenOptions(TerminalStepContext& context, Args& args) {
  const bool pharmacist = args.Option("pharmacist").has_value();
  const bool start_date = args.Option("start-date").has_value();
  context.SetNoticeFilter([pharmacist, start_date](std::string_view text) {
    if (text == "沒有藥師資料,無藥師請忽略") return !pharmacist;
    if (text == "尚未設定開業日期") return !start_date;
    return true;
  });
}

int RunPipeline(const Pipeline& pipeline, Invocation& invocation) {
  RunFields fields;
  fields.chart.split_date = pipeline.default_split_date;
  ReadRunOptions(invocation.args, AllOptions(pipeline), fields);
  fields.folder.same_day_tree = SameDayTreeOption(invocation.args);
  const bool verbose = invocation.args.Flag("verbose");
  fs::path source = fs::absolute(PathFromUtf8(invocation.args.RequiredPositional(0, "SRC")));
  invocation.args.Finish(1);
  InstallDeliveredFiles(invocation.home);
  TerminalSession session;
  session.context().SetFolderAnswer(source);
  const std::string activity = ActivityName(pipeline, nullptr);
  HoldRemindersOfGivenOptions(session.context(), invocation.args);
  ReportingStepContext choice(session.context());
  StepResult chosen = pipeline.select(fields, CurrentWorkplace(invocation.home), choice);
  session.context().SetNoticeFilter({});
  if (chosen != StepResult::kDone) {
    RunOutcome refused;
    refused.messages = choice.entries();
    return EndStatus(activity, refused);
  }
  // What the folder choice read from the clinic's settings gives way to what was asked for.
  ReadRunOptions(invocation.args, AllOptions(pipeline), fields);
  PrintWorkTree(std::cout, fields.folder.work_tree);
  std::cout.flush();  // the work tree is known before the run, even when the run is killed
  KindLimit limit(session.context(), verbose);
  RunOutcome outcome =
      RunOneShotToEnd(pipeline, fields, CurrentWorkplace(invocation.home), session.context());
  PrintUnknownDoctors(fields);
  PrintSummary(outcome, limit);
  if (!outcome.report.empty()) std::cout << "report: " << PathToUtf8(outcome.report) << '\n';
  PrintWorkTree(std::cout, fields.folder.work_tree);
  return SkippedMonthsStatus(fields, activity, EndStatus(activity, outcome));
}

bool RegisterPipeline(const Pipeline& pipeline) {
  const std::string system(pipeline.word);
  RegisterOptionsHelp(
      system + " run",
      OptionsHelp(AllOptions(pipeline), pipeline.default_split_date) + kVerboseHelp);
  RegisterCommand(
      {system + " run",
       "SRC " + OptionsUsage(AllOptions(pipeline)) + " " + kReplaceUsage + " [--verbose]",
       "choose the " + system + " folder SRC and run the whole conversion into a new work tree (" +
           kReplaceSummary + ")",
       [&pipeline](Invocation& invocation) { return RunPipeline(pipeline, invocation); }});
  for (const std::vector<PipelineStep>* steps : {&pipeline.steps, &pipeline.separate_steps}) {
    for (const PipelineStep& step : *steps) {
      std::string usage = "--work-tree WT [--source SRC]";
      if (!step.options.empty()) usage += " " + OptionsUsage(step.options);
      usage += " [--verbose]";
      RegisterOptionsHelp(system + " step " + std::string(step.word),
                          OptionsHelp(step.options, pipeline.default_split_date) + kVerboseHelp);
      RegisterCommand({system + " step " + std::string(step.word), usage, std::string(step.summary),
                       [&pipeline, &step](Invocation& invocation) {
                         return RunStep(pipeline, step, invocation);
                       }});
    }
  }
  return true;
}

const bool registered_pipelines = [] {
  for (const Pipeline* pipeline : AllPipelines()) RegisterPipeline(*pipeline);
  return true;
}();

}  // namespace
}  // namespace zuvo::cli
