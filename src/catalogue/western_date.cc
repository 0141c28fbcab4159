#include "catalogue/western_date.h"

#include "core/number_text.h"
#include "platform/big5.h"

namespace zuvo {

DateTime ParseWesternDate(std::string_view big5_text, const MessageSink& show) {
  constexpr size_t kLength = 8;
  if (big5_text.size() != kLength) return 0;
  const auto year = IntegerOr(big5_text.substr(0, 4), 0);
  const auto month = IntegerOr(big5_text.substr(4, 2), 1);
  const auto day = IntegerOr(big5_text.substr(6, 2), 1);
  std::optional<DateTime> date =
      EncodeDate(static_cast<int>(year), static_cast<int>(month), static_cast<int>(day));
  if (!date) {
    show(big5::ToUtf8Escaped(big5_text) + " 不能轉換成日期單位");
    return 0;
  }
  return *date;
}

}  // namespace zuvo
