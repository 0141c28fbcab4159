#pragma once

// A converted data set of one clinic, as the merge takes it: a folder holding Corvix (front end:
// CORVIX.INI, OPD.mdb, PERSONAL.mdb) and Tolsern (server: Tolsern.INI and the clinic folder
// Tolsern/<code>/ with the stores, MEMBER.SCR, INSUdata/ and Paper/). Its front-end settings
// record the clinic and the date at which the set was split from the clinic's other set.

#include <filesystem>
#include <string>
#include <string_view>

#include "core/step_context.h"
#include "core/step_result.h"
#include "core/store_location.h"
#include "core/workplace.h"

namespace zuvo {

// The merged sets lie in program folder / KKK / <code> / <ROC date>.
inline constexpr std::string_view kMergeArea = "KKK";

struct ChartSetFields {
  std::filesystem::path folder;  // CnewPath / ColdPath
  std::string clinic_name;       // Big5, CORVIX.INI [System] 診所名稱
  std::string clinic_code;       // Big5, 診所健保代碼
  std::string split_date;        // ROC yyymmdd, 切割日期
};

// set folder / Corvix / CORVIX.INI (any letter case).
std::filesystem::path ChartSetSettingsFile(const std::filesystem::path& set_folder);
// Fills name, code and split date from the set's CORVIX.INI. Without the file the name and code
// are cleared and the split date keeps its text; false then.
bool ReadChartSetSettings(ChartSetFields& set);
// The clinic folder of the set's stores: set folder / Tolsern / trimmed code, and the set's
// patient index Tolsern/PTdata.ind.
StoreLocation ChartSetStore(const std::filesystem::path& set_folder, std::string_view code);
// program folder / KKK / trimmed code / ROC date of `now`. Throws Error for a code that cannot
// name a folder.
std::filesystem::path MergedFolderFor(const std::filesystem::path& program_folder,
                                      std::string_view code, DateTime now);

// Which of the two sets a folder choice fills.
enum class ChartSetRole { kRecent, kPast };

// A folder choice of the merge page.
struct ChartSetChoice {
  ChartSetRole role = ChartSetRole::kRecent;
  ChartSetFields set;                   // the set the choice fills
  std::filesystem::path merged_folder;  // CcombinePath; today's folder of a chosen set's clinic
};

// CsetNewPathClick / CsetOldPathClick: asks for the set's folder ("選擇近期病歷資料夾" or
// "選擇過去病歷資料夾"), starting at `input.set.folder` when it exists, else at the program
// folder; reads its settings into `input.set`; with a clinic code, creates the merged folder of
// place.now with its Tolsern and Corvix folders and puts it in `input.merged_folder`. Cancelling
// changes nothing (kStopped). Throws Error for a code that cannot name a folder, and when the
// merged folder cannot be made; the set's fields are filled by then.
StepResult ChooseChartSet(ChartSetChoice& input, const Workplace& place, StepContext& context);

}  // namespace zuvo
