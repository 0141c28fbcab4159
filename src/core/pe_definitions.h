#pragma once

// The form definitions of PE.ini as the lab import reads them: the item definitions of section
// PE, the order map INSUtoPE (order code → PE item) and the share map ShareLab (field path →
// further paths), each loaded once; and the section templates built from a definition.
// Names are looked up without regard to ASCII case; everything is Big5.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zuvo {

class PEDefinitions {
 public:
  // Reads the three sections of `pe_ini`; a missing file gives empty maps. Throws Error naming
  // the file when it exists but cannot be read.
  static PEDefinitions Load(const std::filesystem::path& pe_ini);
  // For tests and tools: the maps as given ("key=value" lines each).
  static PEDefinitions FromLines(const std::vector<std::string>& pe,
                                 const std::vector<std::string>& insu_to_pe,
                                 const std::vector<std::string>& share_lab);

  // The definition of `item` as ReadLongIniString gives it (cut to 6143 bytes), or none.
  const std::string* Definition(std::string_view item) const;
  // The PE item an order code maps to; empty when none.
  std::string ItemOfOrder(std::string_view order_code) const;
  // The further paths of a shared field path (split at commas, blanks kept); empty when none.
  std::vector<std::string> SharedPaths(std::string_view path) const;

 private:
  std::unordered_map<std::string, std::string> definitions_;
  std::unordered_map<std::string, std::string> order_items_;
  std::unordered_map<std::string, std::string> shares_;
};

// The field lines "PREFIX_ITEM_FIELD=" of an item, in the order of its `fd` run. A field whose
// `input` starts with "include" (any case) names, after its first 8 characters, another item
// whose field lines follow here with the prefix PREFIX_ITEM. Without `fd` the item stands for
// one field named by its `n`. An item without definition gives no lines, and an include of an
// item already being expanded is left out (a cycle in PE.ini would never end).
std::vector<std::string> ExpandPEFields(const PEDefinitions& definitions, std::string_view item,
                                        std::string_view prefix);

// The template section of an item for the order line `order_code`: "ITEM=SectionBegin", the
// field lines, "SectionEnd=" + order code.
std::vector<std::string> BuildPESection(const PEDefinitions& definitions, std::string_view item,
                                        std::string_view order_code);

}  // namespace zuvo
