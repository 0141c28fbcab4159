#pragma once

// The default dosing frequency of a catalogue order (MX.UseMethod and MX.RateIndex) from the
// frequency the clinic typed, with the rate table of the CORVIX.INI template and the clinic's
// corrections in data.ini [UseMethodFix].

#include <string>
#include <string_view>

#include "catalogue/catalogue_settings.h"
#include "workspace/section_map.h"

namespace zuvo {

class ClinicSettings;

// The clinic's frequency fixes: source frequency text = frequency code to use instead. A value "X"
// (which the visit steps write for a text still to be fixed) or an empty one fixes nothing.
class FrequencyFixes {
 public:
  static FrequencyFixes Read(const ClinicSettings& settings);
  // The code to use for `big5_text`, or null when the clinic has fixed none.
  const std::string* Find(std::string_view big5_text) const;
  // True when the clinic lists `big5_text`, with a code or without.
  bool Lists(std::string_view big5_text) const { return fixes_.Contains(big5_text); }

 private:
  SectionMap fixes_;
};

struct DefaultFrequency {
  std::string use_method;  // Big5
  int rate_index = 0;
  bool unknown = false;  // the caller lists "不明使用頻率:" + the text
};

// How a frequency that is no rate-table code is read.
enum class FrequencyReadingOrder {
  kInterpretThenFix,  // FrequencyInterpret first; [UseMethodFix] for what it cannot read
  kFixOnly,           // [UseMethodFix] only
};

// `text` (Big5, trimmed) as UseMethod and RateIndex: a rate-table code (with a rate other than
// 0) stays with its rate; an empty text stays with rate 0. Otherwise, by `order`, the code and
// rate FrequencyInterpret reads, or the clinic's fix with its rate-table rate (FrequencyInterpret's
// rate of the fix when the rate table lacks it); when neither serves, the text stays with rate 0
// and `unknown` is set.
DefaultFrequency ResolveDefaultFrequency(std::string_view text, const RateTable& rates,
                                         const FrequencyFixes& fixes, FrequencyReadingOrder order);

}  // namespace zuvo
