#include <functional>
#include <iostream>

#include "app/conversion_report.h"
#include "app/pipeline_run.h"
#include "app/program_folder.h"
#include "app/realsun_pipeline.h"
#include "app/vision_pipeline.h"
#include "app/workplace_setup.h"
#include "command.h"
#include "core/clock_text.h"
#include "core/day_index.h"
#include "core/store_verify.h"
#include "demo/demo_clinic.h"
#include "platform/big5.h"
#include "platform/file_ops.h"
#include "postprocess/common_item_tally.h"
#include "postprocess/screening.h"
#include "step_output.h"
#include "terminal_session.h"
#include "workspace/folder_layout.h"
#include "workspace/path_text.h"

namespace zuvo::cli {
namespace {

// The demo's source folders lie beside the program folder, never in it: a source folder inside
// the program folder is refused (the work trees are made there).
std::filesystem::path DemoSourcesFolder(const std::filesystem::path& home) {
  std::filesystem::path folder = WithoutTrailingSeparator(std::filesystem::absolute(home));
  folder += "-demo-sources";
  return folder;
}

uint32_t SeedArgument(Invocation& invocation) {
  std::string text = invocation.args.OptionOr("seed", "1");
  try {
    size_t used = 0;
    unsigned long seed = std::stoul(text, &used);
    if (used == text.size() && seed <= UINT32_MAX) return static_cast<uint32_t>(seed);
  } catch (const std::exception&) {
  }
  throw UsageError("--seed must be a number from 0 to 4294967295");
}

// Verifies the converted stores and tells what the conversion made and where it lies.
int PrintDemoSummary(const RunFields& fields, const RunOutcome& outcome,
                     const std::string& elapsed) {
  StoreLocation store = WorkTreeStoreLocation(fields.folder.work_tree, fields.folder.clinic_id);
  StoreVerifyReport verified = VerifyStore(store);
  DayIndex days = LoadDayIndex(store);
  TerminalSession quiet;
  CommonItemTallies items =
      CountChartItems(store, days.first_day() - 1.0,
                      days.first_day() + static_cast<double>(days.size()), quiet.context());
  std::cout << "\nsummary\n"
            << "  patients: " << verified.patients << '\n'
            << "  visits: " << verified.chained_entries << '\n'
            << "  order lines: "
            << TotalCount(items.drop_orders) + TotalCount(items.oral_orders) +
                   TotalCount(items.other_orders)
            << '\n'
            << "  diagnoses: " << TotalCount(items.diagnoses) << '\n'
            << "  time taken: " << elapsed << '\n'
            << "  verify: "
            << (verified.clean() ? std::string("clean")
                                 : std::to_string(verified.findings.size()) + " findings")
            << '\n'
            << "  messages by kind:\n";
  for (const auto& [kind, count] : CountMessageKinds(outcome.messages)) {
    std::cout << "    " << count << "  " << kind << '\n';
  }
  std::cout << "  result: " << PathToUtf8(fields.folder.work_tree) << '\n'
            << "  report: " << PathToUtf8(outcome.report) << '\n'
            << "  inspect it: zuvoconv verify " << PathToUtf8(store.server_data_folder) << '\n'
            << "  apply it to a scratch live root: make the folder, set LiveRoot in [Workbench] "
               "of DataEdit.ini to it, then zuvoconv apply "
            << PathToUtf8(fields.folder.work_tree) << " --yes\n";
  for (const StoreFinding& finding : verified.findings) {
    std::cout << "  finding: " << finding.where << ": " << finding.problem << '\n';
  }
  return verified.clean() ? kExitOk : kExitError;
}

// One demo clinic: the folder choice, the one-shot run, the verified summary. `settle` fills
// what a support engineer would have noted for the clinic before its run.
int ConvertDemoClinic(const Pipeline& pipeline, const std::filesystem::path& source,
                      RunFields& fields, const std::function<void(RunFields&)>& settle,
                      const std::filesystem::path& home) {
  std::cout << "\n" << pipeline.word << " clinic\n";
  TerminalSession session;
  session.context().SetFolderAnswer(source);
  StepResult result = pipeline.select(fields, CurrentWorkplace(home), session.context());
  int status = PrintClinicResult(std::cout, fields.folder, result);
  if (status != kExitOk) return status;
  settle(fields);
  const Workplace place = CurrentWorkplace(home);
  RunOutcome outcome = RunOneShot(pipeline, fields, place, session.context());
  if (!outcome.completed) return kExitStopped;
  return PrintDemoSummary(fields, outcome, ElapsedText(place.now, place.clock()));
}

// The lab import, which the one-shot run leaves out, on the converted demo; verified again.
int RunDemoLabImport(const Pipeline& pipeline, RunFields& fields,
                     const std::filesystem::path& home) {
  std::cout << "\nlab import\n";
  std::cout.flush();
  TerminalSession session;
  const StepResult result = RunSingleStep(pipeline, *pipeline.Find(kLabImportStepWord), fields,
                                          CurrentWorkplace(home), session.context());
  if (result != StepResult::kDone) return ExitStatusOf(result);
  StoreVerifyReport verified =
      VerifyStore(WorkTreeStoreLocation(fields.folder.work_tree, fields.folder.clinic_id));
  std::cout << "  visits: " << verified.chained_entries << '\n'
            << "  verify: "
            << (verified.clean() ? std::string("clean")
                                 : std::to_string(verified.findings.size()) + " findings")
            << '\n';
  for (const StoreFinding& finding : verified.findings) {
    std::cout << "  finding: " << finding.where << ": " << finding.problem << '\n';
  }
  return verified.clean() ? kExitOk : kExitError;
}

int RunDemo(Invocation& invocation) {
  uint32_t seed = SeedArgument(invocation);
  invocation.args.Finish(0);
  InstallDeliveredFiles(invocation.home);
  std::filesystem::path sources = DemoSourcesFolder(invocation.home);
  std::filesystem::path vision_source = sources / "VISW";
  std::filesystem::path realsun_source = sources / "RealSun";
  demo::WriteVisionDemoSource(vision_source, seed);
  demo::WriteRealSunDemoSource(realsun_source, seed);
  std::cout << "demo Vision source: " << PathToUtf8(vision_source) << "\n"
            << "demo RealSun source: " << PathToUtf8(realsun_source) << "\n";

  RunFields vision;
  vision.chart.split_date = VisionPipeline().default_split_date;
  int status = ConvertDemoClinic(
      VisionPipeline(), vision_source, vision, [](RunFields&) {}, invocation.home);
  if (status == kExitOk) status = RunDemoLabImport(VisionPipeline(), vision, invocation.home);
  // The RealSun clinic is converted whole: a blank split date takes every visit up to today.
  // Its data.ini is new, so the run brings the opening date and the pharmacist.
  RunFields realsun;
  int realsun_status = ConvertDemoClinic(
      RealSunPipeline(), realsun_source, realsun,
      [](RunFields& fields) {
        fields.folder.start_date = demo::kRealSunDemoOpeningDate;
        fields.folder.pharmacist_name = big5::FromUtf8(demo::kRealSunDemoPharmacistNameUtf8);
        fields.folder.pharmacist_id = demo::kRealSunDemoPharmacistId;
      },
      invocation.home);
  return status != kExitOk ? status : realsun_status;
}

ZUVO_COMMAND("demo", "[--seed N]",
             "build the demo clinics' source folders, convert each in one run and verify the "
             "results; import the Vision clinic's lab values and verify again",
             RunDemo);

}  // namespace
}  // namespace zuvo::cli
