#include "postprocess/vision_lab_sections.h"

#include <algorithm>
#include <map>

#include "core/chart_records.h"
#include "core/pe_markup.h"
#include "core/roc_date.h"
#include "core/tag_elements.h"
#include "platform/big5.h"

namespace zuvo {
namespace {

constexpr int16_t kPEOrderKinds = 0x10 | 0x20;  // catalogue classes "OPD" and "special"
constexpr std::string_view kSectionBegin = "SectionBegin";
constexpr std::string_view kSectionEnd = "SectionEnd";

SectionLine LineOf(const std::string& text) {
  const size_t equals = text.find('=');
  SectionLine line;
  line.name = text.substr(0, equals);
  if (equals != std::string::npos) line.value = text.substr(equals + 1);
  return line;
}

bool HasMarkup(std::string_view data) { return data.find("<PE>") != std::string_view::npos; }

// Calls `item` with (name, data, verbatim copy) for each top-level item of `text`; the copy runs
// from the end of the previous item, so that text between items travels with the next one.
template <typename Item>
void ForEachItem(std::string_view text, Item&& item) {
  std::vector<std::string> lines;
  size_t from = 0;
  for (size_t at = ReadTagElements(text, 1, "PE", lines); at != 0;
       at = ReadTagElements(text, at, "PE", lines)) {
    const size_t end = at - 1;
    item(ElementValue(lines, "n"), ElementValue(lines, "data"), text.substr(from, end - from));
    from = end;
  }
}

void FlattenInto(std::string_view data, const std::string& prefix,
                 std::vector<std::pair<std::string, std::string>>& out) {
  ForEachItem(data, [&](const std::string& name, const std::string& value, std::string_view) {
    if (HasMarkup(value)) {
      FlattenInto(value, prefix + "_" + name, out);
    } else {
      out.emplace_back(prefix + "_" + name, value);
    }
  });
}

size_t FindLine(const std::vector<SectionLine>& lines, std::string_view name) {
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].name == name) return i;
  }
  return lines.size();
}

// The closing line of the section whose begin line is `begin`.
size_t SectionEndAfter(const std::vector<SectionLine>& lines, size_t begin) {
  for (size_t i = begin; i < lines.size(); ++i) {
    if (lines[i].name == kSectionEnd) return i;
  }
  return lines.size();
}

std::string PEItemText(std::string_view name, std::string_view data) {
  return "<PE><n>" + std::string(name) + "</n><data>" + std::string(data) + "</data></PE>";
}

// The content of a group from the lines at `at` whose names start with `prefix` ("_SECTION_",
// or deeper "_SECTION_GROUP_"); `at` moves past them. A line "_SECTION_SECTION" is the
// section's own plain value; deeper down a member named like its group stays a member, so that
// a rebuilt group keeps its shape.
std::string BuildGroup(const std::vector<SectionLine>& lines, size_t& at, const std::string& prefix,
                       std::string_view section) {
  std::string content;
  while (at < lines.size() && lines[at].name.starts_with(prefix)) {
    const std::string remainder = lines[at].name.substr(prefix.size());
    const size_t underscore = remainder.find('_');
    if (underscore != std::string::npos) {
      const std::string nested = remainder.substr(0, underscore);
      const std::string inner = BuildGroup(lines, at, prefix + nested + "_", section);
      if (!big5::Trim(inner).empty()) content += PEItemText(nested, inner);
      continue;
    }
    if (remainder == section && prefix == "_" + std::string(section) + "_") {
      content += lines[at].value;
    } else if (const std::string value = big5::Trim(lines[at].value); !value.empty()) {
      content += PEItemText(remainder, value);
    }
    ++at;
  }
  return content;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> FlattenPEItem(std::string_view name,
                                                               std::string_view data) {
  std::vector<std::pair<std::string, std::string>> out;
  const std::string prefix = "_" + std::string(name);
  if (HasMarkup(data)) {
    FlattenInto(data, prefix, out);
  } else {
    out.emplace_back(prefix + "_" + std::string(name), std::string(data));
  }
  return out;
}

VisitSections BuildVisitSections(const RecentVisit& visit, const PEDefinitions& definitions,
                                 const UnplacedOldValue& unplaced) {
  VisitSections sections;
  sections.visit_stamp = RocStamp(visit.visit.Get(visit_field::kVisitDateTime));
  struct OldItem {
    std::string name;
    std::string copy;
    std::vector<std::pair<std::string, std::string>> values;
  };
  std::vector<OldItem> old_items;
  for (const std::string& text : visit.exam_texts) {
    ForEachItem(text, [&](const std::string& name, const std::string& data, std::string_view copy) {
      const std::string* definition = definitions.Definition(name);
      const std::string input = big5::UpperAscii(
          definition == nullptr ? std::string() : ParsePEFieldSet({}, *definition).set.input);
      if (input == "PETEXT") {
        sections.petext += copy;
      } else if (input == "OPRECORD") {
        sections.op_record += copy;
      } else {
        old_items.push_back({name, std::string(copy), FlattenPEItem(name, data)});
      }
    });
  }
  for (const OrderLine& order : visit.orders) {
    if ((order.record.Get(order_field::kFlags1) & kPEOrderKinds) == 0) continue;
    const std::string code = big5::Trim(order.record.Get(order_field::kInsuranceCode));
    const std::string item = definitions.ItemOfOrder(code);
    if (item.empty()) continue;
    // A second order of the same form (a blood count ordered twice, creatinine and BUN for the
    // kidney form) fills the one form, else every value would stand in the text twice.
    const size_t begin = FindLine(sections.lines, item);
    if (begin < sections.lines.size()) {
      sections.lines[SectionEndAfter(sections.lines, begin)].further_codes.push_back(code);
      continue;
    }
    for (const std::string& text : BuildPESection(definitions, item, code)) {
      SectionLine line = LineOf(text);
      line.order_section = line.name == kSectionEnd;
      sections.lines.push_back(std::move(line));
    }
  }
  std::vector<SectionLine>& lines = sections.lines;
  for (const OldItem& item : old_items) {
    const size_t begin = FindLine(lines, item.name);
    const bool has_section = begin < lines.size() && lines[begin].value == kSectionBegin;
    bool any_taken = false;
    std::vector<const std::pair<std::string, std::string>*> untaken;
    for (const auto& value : item.values) {
      const size_t at = FindLine(lines, value.first);
      if (at < lines.size()) {
        if (!big5::Trim(value.second).empty()) lines[at].value = value.second;
        any_taken = true;
      } else {
        untaken.push_back(&value);
      }
    }
    for (const auto* value : untaken) {
      unplaced(value->first);
      if (!has_section) continue;
      const size_t end = SectionEndAfter(lines, begin);
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(end),
                   SectionLine{value->first, value->second, false, {}});
    }
    if (!has_section && !any_taken) sections.kept_items += item.copy;
  }
  return sections;
}

void AddNoInsuItem(VisitSections& visit, const std::string& name) {
  if (!visit.has_no_insu_items) {
    visit.no_insu_items = name;
    visit.has_no_insu_items = true;
    return;
  }
  const std::string list = big5::UpperAscii(visit.no_insu_items);
  const std::string wanted = big5::UpperAscii(name);
  if (list.find("_" + wanted + "_") != std::string::npos || list.starts_with(wanted) ||
      list.ends_with(wanted)) {
    return;
  }
  visit.no_insu_items += "_" + name;
}

std::string RebuildPEText(const VisitSections& visit, std::vector<OrderStamp>& stamps) {
  std::string text = visit.petext + visit.op_record + visit.kept_items;
  const std::vector<SectionLine>& lines = visit.lines;
  size_t at = 0;
  while (at < lines.size()) {
    const SectionLine& line = lines[at];
    if (line.name == kSectionEnd) {
      if (line.order_section && !line.stamp.empty()) {
        stamps.emplace_back(line.value, line.stamp);
        for (const std::string& code : line.further_codes) stamps.emplace_back(code, line.stamp);
      }
      ++at;
      continue;
    }
    ++at;
    const std::string content = BuildGroup(lines, at, "_" + line.name + "_", line.name);
    if (!big5::Trim(content).empty()) text += PEItemText(line.name, content);
  }
  return text;
}

}  // namespace zuvo
