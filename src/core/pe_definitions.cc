#include "core/pe_definitions.h"

#include "core/pe_markup.h"
#include "core/tag_elements.h"
#include "platform/big5.h"
#include "platform/profile_file.h"

namespace zuvo {
namespace {

constexpr size_t kIncludeWordBytes = 8;  // "include" and the character after it

void FillMap(const std::vector<std::string>& lines,
             std::unordered_map<std::string, std::string>& map, size_t value_limit) {
  for (const std::string& line : lines) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    std::string key = big5::UpperAscii(big5::Trim(line.substr(0, equals)));
    if (key.empty()) continue;
    map.try_emplace(std::move(key), big5::CutBytes(line.substr(equals + 1), value_limit));
  }
}

std::string IncludedItem(const tPEfieldSet& set) {
  if (big5::UpperAscii(set.input.substr(0, 7)) != "INCLUDE") return {};
  if (set.input.size() <= kIncludeWordBytes) return {};
  return big5::Trim(set.input.substr(kIncludeWordBytes));
}

void Expand(const PEDefinitions& definitions, std::string_view item, std::string_view prefix,
            std::vector<std::string>& expanding, std::vector<std::string>& lines) {
  const std::string* definition = definitions.Definition(item);
  if (definition == nullptr) return;
  expanding.push_back(big5::UpperAscii(item));
  const std::string item_prefix = std::string(prefix) + "_" + std::string(item);
  auto add_field = [&](const tPEfieldSet& set, const std::string& field) {
    const std::string included = IncludedItem(set);
    if (included.empty()) {
      lines.push_back(item_prefix + "_" + field + "=");
      return;
    }
    for (const std::string& open : expanding) {
      if (open == big5::UpperAscii(included)) return;
    }
    Expand(definitions, included, item_prefix, expanding, lines);
  };
  std::vector<std::string> own;
  ReadTagElements("<P>" + *definition + "</P>", 1, "P", own);
  const std::string fields = ElementValue(own, "fd");
  if (fields.empty()) {
    const tPEfieldSet set = ParsePEFieldSet({}, *definition).set;
    add_field(set, set.n.empty() ? std::string(item) : set.n);
  } else {
    std::vector<std::string> element;
    for (size_t at = ReadTagElements(fields, 1, "PE", element); at != 0;
         at = ReadTagElements(fields, at, "PE", element)) {
      const std::string name = ElementValue(element, "n");
      const tPEfieldSet set = ParsePEFieldSet(name, *definition).set;
      add_field(set, set.n);
    }
  }
  expanding.pop_back();
}

}  // namespace

PEDefinitions PEDefinitions::Load(const std::filesystem::path& pe_ini) {
  ProfileFile file(pe_ini);
  return FromLines(file.SectionLines("PE"), file.SectionLines("INSUtoPE"),
                   file.SectionLines("ShareLab"));
}

PEDefinitions PEDefinitions::FromLines(const std::vector<std::string>& pe,
                                       const std::vector<std::string>& insu_to_pe,
                                       const std::vector<std::string>& share_lab) {
  PEDefinitions definitions;
  FillMap(pe, definitions.definitions_, kLongIniBufferChars - 1);
  FillMap(insu_to_pe, definitions.order_items_, std::string::npos);
  FillMap(share_lab, definitions.shares_, std::string::npos);
  return definitions;
}

const std::string* PEDefinitions::Definition(std::string_view item) const {
  auto found = definitions_.find(big5::UpperAscii(big5::Trim(item)));
  return found == definitions_.end() ? nullptr : &found->second;
}

std::string PEDefinitions::ItemOfOrder(std::string_view order_code) const {
  auto found = order_items_.find(big5::UpperAscii(big5::Trim(order_code)));
  return found == order_items_.end() ? std::string() : big5::Trim(found->second);
}

std::vector<std::string> PEDefinitions::SharedPaths(std::string_view path) const {
  std::vector<std::string> paths;
  auto found = shares_.find(big5::UpperAscii(big5::Trim(path)));
  if (found == shares_.end()) return paths;
  std::string_view rest = found->second;
  while (true) {
    const size_t comma = rest.find(',');
    paths.emplace_back(rest.substr(0, comma));
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  return paths;
}

std::vector<std::string> ExpandPEFields(const PEDefinitions& definitions, std::string_view item,
                                        std::string_view prefix) {
  std::vector<std::string> lines;
  std::vector<std::string> expanding;
  Expand(definitions, item, prefix, expanding, lines);
  return lines;
}

std::vector<std::string> BuildPESection(const PEDefinitions& definitions, std::string_view item,
                                        std::string_view order_code) {
  std::vector<std::string> lines{std::string(item) + "=SectionBegin"};
  std::vector<std::string> fields = ExpandPEFields(definitions, item, "");
  lines.insert(lines.end(), fields.begin(), fields.end());
  lines.push_back("SectionEnd=" + std::string(order_code));
  return lines;
}

}  // namespace zuvo
