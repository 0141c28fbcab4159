// The chart-set maintenance commands: merge two data sets of one clinic, anonymise a clinic.
#include <chrono>
#include <iostream>

#include "app/live_folders.h"
#include "app/program_folder.h"
#include "app/workplace_setup.h"
#include "command.h"
#include "core/roc_date.h"
#include "maintenance/anonymise_clinic.h"
#include "maintenance/chart_merge.h"
#include "platform/file_ops.h"
#include "step_output.h"
#include "terminal_session.h"
#include "terminal_step_context.h"
#include "workspace/dataedit_ini.h"

namespace zuvo::cli {
namespace {

ChartSetFields ReadSetOption(Invocation& invocation, const std::string& option) {
  std::optional<std::string> folder = invocation.args.Option(option);
  if (!folder) throw UsageError("merge needs --" + option + " DIR");
  ChartSetFields set;
  set.folder = std::filesystem::absolute(PathFromUtf8(*folder));
  if (!std::filesystem::is_directory(set.folder)) {
    throw UsageError("--" + option + " " + *folder + " is not a folder");
  }
  ReadChartSetSettings(set);
  return set;
}

void PrintSet(const std::string& role, const ChartSetFields& set) {
  PrintBig5Field(std::cout, role + " clinic name", set.clinic_name);
  PrintBig5Field(std::cout, role + " clinic code", set.clinic_code);
  PrintBig5Field(std::cout, role + " split date", set.split_date);
}

int RunMerge(Invocation& invocation) {
  ChartMergeFields fields;
  fields.recent = ReadSetOption(invocation, "recent");
  fields.past = ReadSetOption(invocation, "past");
  invocation.args.Finish(0);
  InstallDeliveredFiles(invocation.home);
  PrintSet("recent", fields.recent);
  PrintSet("past", fields.past);
  TerminalSession session;
  Workplace place;
  place.program_folder = invocation.home;
  place.now = Now();
  const StepResult merged = MergeChartSets(fields, place, session.context());
  if (merged != StepResult::kDone) return ExitStatusOf(merged);
  const ChartMergeCounts& outcome = fields.merged;
  std::cout << "patients: " << outcome.patients << ", entries: " << outcome.entries
            << ", damaged entries left out: " << outcome.dropped_entries << '\n'
            << "merged: " << PathToUtf8(WithoutTrailingSeparator(fields.merged_folder)) << '\n';
  return kExitOk;
}

uint32_t ClockSeed() {
  return static_cast<uint32_t>(std::chrono::system_clock::now().time_since_epoch().count());
}

int RunAnonymise(Invocation& invocation) {
  std::filesystem::path folder = PathFromUtf8(invocation.args.RequiredPositional(0, "STOREDIR"));
  std::optional<std::string> seed_text = invocation.args.Option("seed");
  bool yes = invocation.args.Flag("yes");
  invocation.args.Finish(1);
  uint32_t seed = ClockSeed();
  if (seed_text) {
    try {
      seed = static_cast<uint32_t>(std::stoul(*seed_text));
    } catch (const std::exception&) {
      throw UsageError("--seed " + *seed_text + " is no number");
    }
  }
  bool interactive = !yes && OnInteractiveTerminal();
  if (!yes && !interactive) {
    throw UsageError(
        "anonymise changes the clinic for good and asks first: run it on a terminal "
        "or give --yes");
  }
  folder = WithoutTrailingSeparator(std::filesystem::absolute(folder));
  RunFlags flags;
  TerminalStepContext context(flags,
                              TerminalStreams{std::cout, std::cerr, std::cin, false, interactive});
  RecoverLiveRootOf(folder, DataEditIni(invocation.home).ReadWorkbench().live_root, context);
  if (!std::filesystem::is_directory(folder)) {
    throw UsageError("STOREDIR " + folder.string() + " is not a folder");
  }
  ClinicStoreAnonymisation input{{folder, folder.parent_path() / "PTdata.ind"}, seed};
  const StepResult result = AnonymiseClinicStore(input, CurrentWorkplace(invocation.home), context);
  if (result != StepResult::kDone) return ExitStatusOf(result);
  const AnonymiseOutcome& outcome = input.outcome;
  std::cout << "seed: " << seed << "\npatients: " << outcome.patients
            << ", visits: " << outcome.visits << ", names and IDs in texts: " << outcome.mentions
            << '\n';
  for (const std::filesystem::path& left : outcome.personal_data_left) {
    std::cout << "personal data left: " << PathToUtf8(left) << '\n';
  }
  return outcome.charts_complete ? kExitOk : kExitError;
}

ZUVO_COMMAND("merge", "--recent DIR --past DIR",
             "merge a recent and a past data set of one clinic (each holding Corvix and Tolsern) "
             "into program folder/KKK/<code>/<ROC date>; the last line names the merged set; exit "
             "2 when a check refuses",
             RunMerge);
ZUVO_COMMAND("anonymise", "STOREDIR [--seed N] [--yes]",
             "replace the patients' names, IDs, addresses, phones and notes, the visits' doctor, "
             "pharmacist and newborn's parent, and the patients' names and IDs in the visits' "
             "texts of a server data folder with false data, in place and for good; rebuilds "
             "../PTdata.ind; lists what still holds personal data; --seed repeats a run",
             RunAnonymise);

}  // namespace
}  // namespace zuvo::cli
