#include "catalogue/default_frequency.h"

#include "catalogue/dosing_frequency.h"
#include "workspace/clinic_settings.h"

namespace zuvo {

FrequencyFixes FrequencyFixes::Read(const ClinicSettings& settings) {
  FrequencyFixes fixes;
  fixes.fixes_ = SectionMap(settings.FrequencyCorrections());
  return fixes;
}

const std::string* FrequencyFixes::Find(std::string_view big5_text) const {
  const std::string* fix = fixes_.Find(big5_text);
  if (fix == nullptr || fix->empty() || *fix == "X") return nullptr;
  return fix;
}

DefaultFrequency ResolveDefaultFrequency(std::string_view text, const RateTable& rates,
                                         const FrequencyFixes& fixes, FrequencyReadingOrder order) {
  DefaultFrequency result{std::string(text), rates.Find(text).value_or(0), false};
  if (text.empty() || result.rate_index != 0) return result;
  if (order == FrequencyReadingOrder::kInterpretThenFix) {
    FrequencyReading reading = FrequencyInterpret(text);
    if (reading.unrecognised.empty()) return {reading.code, reading.rate_index, false};
  }
  if (const std::string* fix = fixes.Find(text)) {
    return {*fix, rates.Find(*fix).value_or(FrequencyInterpret(*fix).rate_index), false};
  }
  result.unknown = true;
  return result;
}

}  // namespace zuvo
