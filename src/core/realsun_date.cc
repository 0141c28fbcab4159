#include "core/realsun_date.h"

#include <algorithm>
#include <optional>

namespace zuvo {
namespace {

constexpr size_t kYearDigits = 3;

bool AllDigits(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::string RealSunDateText(std::string_view trimmed) {
  if (!trimmed.empty() && (trimmed[0] == 'A' || trimmed[0] == 'B')) {
    return std::string(trimmed[0] == 'A' ? "10" : "11") + std::string(trimmed.substr(1));
  }
  return "0" + std::string(trimmed);
}

RealSunBirthday ReadRealSunBirthday(std::string_view trimmed) {
  const std::string roc = RealSunDateText(trimmed);
  if (roc.size() != 7 || !AllDigits(std::string_view(roc).substr(0, kYearDigits))) return {};
  const DateTime date = RocDateToDate(roc);
  return {date, date != 0 && TypedRocDate(roc).has_value()};
}

}  // namespace zuvo
