#include "charts/order_frequency.h"

#include <optional>

#include "catalogue/catalogue_settings.h"
#include "catalogue/dosing_frequency.h"
#include "charts/chart_clinic_file.h"
#include "core/step_context.h"
#include "platform/big5.h"
#include "platform/profile_file.h"

namespace zuvo {

UseMethodFixes::UseMethodFixes(std::unordered_map<std::string, std::string> fixes,
                               std::function<void(const std::string&)> record)
    : record_(std::move(record)) {
  for (auto& [key, value] : fixes) fixes_.try_emplace(big5::UpperAscii(key), std::move(value));
}

std::string UseMethodFixes::Apply(const std::string& code) const {
  auto found = fixes_.find(big5::UpperAscii(code));
  if (found == fixes_.end() || found->second.empty() || found->second == "X") return code;
  return found->second;
}

void UseMethodFixes::NoteUnreadable(const std::string& text) {
  if (!fixes_.try_emplace(big5::UpperAscii(text), "X").second) return;
  if (record_) record_(text);
}

UseMethodFixes ClinicUseMethodFixes(ProfileFile& data_ini, StepContext& context) {
  return UseMethodFixes(ReadSectionMap(data_ini, kUseMethodFixSection),
                        [&data_ini, &context](const std::string& text) {
                          data_ini.WriteString(big5::Literal(kUseMethodFixSection), text, "X");
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
