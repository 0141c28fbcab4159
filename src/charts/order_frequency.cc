#include "charts/order_frequency.h"

#include <optional>

#include "catalogue/catalogue_settings.h"
#include "catalogue/dosing_frequency.h"
#include "core/step_context.h"
#include "platform/big5.h"
#include "workspace/clinic_settings.h"

namespace zuvo {

UseMethodFixes::UseMethodFixes(FrequencyFixes fixes, std::function<void(const std::string&)> record)
    : fixes_(std::move(fixes)), record_(std::move(record)) {}

std::string UseMethodFixes::Apply(const std::string& code) const {
  const std::string* fix = fixes_.Find(code);
  return fix == nullptr ? code : *fix;
}

void UseMethodFixes::NoteUnreadable(const std::string& text) {
  if (fixes_.Lists(text) || !noted_.insert(big5::UpperAscii(text)).second) return;
  if (record_) record_(text);
}

UseMethodFixes ClinicUseMethodFixes(ClinicSettings& settings, StepContext& context) {
  return UseMethodFixes(FrequencyFixes::Read(settings),
                        [&settings, &context](const std::string& text) {
                          settings.NoteUnreadableFrequency(text);
                          context.AddLine("不明使用頻率語法:[" + big5::ToUtf8Escaped(text) + "]");
                        });
}

ResolvedFrequency ResolveFrequency(std::string text, const RateTable* rates,
                                   UseMethodFixes* fixes) {
  if (fixes != nullptr) text = fixes->Apply(text);
  std::optional<int> rate = rates != nullptr ? rates->Find(text) : std::nullopt;
  if (rate) return {std::move(text), *rate};
  FrequencyReading reading = FrequencyInterpret(text);
  if (!reading.unrecognised.empty() && fixes != nullptr) {
    fixes->NoteUnreadable(reading.unrecognised);
  }
  return {std::move(reading.code), reading.rate_index};
}

}  // namespace zuvo
