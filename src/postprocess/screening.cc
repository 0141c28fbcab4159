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

ScreeningOutcome ScreenClinicWorkTree(const std::filesystem::path& work_tree,
                                      std::string_view clinic_id, DateTime now,
                                      StepContext& context) {
  ScreeningOutcome outcome =
      ScreenCommonItems(work_tree, WorkTreeStoreLocation(work_tree, clinic_id), now, context);
  if (!outcome.screened) return outcome;
  context.AddLine(kScreeningDoneUtf8);
  if (context.StepMessages()) context.ShowMessage(kScreeningDoneUtf8);
  return outcome;
}

StepResult ScreenRealSunWorkTree(const std::filesystem::path& program_folder,
                                 const ClinicFolderFields& folder, DateTime now,
                                 StepContext& context) {
  if (!CheckSourceSystem(SourceSystem::kRealSun, folder, kRealSunWrongSystemUtf8, context)) {
    return StepResult::kStopped;
  }
  const std::filesystem::path& work_tree = folder.work_tree;
  const std::string_view clinic_id = folder.clinic_id;
  std::filesystem::path clinic_folder =
      ClinicFolder(program_folder, kRealSunArea, big5::Trim(clinic_id));
  if (!ResolvePath(clinic_folder, kCatalogueFileName)) {
    if (!ScreenCommonItems(work_tree, WorkTreeStoreLocation(work_tree, clinic_id), now, context)
             .screened) {
      return StepResult::kStopped;
    }
    context.AddLine(kScreeningDoneUtf8);
  }
  if (context.StepMessages()) context.ShowMessage(kScreeningDoneUtf8);
  return StepResult::kDone;
}

}  // namespace zuvo
