#pragma once

// The chart part of the anonymiser: in every visit record of every chart file the doctor's name
// and ID become the placeholders 霧甲乙 / M123456789, and, unless the prescription was released
// to an outside pharmacy (a pharmacist name starting with "釋出"), the pharmacist's become
// 雲藥師 / M123456798; the parent's name and ID of a newborn's visit on a parent's card are
// cleared. Where the chart texts, exam texts, texts of tag 60, order remarks and findings name a
// patient or give his national ID, the mention is replaced by one of the same byte length (see
// PatientTextScrubber). Nothing else of a chart file changes: no length, block or chain moves.

#include <cstddef>
#include <string_view>

#include "core/step_context.h"
#include "core/store_location.h"
#include "maintenance/patient_text_scrubber.h"

namespace zuvo {

inline constexpr std::string_view kDoctorPlaceholderNameUtf8 = "霧甲乙";
inline constexpr std::string_view kDoctorPlaceholderId = "M123456789";
inline constexpr std::string_view kPharmacistPlaceholderNameUtf8 = "雲藥師";
inline constexpr std::string_view kPharmacistPlaceholderId = "M123456798";

struct ChartAnonymiseResult {
  size_t files = 0;
  size_t visits = 0;
  size_t mentions = 0;   // patients' names and IDs replaced in texts
  bool complete = true;  // false when a damaged file stopped it
};

// AnonymiseCharts: the chart files in the order of their file codes, each read whole from its
// start, entry after entry, and replaced at once. A damaged entry stops the whole part there,
// with a message box: file + " 開頭IDcode錯誤" + tag for an entry that does not start with a
// header, file + " 欄位錯誤" for a block that is not one of an entry's, file + " 病歷表頭錯誤"
// for a header without the chart signature. What was changed before it stays.
ChartAnonymiseResult AnonymiseCharts(const StoreLocation& store,
                                     const PatientTextScrubber& mentions, StepContext& context);

}  // namespace zuvo
