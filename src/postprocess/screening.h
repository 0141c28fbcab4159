#pragma once

// The screening of common items: after the charts of a clinic are converted, the diagnoses and
// orders used most in the last two years get the catalogue flag `common` ("常用") in the work
// tree's Corvix/OPD.mdb: the 80 most frequent diagnoses, the 80 most frequent "drop" orders, the
// 80 most frequent "oral" orders and every other order that occurs at all. Every other DX and MX
// row loses the flag.

#include <filesystem>

#include "core/roc_date.h"
#include "core/step_context.h"
#include "core/step_result.h"
#include "core/store_location.h"
#include "core/workplace.h"
#include "workspace/clinic_fields.h"

namespace zuvo {

inline constexpr size_t kCommonPlaces = 80;
inline constexpr std::string_view kScreeningDoneUtf8 = "篩選常用診斷及醫令完成";

// What one screening did, for the callers' reports.
struct ScreeningOutcome {
  bool screened = false;  // false: no day index, nothing changed
  long entries = 0;
  size_t common_diagnoses = 0;  // DX rows set
  size_t common_orders = 0;     // MX rows set
};

// Counts the chart store `store` (the server data folder of `work_tree`) as of `now` and rewrites
// the `common` flags of work tree/Corvix/OPD.mdb in one transaction. Without DayLink.Dat it shows
// "沒有" + the server data folder + "DayLink.Dat" and changes nothing. A code ranked among the 80
// without a catalogue row still takes its place. File and database errors throw Error.
ScreeningOutcome ScreenCommonItems(const std::filesystem::path& work_tree,
                                   const StoreLocation& store, DateTime now, StepContext& context);

// The screening steps' fields, and what the screening did.
struct ScreeningInput {
  ClinicFolderFields folder;  // his, work_tree, clinic_id
  // Filled by the step: what was counted and marked (screened false when nothing was).
  ScreeningOutcome outcome = {};
};

// The Vision window's button "篩選常用診斷及醫令" (handler CscreenMXDXClick): refuses another
// system with "請先正確選取原始系統目錄" (kStopped); screens the work tree of `input.folder` as
// of place.now, adds "篩選常用診斷及醫令完成" to the list and shows it when StepMessages is set.
// Without a day index nothing is screened, no completion is reported, and the step ends
// kStopped.
StepResult ScreenVisionWorkTree(ScreeningInput& input, const Workplace& place,
                                StepContext& context);

// The RealSun page's button (handler CRSscreenMXDXClick) on the clinic of `input.folder` (its
// HIS field, work tree and code): refuses another system with "請先選取正確耀聖來源目錄"
// (kStopped). A clinic folder (place.program_folder/RS/<code>) holding a prepared OPD.mdb keeps
// its catalogue as prepared and nothing is screened; otherwise the work tree is screened as of
// place.now and the line added. The completion box follows when StepMessages is set, unless a
// missing day index left the catalogue unscreened (kStopped).
StepResult ScreenRealSunWorkTree(ScreeningInput& input, const Workplace& place,
                                 StepContext& context);

}  // namespace zuvo
