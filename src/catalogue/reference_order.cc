#include "catalogue/reference_order.h"

#include <array>
#include <initializer_list>

#include "platform/big5.h"
#include "platform/table_store.h"

namespace zuvo {
namespace {

struct NameSource {
  std::string_view table;
  std::string_view name_column;
  std::string_view fallback_column;  // read when the name column is blank
};

constexpr std::array<NameSource, 5> kNameSources = {{
    {"medicine", "Ename", ""},
    {"OPD", "Ename", "CNAME"},
    {"material", "OBJECTNAME", ""},
    {"QuitSmoke", "ENAME", ""},
    {"Vaccine", "ENAME", ""},
}};

constexpr size_t kNameBytes = 24;

std::string NormalisedName(std::string_view name) {
  std::string text = big5::LowerAscii(big5::Trim(big5::CutBytes(name, kNameBytes)));
  if (!text.empty() && text.front() == '"') text.erase(0, 1);
  if (!text.empty() && text.front() >= 'a' && text.front() <= 'z') text.front() -= 'a' - 'A';
  return text;
}

bool IsOneOf(std::string_view value, std::initializer_list<std::string_view> choices) {
  for (std::string_view choice : choices) {
    if (value == choice) return true;
  }
  return false;
}

}  // namespace

ReferenceOrder LookupReferenceOrder(Database& mx, std::string_view code) {
  if (code.empty()) return {};
  for (const NameSource& source : kNameSources) {
    RecordSet rows = mx.Query("select * from " + std::string(source.table) + " where INSUcode = ?",
                              {Param(code)});
    if (rows.Eof()) continue;
    bool substituted = false;
    std::string name = big5::Trim(rows.TextBig5Substituted(source.name_column, &substituted));
    if (name.empty() && !source.fallback_column.empty()) {
      name = big5::Trim(rows.TextBig5Substituted(source.fallback_column, &substituted));
    }
    if (name.empty()) continue;
    return {std::string(source.table), NormalisedName(name), substituted};
  }
  return {};
}

std::string ClassByReferenceTable(std::string_view table, std::string_view order_class) {
  const std::string name = big5::LowerAscii(table);
  auto keep_or = [&](std::initializer_list<std::string_view> kept, std::string_view otherwise) {
    return std::string(IsOneOf(order_class, kept) ? order_class : otherwise);
  };
  if (name == "medicine") return keep_or({"oral", "drop", "inj", "topical"}, "oral");
  if (name == "opd") return keep_or({"OPD", "operate", "special"}, "OPD");
  if (name == "material") return "material";
  if (name == "quitsmoke") return keep_or({"oral", "topical"}, "oral");
  if (name == "vaccine") return keep_or({"oral", "inj"}, "inj");
  return std::string(order_class);
}

}  // namespace zuvo
