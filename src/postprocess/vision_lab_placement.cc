#include "postprocess/vision_lab_placement.h"

#include <optional>

#include "core/number_text.h"
#include "platform/big5.h"

namespace zuvo {
namespace {

constexpr std::string_view kSectionBegin = "SectionBegin";
constexpr std::string_view kSectionEnd = "SectionEnd";
constexpr std::string_view kStandAloneEnd = "1";

std::string U(std::string_view utf8) { return big5::Literal(utf8); }

enum class Conversion { kNone, kUrineProtein, kHepatitisB, kHepatitisC };

Conversion ConversionOf(const std::string& target) {
  if (target.find(U("尿液蛋白質")) != std::string::npos) return Conversion::kUrineProtein;
  if (target.find(U("成人健檢_B型肝炎表面抗原")) != std::string::npos) {
    return Conversion::kHepatitisB;
  }
  if (target.find(U("成人健檢_C型肝炎抗體")) != std::string::npos) return Conversion::kHepatitisC;
  return Conversion::kNone;
}

bool Holds(const SectionLine& line, const std::string& target) {
  return (line.name + "=" + line.value).find(target) != std::string::npos;
}

void Store(VisitSections& visit, size_t at, const std::string& value, const std::string& stamp) {
  visit.lines[at].value = value;
  for (size_t end = at; end < visit.lines.size(); ++end) {
    if (visit.lines[end].name == kSectionEnd) {
      visit.lines[end].stamp = stamp;
      return;
    }
  }
}

void AddSection(VisitSections& visit, const std::string& name, const std::string& field,
                const std::string& value) {
  visit.lines.push_back({name, std::string(kSectionBegin), false, {}});
  visit.lines.push_back({field, value, false, {}});
  visit.lines.push_back({std::string(kSectionEnd), std::string(kStandAloneEnd), false, {}});
}

std::string SectionNameOf(const std::string& path) {
  const size_t underscore = path.find('_');
  return underscore == std::string::npos ? path : big5::Trim(path.substr(0, underscore));
}

// The companion field next to which an item without a field of its own is put.
std::optional<std::string> AnchorOf(const std::string& path) {
  const std::string upper = big5::UpperAscii(path);
  if (upper == "URINE ACR") return "_Urine Microalbumin=";
  if (upper == "HDL" || upper == "T-CHO/HDL-C") return "_LDL=";
  if (upper == "CREATININE(B)") return "_eGFR=";
  return std::nullopt;
}

float SingleOf(std::string_view value) {
  return static_cast<float>(ParseNumber(big5::Trim(value)).value_or(0));
}

}  // namespace

std::string UrineProteinGrade(std::string_view value, bool& recognised) {
  recognised = true;
  if (value == "-") return "0000";
  if (value == "+/-") return "1100";
  if (value.size() == 2 && value[1] == '+' && value[0] >= '1' && value[0] <= '4') {
    return std::string(4, value[0]);
  }
  recognised = false;
  return "9999";
}

std::string HepatitisBAnswer(std::string_view value) {
  return U(SingleOf(value) >= 10 ? "2：陽性" : "1：陰性");
}

std::string HepatitisCAnswer(std::string_view value) {
  // The single-precision value against 0.9 in extended precision: 0.9 itself reads negative.
  return U(static_cast<long double>(SingleOf(value)) < 0.9L ? "1：陰性" : "2：陽性");
}

LabPlacement PlaceLabValue(std::vector<VisitSections>& visits, const LabValue& value,
                           const PEDefinitions& definitions,
                           const UnknownUrineProtein& unknown_urine_protein) {
  bool placed = false;
  bool converted = false;
  const std::string target = "_" + value.path + "=";
  for (VisitSections& visit : visits) {
    for (size_t at = 0; at < visit.lines.size(); ++at) {
      if (!Holds(visit.lines[at], target)) continue;
      Store(visit, at, value.value, value.stamp);
      placed = true;
    }
  }
  if (!placed) {
    for (const std::string& shared : definitions.SharedPaths(value.path)) {
      const std::string shared_target = "_" + shared + "=";
      const Conversion conversion = ConversionOf(shared_target);
      for (VisitSections& visit : visits) {
        size_t at = 0;
        while (at < visit.lines.size() && !Holds(visit.lines[at], shared_target)) ++at;
        if (at == visit.lines.size()) continue;
        if (conversion == Conversion::kNone) {
          Store(visit, at, value.value, value.stamp);
          placed = true;
          break;
        }
        std::string text;
        if (conversion == Conversion::kUrineProtein) {
          bool recognised = true;
          text = UrineProteinGrade(value.value, recognised);
          if (!recognised) unknown_urine_protein(value.value);
        } else {
          text = conversion == Conversion::kHepatitisB ? HepatitisBAnswer(value.value)
                                                       : HepatitisCAnswer(value.value);
        }
        Store(visit, at, text, value.stamp);
        converted = true;
      }
    }
  }
  if (placed) return LabPlacement::kPlaced;
  if (std::optional<std::string> anchor = AnchorOf(value.path)) {
    for (VisitSections& visit : visits) {
      bool has_anchor = false;
      for (const SectionLine& line : visit.lines) has_anchor = has_anchor || Holds(line, *anchor);
      if (!has_anchor) continue;
      AddSection(visit, value.path, "_" + value.path + "_" + value.path, value.value);
      AddNoInsuItem(visit, SectionNameOf(value.path));
      return LabPlacement::kPlaced;
    }
  }
  VisitSections& newest = visits.front();
  std::string name;
  if (value.path.find('_') == std::string::npos) {
    name = value.path;
    AddSection(newest, name, "_" + value.path + "_" + value.path, value.value);
  } else {
    name = SectionNameOf(value.path);
    size_t at = 0;
    while (at < newest.lines.size() && newest.lines[at].name != name) ++at;
    if (at == newest.lines.size()) {
      AddSection(newest, name, "_" + value.path, value.value);
    } else {
      newest.lines.insert(newest.lines.begin() + static_cast<std::ptrdiff_t>(at) + 1,
                          SectionLine{"_" + value.path, value.value, false, {}});
    }
  }
  AddNoInsuItem(newest, name);
  return converted ? LabPlacement::kConvertedOnly : LabPlacement::kStandAlone;
}

}  // namespace zuvo
