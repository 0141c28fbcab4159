#include "diagnosis/dx_selection.h"

#include <algorithm>
#include <cstdio>

#include "platform/big5.h"

namespace zuvo {
bool AddToSelection(DxEditorFields& fields, const DxRow& row, DxAddSource source) {
  for (const DxSelectionLine& line : fields.lines) {
    if (line.code == row.code) return false;
  }
  fields.lines.push_back({row.listed, row.code, row.chronic(), row.chronic_code,
                          row.short_name.value_or(""), row.english_name});
  if (row.common) fields.common = true;
  if (big5::Trim(fields.short_name).empty()) {
    fields.short_name = row.short_name.value_or(row.english_name);
  }
  if (fields.edit_time == 0 || row.rec_time > fields.edit_time) fields.edit_time = row.rec_time;
  if (source == DxAddSource::kGridClick) {
    if (row.chronic()) {
      fields.chronic = true;
      if (big5::Trim(fields.chronic_code).empty())
        fields.chronic_code = big5::Trim(row.chronic_code);
    }
    TickDepartments(fields.departments, row.clinic_types);
    for (std::string& keyword : SplitKeywords(row.keyword)) {
      if (std::find(fields.keywords.begin(), fields.keywords.end(), keyword) ==
          fields.keywords.end()) {
        fields.keywords.push_back(std::move(keyword));
      }
    }
  }
  return true;
}

bool MixesChronicAndOther(const DxEditorFields& fields) {
  bool chronic = false, other = false;
  for (const DxSelectionLine& line : fields.lines) (line.chronic ? chronic : other) = true;
  return chronic && other;
}

void ClearSelection(DxEditorFields& fields) {
  DepartmentTicks departments = fields.departments;
  fields = DxEditorFields{};
  fields.departments = departments;
}

void RemoveSelectionLine(DxEditorFields& fields, size_t index) {
  if (index >= fields.lines.size()) return;
  fields.lines.erase(fields.lines.begin() + static_cast<std::ptrdiff_t>(index));
  if (fields.lines.empty()) ClearSelection(fields);
}

std::vector<std::string> SplitKeywords(std::string_view keyword_text, size_t min_bytes) {
  std::vector<std::string> keywords;
  std::string part;
  auto finish = [&] {
    std::string keyword = big5::Trim(part);
    if (!keyword.empty() && keyword[0] == '[') keyword = big5::Trim(keyword.substr(1));
    if (!keyword.empty() && keyword.size() >= min_bytes) keywords.push_back(std::move(keyword));
    part.clear();
  };
  big5::ForEachChar(keyword_text, [&](std::string_view character, size_t) {
    if (character == "]") {
      finish();
    } else {
      part += character;
    }
  });
  finish();
  return keywords;
}

std::string KeywordText(const std::vector<std::string>& keywords) {
  std::string text;
  for (const std::string& keyword : keywords) {
    std::string trimmed = big5::Trim(keyword);
    if (!trimmed.empty()) text += "[" + trimmed + "]";
  }
  return text;
}

std::optional<std::string_view> AddKeyword(DxEditorFields& fields, std::string_view input) {
  std::string keyword = big5::Trim(input);
  if (keyword.empty()) return std::nullopt;
  if (ContainsCharacter(keyword, '[') || ContainsCharacter(keyword, ']'))
    return kKeywordBracketMessage;
  if (std::find(fields.keywords.begin(), fields.keywords.end(), keyword) == fields.keywords.end()) {
    fields.keywords.push_back(std::move(keyword));
  }
  return std::nullopt;
}

std::string DepartmentText(const DepartmentTicks& ticks) {
  std::string text;
  for (size_t i = 0; i < kDepartmentCount; ++i) {
    if (ticks[i]) text += std::string(DepartmentCodes[i]) + ",";
  }
  return text;
}

void TickDepartments(DepartmentTicks& ticks, std::string_view clinic_types) {
  while (!clinic_types.empty()) {
    size_t comma = clinic_types.find(',');
    std::string code = big5::Trim(clinic_types.substr(0, comma));
    for (size_t i = 0; i < kDepartmentCount; ++i) {
      if (DepartmentCodes[i] == code) ticks[i] = true;
    }
    if (comma == std::string_view::npos) break;
    clinic_types.remove_prefix(comma + 1);
  }
}

size_t ShortNameLength(std::string_view short_name) { return big5::Trim(short_name).size(); }

std::string ShortNameLengthText(size_t length) {
  return "字數:" + std::to_string(length) + "(上限24字)";
}

bool ContainsCharacter(std::string_view text, char c) {
  bool found = false;
  big5::ForEachChar(text, [&](std::string_view character, size_t) {
    if (character.size() == 1 && character[0] == c) found = true;
  });
  return found;
}

std::string EditTimeText(DateTime value) {
  if (value == 0) return {};
  CivilDateTime parts = DecodeDateTime(value);
  char text[32];
  std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", parts.year, parts.month,
                parts.day, parts.hour, parts.minute, parts.second);
  return text;
}

}  // namespace zuvo
