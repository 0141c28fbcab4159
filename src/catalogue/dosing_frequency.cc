#include "catalogue/dosing_frequency.h"

#include "catalogue/big5_words.h"
#include "platform/big5.h"

namespace zuvo {
namespace {

constexpr int kOnce = 1000, kTwice = 2000, kThrice = 3000, kFourTimes = 4000;

}  // namespace

FrequencyReading FrequencyInterpret(std::string_view big5_text) {
  const std::string text = big5::UpperAscii(big5::Trim(big5_text));
  // The first two bytes: a double-byte character is two bytes.
  const std::string_view prefix = std::string_view(text).substr(0, 2);
  auto prefix_is = [&](std::initializer_list<std::string_view> prefixes) {
    for (std::string_view candidate : prefixes) {
      if (prefix == candidate) return true;
    }
    return false;
  };
  auto text_is = [&](std::initializer_list<std::string_view> texts) {
    for (std::string_view candidate : texts) {
      if (text == candidate) return true;
    }
    return false;
  };

  if (text.empty()) return {"ASORDER", kOnce, ""};
  if (prefix_is({"HS"})) return {"QDHS", kOnce, ""};
  if (prefix_is({"IM", "ST", "SC"}) || text_is({"S"})) return {"STATE", kOnce, ""};
  if (text_is({"PRN", "QD"})) return {text, kOnce, ""};
  if (prefix_is({"PR"}) || text_is({"X"}) || text.front() == '2' || text.front() == '1') {
    return {"PRN", kOnce, ""};
  }
  if (prefix_is({"QD"})) return {"QD", kOnce, ""};
  if (text_is({"BID"})) return {text, kTwice, ""};
  if (prefix_is({"BI"})) return {"BID", kTwice, ""};
  if (text_is({"TID", "3"})) return {text, kThrice, ""};
  if (prefix_is({"TI"})) return {"TID", kThrice, ""};
  if (text_is({"Q8H"})) return {text, kThrice, ""};
  if (prefix_is({"Q8"})) return {"Q8H", kThrice, ""};
  if (text_is({"Q6H", "QID"})) return {text, kFourTimes, ""};
  if (prefix_is({"QI"}) || text_is({"4"})) return {"QID", kFourTimes, ""};
  if (prefix_is({"Q6"})) return {"Q6H", kFourTimes, ""};

  const bool without_frequency =
      ContainsWord(text, "處") || prefix == big5::Literal("檢") || prefix == big5::Literal("手");
  return {"ASORDER", kOnce, without_frequency ? "" : text};
}

}  // namespace zuvo
