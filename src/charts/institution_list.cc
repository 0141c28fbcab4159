#include "charts/institution_list.h"

#include <algorithm>
#include <vector>

#include "platform/big5.h"
#include "platform/error.h"
#include "platform/file_ops.h"

namespace zuvo {
namespace {

// The fields of one line, the quotes around a field dropped (a quoted field may hold commas).
std::vector<std::string> CsvFields(std::string_view line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (big5::IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < line.size()) {
      fields.back() += line.substr(i, 2);
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      fields.emplace_back();
    } else if (c != '\r' && c != '\n') {
      fields.back() += c;
    }
  }
  return fields;
}

int ColumnOf(const std::vector<std::string>& header, std::string_view name_utf8) {
  const std::string& name = big5::Literal(name_utf8);
  for (size_t i = 0; i < header.size(); ++i) {
    if (big5::Trim(header[i]) == name) return static_cast<int>(i);
  }
  return -1;
}

bool Contains(std::string_view text, std::string_view utf8) {
  const std::string& word = big5::Literal(utf8);
  size_t found = 0;
  // A match must start on a character boundary.
  big5::ForEachChar(text, [&](std::string_view, size_t offset) {
    if (found == 0 && text.substr(offset).starts_with(word)) found = offset + 1;
  });
  return found != 0;
}

}  // namespace

InstitutionList InstitutionList::Load(const std::filesystem::path& folder, std::string_view name) {
  std::optional<std::filesystem::path> resolved = ResolvePath(folder, name);
  if (!resolved) return {};
  return Parse(ReadWholeFile(*resolved), PathToUtf8(*resolved));
}

InstitutionList InstitutionList::Parse(std::string_view text, std::string_view file_name) {
  InstitutionList list;
  size_t line_end = text.find('\n');
  const std::vector<std::string> header = CsvFields(text.substr(0, line_end));
  const int code_column = ColumnOf(header, "醫事機構代碼");
  const int name_column = ColumnOf(header, "醫事機構名稱");
  if (code_column < 0 || name_column < 0) {
    throw Error(std::string(file_name) + ": 第一行沒有醫事機構代碼及醫事機構名稱欄位");
  }
  while (line_end != std::string_view::npos) {
    const size_t start = line_end + 1;
    line_end = text.find('\n', start);
    const std::vector<std::string> fields = CsvFields(text.substr(start, line_end - start));
    if (static_cast<int>(fields.size()) <= std::max(code_column, name_column)) continue;
    list.names_.try_emplace(big5::Trim(fields[code_column]), big5::Trim(fields[name_column]));
  }
  return list;
}

std::string InstitutionList::NameOf(std::string_view code) const {
  auto found = names_.find(big5::Trim(code));
  return found == names_.end() ? std::string() : found->second;
}

std::string InstitutionType(std::string_view name) {
  for (std::string_view word : {"診所", "牙醫", "醫院", "中醫"}) {
    if (Contains(name, word)) return big5::Literal(word);
  }
  if (Contains(name, "檢驗")) return big5::Literal("醫事檢驗所");
  if (Contains(name, "康復") || Contains(name, "護理")) return big5::Literal("康復護理");
  return big5::Literal("醫院");
}

}  // namespace zuvo
