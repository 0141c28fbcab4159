#pragma once

// The screening of common items: after the charts of a clinic are converted, the diagnoses and
// orders used most in the last two years get the catalogue flag `common` ("常用") in the work
// tree's Corvix/OPD.mdb: the 80 most frequent diagnoses, the 80 most frequent "drop" orders, the
// 80 most frequent "oral" orders and every other order that occurs at all. Every other DX and MX
// row loses the flag.

#include <filesystem>
#include <string>

#include "core/roc_date.h"
#include "core/step_context.h"
#include "core/step_result.h"
#include "core/store_location.h"
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

// The Vision window's button "篩選常用診斷及醫令": screens the work tree `work_tree` of the
// clinic `clinic_id` (Big5) as of `now`, adds "篩選常用診斷及醫令完成" to the list and shows it
// when StepMessages is set. Without a day index nothing is screened and no completion is reported.
ScreeningOutcome ScreenClinicWorkTree(const std::filesystem::path& work_tree,
                                      std::string_view clinic_id, DateTime now,
                                      StepContext& context);

// The RealSun page's button on the clinic of `folder` (its HIS field, work tree and code): refuses
// another system with "請先選取正確耀聖來源目錄" (kStopped). A clinic folder
// (program folder/RS/<code>) holding a prepared OPD.mdb keeps its
// catalogue as prepared and nothing is screened; otherwise the work tree is screened and the
// line added. The completion box follows when StepMessages is set, unless a missing day index
// left the catalogue unscreened.
StepResult ScreenRealSunWorkTree(const std::filesystem::path& program_folder,
                                 const ClinicFolderFields& folder, DateTime now,
                                 StepContext& context);

}  // namespace zuvo
