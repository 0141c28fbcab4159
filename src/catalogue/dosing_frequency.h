#pragma once

// Dosing frequencies: a frequency code ("TID") and its rate index, doses per day × 1000.

#include <string>
#include <string_view>

namespace zuvo {

struct FrequencyReading {
  std::string code;  // Big5 (the codes the routine makes up are ASCII)
  int rate_index = 0;
  // Empty when the frequency is recognised; otherwise the upper-cased, trimmed text, which the
  // caller looks up in the clinic's [UseMethodFix] or reports.
  std::string unrecognised;
};

// Interprets a frequency typed by the clinic (Big5). The first two bytes of the upper-cased
// text decide most cases ("TID1" reads as TID); an empty text is "ASORDER" once a day, and so
// is anything unknown, which is handed back as unrecognised unless it holds "處" or starts with
// "檢" or "手" (procedures and examinations, which have no frequency).
FrequencyReading FrequencyInterpret(std::string_view big5_text);

}  // namespace zuvo
