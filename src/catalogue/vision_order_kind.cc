#include "catalogue/vision_order_kind.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "catalogue/big5_words.h"
#include "catalogue/package_unit.h"
#include "platform/big5.h"

namespace zuvo {
namespace {

constexpr std::string_view kEachUnit = "次(個)";

struct UnitText {
  std::string_view dum1;  // the raw unit text
  std::string unit;       // U: the name of the unit the text reads as (Big5)
  std::string odd;        // X: the text when it is not a unit word (Big5), else empty
};

bool UnitIs(const UnitText& u, std::initializer_list<std::string_view> names) {
  return std::any_of(names.begin(), names.end(),
                     [&](std::string_view name) { return u.unit == big5::Literal(name); });
}

bool OddHas(const UnitText& u, std::string_view word) { return ContainsWord(u.odd, word); }

VisionOrderKind Of(std::string_view order_class, std::string unit_name) {
  return {false, std::string(order_class), std::move(unit_name), {}};
}

VisionOrderKind Each(std::string_view order_class) {
  return Of(order_class, big5::Literal(kEachUnit));
}

// Unit-based fallbacks shared by kinds "02" and "03".
std::optional<VisionOrderKind> ByUnitName(const UnitText& u, bool vial_is_injection) {
  if (UnitIs(u, {"tab", "box", "bot"})) return Of("oral", u.unit);
  if (UnitIs(u, {"amp", "ml"}) || (vial_is_injection && UnitIs(u, {"vial"}))) {
    return Of("inj", u.unit);
  }
  if (UnitIs(u, {"tube"})) return Of("topical", u.unit);
  if (UnitIs(u, {kEachUnit})) return Of("OPD", u.unit);
  return std::nullopt;
}

// Kind "02".
VisionOrderKind RuleB(const UnitText& u) {
  if (OddHas(u, "包")) {
    return ContainsWord(u.dum1, "彈繃") ? Each("material") : Of("oral", "tab");
  }
  if (OddHas(u, "支")) return Of("inj", "vial");
  if (OddHas(u, "次")) return Each("OPD");
  if (auto by_unit = ByUnitName(u, true)) return *by_unit;
  return Of("OPD", u.unit);
}

// Kind "03".
VisionOrderKind RuleC(const UnitText& u) {
  if (UnitIs(u, {"vial"})) return Of("inj", u.unit);
  if (OddHas(u, "包")) {
    return ContainsWord(u.dum1, "棉棒") ? Each("material") : Of("oral", "tab");
  }
  if (OddHas(u, "條")) return Of("topical", "tube");
  if (OddHas(u, "次")) return Each("OPD");
  if (OddHas(u, "瓶")) return Of("drop", "bot");
  if (OddHas(u, "盒")) return Each("material");
  if (auto by_unit = ByUnitName(u, false)) return *by_unit;
  return Of("OPD", u.unit);
}

std::string KindProblem(std::string_view kind, std::string_view odd, std::string_view source) {
  return "分類碼錯誤:" + big5::ToUtf8Escaped(kind) + "," + big5::ToUtf8Escaped(odd) + ",[" +
         big5::ToUtf8Escaped(source) + "]";
}

// Kind "04": injections; the unit comes from the odd unit text when there is one.
VisionOrderKind RuleD(const UnitText& u, std::string_view source_code) {
  VisionOrderKind result = Of("inj", u.unit);
  if (u.odd.empty()) return result;
  if (OddHas(u, "支") || OddHas(u, "VL") || ContainsWordIgnoringCase(u.odd, "VIL")) {
    result.unit_name = "vial";
  } else if (OddHas(u, "瓶") || ContainsWordIgnoringCase(u.odd, "BOT")) {
    result.unit_name = "bot";
  } else if (big5::UpperAscii(u.odd) == "AP" || ContainsWordIgnoringCase(u.odd, "AM")) {
    result.unit_name = "amp";
  } else {
    result.problem = KindProblem("04", u.odd, source_code);
  }
  return result;
}

// A clinic's own package codes: five digits forming a positive number and "B" or "C".
bool IsClinicPackageCode(std::string_view source_code) {
  if (source_code.size() != 6 || (source_code[5] != 'B' && source_code[5] != 'C')) return false;
  int number = 0;
  auto [end, error] = std::from_chars(source_code.data(), source_code.data() + 5, number);
  return error == std::errc() && end == source_code.data() + 5 && number > 0;
}

bool IsOneOf(std::string_view kind, std::initializer_list<std::string_view> kinds) {
  return std::find(kinds.begin(), kinds.end(), kind) != kinds.end();
}

}  // namespace

VisionOrderKind ClassifyVisionOrder(std::string_view kind, std::string_view unit_text,
                                    std::string_view code, std::string_view source_code) {
  if (kind == "ZZ" || kind == "99") return {true, {}, {}, {}};
  UnitReading reading = UnitCode(unit_text);
  UnitText u{unit_text, UnitName(reading.code), reading.unrecognised};
  if (kind == "01" || kind == "12") return Of(kind == "01" ? "OPD" : "oral", u.unit);
  if (kind == "02") return RuleB(u);
  if (kind == "03") return RuleC(u);
  if (kind == "04") return RuleD(u, source_code);
  if (IsOneOf(kind, {"05", "06", "07", "09", "9", "15"})) return Each("OPD");
  if (kind == "10") return Each("operate");
  if (kind == "0" || kind == "2") return Of("oral", "tab");
  VisionOrderKind result = Each("OPD");
  if (kind.empty()) {
    if (!code.empty() && code != "123456" && !u.odd.empty()) {
      result.problem = KindProblem(kind, u.odd, source_code);
    }
  } else if (!IsClinicPackageCode(source_code)) {
    result.problem =
        KindProblem(kind, u.odd.empty() ? big5::Literal(kEachUnit) : u.odd, source_code);
  }
  return result;
}

}  // namespace zuvo
