#include "postprocess/screening.h"

#include "platform/big5.h"
#include "platform/error.h"
#include "platform/file_ops.h"
#include "platform/table_store.h"
#include "postprocess/common_item_tally.h"
#include "workspace/folder_layout.h"
#include "workspace/source_system.h"
#include "workspace/source_system_check.h"

namespace zuvo {
namespace {

constexpr std::string_view kDayIndexName = "DayLink.Dat";

// Sets `common` on the first row whose `key` equals each code; returns the rows set.
size_t MarkCommon(RecordSet& rows, std::string_view key, const std::vector<std::string>& codes,
                  const Param& value, std::string_view column) {
  size_t marked = 0;
  for (const std::string& code : codes) {
    if (!rows.Locate({key}, {Param(code)})) continue;
    rows.Edit();
    if (value.type() == Param::Type::kBoolean) {
      rows.SetBoolean(column, value.integer() != 0);
    } else {
      rows.SetInteger(column, value.integer());
    }
    rows.Post();
    ++marked;
  }
  return marked;
}

std::vector<std::string> AllCodes(const CodeTally& tally) {
  std::vector<std::string> codes;
  for (const auto& [code, count] : tally) codes.push_back(code);
  return codes;
}

// Screens the work tree of the step's clinic and lists the completion; false (nothing listed)
// without a day index.
bool ScreenWorkTree(ScreeningInput& input, DateTime now, StepContext& context) {
  const ClinicFolderFields& folder = input.folder;
  input.outcome = ScreenCommonItems(
      folder.work_tree, WorkTreeStoreLocation(folder.work_tree, folder.clinic_id), now, context);
  if (!input.outcome.screened) return false;
  context.AddLine(kScreeningDoneUtf8);
  return true;
}

}  // namespace

ScreeningOutcome ScreenCommonItems(const std::filesystem::path& work_tree,
                                   const StoreLocation& store, DateTime now, StepContext& context) {
  ScreeningOutcome outcome;
  if (!std::filesystem::is_regular_file(store.DayIndexPath())) {
    context.ShowMessage(
        "沒有" + PathToUtf8(store.server_data_folder / "") + std::string(kDayIndexName),
        MessageKind::kWarning);
    return outcome;
  }
  CommonItemTallies tallies = CountCommonItems(store, now, context);
  outcome.entries = tallies.entries;

  Database catalogue = Database::Open(WorkTreeCatalogue(work_tree));
  Transaction transaction(catalogue);
  catalogue.Execute("update DX set common=0");
  catalogue.Execute("update MX set common=0");
  {
    RecordSet diagnoses = catalogue.Query("select * from DX");
    outcome.common_diagnoses = MarkCommon(
        diagnoses, "ICD10", RankByCount(tallies.diagnoses, kCommonPlaces), Param(true), "common");
  }
  {
    RecordSet orders = catalogue.Query("select * from MX");
    const Param set(-1);
    outcome.common_orders =
        MarkCommon(orders, "INSUCODE", RankByCount(tallies.drop_orders, kCommonPlaces), set,
                   "common") +
        MarkCommon(orders, "INSUCODE", RankByCount(tallies.oral_orders, kCommonPlaces), set,
                   "common") +
        MarkCommon(orders, "INSUCODE", AllCodes(tallies.other_orders), set, "common");
  }
  transaction.Commit();
  outcome.screened = true;
  return outcome;
}

StepResult ScreenVisionWorkTree(ScreeningInput& input, const Workplace& place,
                                StepContext& context) {
  input.outcome = {};
  if (!CheckSourceSystem(SourceSystem::kVision, input.folder, kVisionWrongSystemUtf8, context) ||
      !ScreenWorkTree(input, place.now, context)) {
    return StepResult::kStopped;
  }
  if (context.StepMessages()) context.ShowMessage(kScreeningDoneUtf8);
  return StepResult::kDone;
}

StepResult ScreenRealSunWorkTree(ScreeningInput& input, const Workplace& place,
                                 StepContext& context) {
  input.outcome = {};
  if (!CheckSourceSystem(SourceSystem::kRealSun, input.folder, kRealSunWrongSystemUtf8, context)) {
    return StepResult::kStopped;
  }
  const std::filesystem::path clinic_folder =
      ClinicFolder(place.program_folder, kRealSunArea, big5::Trim(input.folder.clinic_id));
  if (!ResolvePath(clinic_folder, kCatalogueFileName) &&
      !ScreenWorkTree(input, place.now, context)) {
    return StepResult::kStopped;
  }
  if (context.StepMessages()) context.ShowMessage(kScreeningDoneUtf8);
  return StepResult::kDone;
}

}  // namespace zuvo
