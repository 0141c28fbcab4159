#pragma once

// The RealSun page's step "用健保申報檔修正病歷": the clinic's monthly NHI claim archives
// (source folder/02/<yyymm>XML.zip, each holding the claim document TOTFA.XML) correct the
// converted work tree in place. For each claim the patient is found by national ID in the
// rebuilt patient index; the patient record takes the claimed co-payment, and every visit of
// the patient with the claimed health-card sequence on the claimed day takes the claim's values,
// its order lines those of the claim's order line with the same NHI code. No entry is appended
// and no chain changes, so running the step twice gives the same files.

#include <string>
#include <vector>

#include "core/step_context.h"
#include "core/step_result.h"
#include "core/workplace.h"
#include "postprocess/realsun_claim_archive.h"
#include "workspace/clinic_fields.h"
#include "workspace/split_date.h"

namespace zuvo {

inline constexpr std::string_view kClaimsDoneUtf8 = "病歷修正完成";
// Below the work tree: where each month's archive is extracted, emptied before every month and
// removed when the step ends.
inline constexpr std::string_view kClaimScratchFolderName = "INSUunzip";
// Below the server data folder: the reference copies M<yyymm>.XML of the claim documents.
inline constexpr std::string_view kClaimReferenceFolderName = "INSUdata";

struct RealSunClaimsInput {
  ClinicFolderFields
      folder;          // his ("耀聖"), source_folder (CRSdir), work_tree, clinic_id, start_date
  ChartOptions chart;  // split_date, mode
  // What one month's archive may expand to (tests set less).
  unsigned long long archive_limit = kMaxClaimArchiveBytes;
  // Filled by the step: the months ("10801") whose archive it had to skip.
  std::vector<std::string> skipped_months = {};
};

// The closing warning of a step that skipped months, before their list ("10801,10803").
inline constexpr std::string_view kClaimMonthsSkippedUtf8 =
    "下列月份的申報檔無法讀取,病歷沒有用它們修正:";

// Runs the correction (handler CRSfixbyINSUClick).
//
// Stops with a message box (kStopped) before anything is written for another system, a split
// date that is not blank and no date, a clinic code that names no folder, and a work tree without
// its server data folder. A blank split date becomes tomorrow (written back) in either mode.
//
// Months: from ROC 101/08 in mode "之前日期", else from the split date's month, through the
// month of place.now; a month before the opening month (input.folder.start_date) or without an
// archive is passed over. Before each month and each claim pending events are processed and the
// stop flag ends the step's work there (the step then ends as usual).
//
// Listed and passed over: a claim whose ID the index does not hold ("病人資料庫內找不到ID:"), a
// claim whose d27 or d44 is not an integer, an unknown co-payment code (corrected as "000"), a
// damaged entry ("病歷讀取錯誤"). Shown, ending the month: a claim document that cannot be read
// (archive name + "內XML格式錯誤"). A chart file missing from a patient's chain
// ("沒有fileCode[...") ends the step without the completion box (kStopped). File errors of the
// work tree throw Error; corrections written stay.
//
// Skipped months: an archive that expands to more than input.archive_limit (never more than that
// is written into the work tree), is damaged, cut off or no zip archive, has a member that would
// land outside the extraction folder, or holds no TOTFA.XML is listed with its name (which holds
// the month) and the reason, and the step goes on with the next month. Such months go to
// input.skipped_months; at the end they are listed and shown (kClaimMonthsSkippedUtf8 + months),
// and the step still ends kDone: the other months are corrected, the work tree is whole, and the
// step can run again once the archive is replaced.
//
// The completion "病歷修正完成" is listed, and shown when StepMessages is set.
StepResult CorrectRealSunCharts(RealSunClaimsInput& input, const Workplace& place,
                                StepContext& context);

}  // namespace zuvo
