#include "charts/realsun_dates.h"

#include <cctype>

#include "core/number_text.h"

namespace zuvo {
namespace {

std::string MonthDigits(RocMonth month) {
  std::string text = std::to_string(month.year);
  text += static_cast<char>('0' + month.month / 10);
  text += static_cast<char>('0' + month.month % 10);
  return text;
}

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

}  // namespace

std::optional<RocMonth> MonthOfRocDate(std::string_view roc_date) {
  if (roc_date.size() < 5 || !AllDigits(roc_date.substr(0, 5))) return std::nullopt;
  RocMonth month{static_cast<int>(IntegerOr(roc_date.substr(0, 3), 0)),
                 static_cast<int>(IntegerOr(roc_date.substr(3, 2), 0))};
  if (month.month < 1 || month.month > 12) return std::nullopt;
  return month;
}

RocMonth MonthOf(DateTime value) {
  CivilDateTime parts = DecodeDateTime(value);
  return {parts.year - 1911, parts.month};
}

std::string ClaimTableName(RocMonth month) { return "S/xp" + MonthDigits(month) + ".DBF"; }

std::string UploadTableName(RocMonth month) { return "IC/ic" + MonthDigits(month) + ".dbf"; }

std::optional<RocMonth> MonthOfUploadTable(std::string_view name) {
  auto lower = [](char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  };
  if (name.size() < 10 || name.size() > 11) return std::nullopt;
  if (lower(name[0]) != 'i' || lower(name[1]) != 'c') return std::nullopt;
  std::string_view extension = name.substr(name.size() - 4);
  if (extension[0] != '.' || lower(extension[1]) != 'd' || lower(extension[2]) != 'b' ||
      lower(extension[3]) != 'f') {
    return std::nullopt;
  }
  std::string_view digits = name.substr(2, name.size() - 6);
  if (!AllDigits(digits)) return std::nullopt;
  RocMonth month{static_cast<int>(IntegerOr(digits.substr(0, digits.size() - 2), 0)),
                 static_cast<int>(IntegerOr(digits.substr(digits.size() - 2), 0))};
  if (month.month < 1 || month.month > 12) return std::nullopt;
  return month;
}

}  // namespace zuvo
