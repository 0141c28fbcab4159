#include "charts/realsun_payment_percentage.h"

#include <algorithm>
#include <limits>

#include "charts/order_kind.h"
#include "platform/big5.h"

namespace zuvo {
namespace {

// The surcharge steps: infant, up to 2 years, up to 6 years, older.
struct AgeSteps {
  int infant, to_two, to_six, older;
};

constexpr AgeSteps kFeeMarkF{20000, 18000, 16000, 10000};
constexpr AgeSteps kFeeMarkE{16000, 13000, 12000, 10000};
constexpr AgeSteps kSurgery{25300, 23300, 21300, 15300};
constexpr AgeSteps kPathology{16000, 13000, 12000, 10000};  // codes 960...
constexpr int kSurgeryEmergency = 3000;
constexpr int kPathologyEmergency = 2000;
constexpr int kPathologySurcharge = 5000;
constexpr int kMaterialPercentage = 10500;
constexpr int kFull = 10000;
constexpr int16_t kFlagsNoClaimPercentage = 0x0200;
constexpr std::string_view kPathologyWithoutSurcharge[] = {"96002C", "96003C", "96023B", "96025B",
                                                           "96026B"};

// Whether the Big5 `text` holds the single-byte character `c` (a trail byte is no character).
bool HasCharacter(std::string_view text, char c) {
  bool found = false;
  big5::ForEachChar(text, [&](std::string_view character, size_t) {
    found |= character.size() == 1 && character[0] == c;
  });
  return found;
}

int MonthNumber(DateTime date) {
  CivilDateTime parts = DecodeDateTime(date);
  return parts.year * 100 + parts.month;
}

int StepOf(const AgeSteps& steps, bool infant, int years) {
  if (infant) return steps.infant;
  if (years <= 2) return steps.to_two;
  if (years <= 6) return steps.to_six;
  return steps.older;
}

// 100 × the number after "(U" up to ")" in the mark; 0 without one.
int UnitSurcharge(std::string_view mark) {
  size_t at = mark.find("(U");
  if (at == std::string_view::npos) return 0;
  int number = 0;
  for (size_t i = at + 2; i < mark.size() && mark[i] != ')'; ++i) {
    if (mark[i] < '0' || mark[i] > '9') break;
    number = number * 10 + (mark[i] - '0');
  }
  return 100 * number;
}

}  // namespace

int16_t PaymentPercentage(int16_t kind, std::string_view code, std::string_view mark,
                          bool emergency, DateTime birth_date, DateTime visit_date, int16_t flags) {
  const bool known_birth = birth_date != 0;
  const bool infant = known_birth && MonthNumber(visit_date) - MonthNumber(birth_date) <= 5;
  const int years =
      known_birth ? DecodeDateTime(visit_date).year - DecodeDateTime(birth_date).year : 1000;
  int percentage = 0;
  if ((kind & order_kind::kDrugMask) != 0) {
    percentage = kFull;
  } else if (kind == order_kind::kOpd || kind == order_kind::kSpecial) {
    if (HasCharacter(mark, 'F')) {
      percentage = StepOf(kFeeMarkF, infant, years);
    } else if (HasCharacter(mark, 'E')) {
      percentage = StepOf(kFeeMarkE, infant, years);
    } else {
      percentage = kFull;
    }
    percentage += UnitSurcharge(mark);
  } else if (kind == order_kind::kOperation) {
    if (code.substr(0, 3) != "960") {
      percentage = StepOf(kSurgery, infant, years) + (emergency ? kSurgeryEmergency : 0);
    } else {
      percentage = StepOf(kPathology, infant, years) + (emergency ? kPathologyEmergency : 0);
      bool without = false;
      for (std::string_view listed : kPathologyWithoutSurcharge) without |= code == listed;
      if (!without) percentage += kPathologySurcharge;
    }
  } else if (kind == order_kind::kMaterial) {
    percentage = kMaterialPercentage;
  } else if ((flags & kFlagsNoClaimPercentage) != 0) {
    percentage = kFull;
  }
  return static_cast<int16_t>(std::min(percentage, int{std::numeric_limits<int16_t>::max()}));
}

}  // namespace zuvo
