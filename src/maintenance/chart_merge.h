#pragma once

// The merge of two data sets of one clinic (the merge page's "融合病歷"): a past set, whose
// split date says where it ends, and a recent set. The merged set, built anew in its own folder,
// is the past set's server folder with the recent set's front end, settings and staff file; every
// entry of the recent set dated on or after the past split date is appended to the merged chart
// store and linked into its patient's and its day's chains, and the recent patient records
// replace the past ones. The two sets are only read.

#include <cstddef>
#include <filesystem>
#include <string_view>

#include "core/step_context.h"
#include "core/step_result.h"
#include "core/workplace.h"
#include "maintenance/chart_set.h"

namespace zuvo {

inline constexpr std::string_view kSameClinicRequired =
    "錯誤:新舊病歷資料夾必定為同一個診所且都要指定資料夾";
inline constexpr std::string_view kPastSplitDateMissing = "錯誤:舊病歷資料夾未含切割日期註記";
inline constexpr std::string_view kRecentSplitDateLater =
    "錯誤:新病歷資料切割日期比舊病歷資料切割日期大,中間日期會遺漏";
// Followed by both set folders: "近期 " + recent + ",過去 " + past.
inline constexpr std::string_view kSetsOverlap =
    "錯誤:新舊病歷資料夾不能是同一個資料夾,也不能一個在另一個之內:";
inline constexpr std::string_view kMergedFolderOverlaps =
    "錯誤:融合後資料夾不能是新舊病歷資料夾,也不能在其中或包含它們";
inline constexpr std::string_view kMergedFolderOutsideArea =
    "錯誤:融合後資料夾必須在程式資料夾的KKK資料夾內";
inline constexpr std::string_view kMergeDone = "融合完成";

// What a merge wrote.
struct ChartMergeCounts {
  size_t patients = 0;         // recent patient records written
  size_t entries = 0;          // recent entries appended
  size_t dropped_entries = 0;  // damaged recent entries left out
};

struct ChartMergeFields {
  ChartSetFields recent;                // CnewPath, CnewName, CnewID, CnewSplitDate
  ChartSetFields past;                  // ColdPath, ColdName, ColdID, ColdSplitDate
  std::filesystem::path merged_folder;  // CcombinePath; empty: program folder/KKK/code/ROC date
  ChartMergeCounts merged;              // filled by the merge
};

// Merges a past and a recent chart set of one clinic (the window's "融合病歷", command merge).
// Refuses, with a message box and before anything is written: clinic codes that differ or are
// blank, or a set folder not given (kSameClinicRequired); two sets that are one folder, by a link
// or another name of it included, or one inside the other (kSetsOverlap and both folders: every
// visit would be taken twice); a past split date that is no ROC date (kPastSplitDateMissing); a
// recent split date after the past one (kRecentSplitDateLater); a merged folder that is, holds or
// lies in one of the sets (kMergedFolderOverlaps), or that does not lie below program folder/KKK,
// since it is deleted first (kMergedFolderOutsideArea). Then:
// - deletes and recreates the merged folder, locks its clinic folder (KKK/<code>) and records the
//   merge in it as a conversion (completed only when the merge ends), so that the merged set is
//   applied like a converted work tree;
// - copies the past Tolsern whole, the recent Corvix/CORVIX.INI, OPD.mdb, PERSONAL.mdb,
//   Tolsern/Tolsern.INI and the clinic folder's MEMBER.SCR over it;
// - for each recent patient 1..highest: walks his chain; entries dated before the past split
//   date are passed over, damaged ones listed ("病歷讀取錯誤:" + number) and left out, the others
//   appended oldest first, so that the merged chain keeps newest first; writes the recent record
//   (with its note) with the merged chain head;
// - copies the recent Paper folder and INSUdata/*.XML and the past INSUdata into the merged
//   clinic folder, and rebuilds the merged patient index Tolsern/PTdata.ind.
// The counts go to fields.merged. Copies that fail throw Error naming the file; so do file
// errors of the stores.
StepResult MergeChartSets(ChartMergeFields& fields, const Workplace& place, StepContext& context);

}  // namespace zuvo
