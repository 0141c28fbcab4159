#include "platform/table_store_value.h"

#include "platform/big5.h"

namespace zuvo {

ColumnKind ColumnKindOfDeclaredType(std::string_view declared_type) {
  std::string upper = big5::UpperAscii(declared_type);
  auto has = [&](std::string_view part) { return upper.find(part) != std::string::npos; };
  if (has("CURRENCY") || has("MONEY")) return ColumnKind::kCurrency;
  if (has("BOOL")) return ColumnKind::kBoolean;
  if (has("DATE") || has("TIME")) return ColumnKind::kDateTime;
  if (has("INT")) return ColumnKind::kInteger;
  if (has("CHAR") || has("CLOB") || has("TEXT")) return ColumnKind::kText;
  if (has("BLOB")) return ColumnKind::kBlob;
  if (has("REAL") || has("FLOA") || has("DOUB")) return ColumnKind::kReal;
  return ColumnKind::kOther;
}

std::string DeclaredTypeOf(ColumnKind kind) {
  switch (kind) {
    case ColumnKind::kText:
      return "TEXT COLLATE NOCASE";
    case ColumnKind::kInteger:
      return "INTEGER";
    case ColumnKind::kReal:
      return "REAL";
    case ColumnKind::kCurrency:
      return "CURRENCY";
    case ColumnKind::kBoolean:
      return "BOOLEAN";
    case ColumnKind::kDateTime:
      return "DATETIME";
    case ColumnKind::kBlob:
      return "BLOB";
    case ColumnKind::kOther:
      break;
  }
  return "";
}

}  // namespace zuvo
