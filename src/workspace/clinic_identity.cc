#include "workspace/clinic_identity.h"

#include "platform/big5.h"
#include "platform/dbf_table.h"
#include "workspace/source_system.h"

namespace zuvo {

std::string WithoutBlanks(std::string_view big5_text) {
  std::string result;
  big5::ForEachChar(big5_text, [&](std::string_view character, size_t) {
    if (character != " ") result += character;
  });
  return result;
}

namespace {

// The identity tables are read in place; a table cut short is refused as a step refuses one.
DbfTable OpenIdentityTable(const std::filesystem::path& source_folder, std::string_view name) {
  DbfTable table = DbfTable::Open(source_folder, name);
  table.RefuseShortTable();
  return table;
}

std::optional<std::string> SettingRow(DbfTable& table, std::string_view memo_utf8) {
  if (!table.Locate("MEMO", big5::Literal(memo_utf8))) return std::nullopt;
  return big5::Trim(table.Text("C_FIELD"));
}

}  // namespace

ClinicIdentity ReadVisionIdentity(const std::filesystem::path& source_folder) {
  DbfTable table = OpenIdentityTable(source_folder, kVisionParameterTable);
  table.First();
  if (table.Eof()) return {};
  return {big5::Trim(table.Text("CNAME")), big5::Trim(table.Text("CCO_NO0"))};
}

ClinicIdentity ReadRealSunIdentity(const std::filesystem::path& source_folder) {
  DbfTable table = OpenIdentityTable(source_folder, kRealSunTitleTable);
  table.First();
  if (table.Eof()) return {};
  return {WithoutBlanks(big5::Trim(table.Text("H_NAME"))), big5::Trim(table.Text("H_NO"))};
}

ChangChengIdentity ReadChangChengIdentity(const std::filesystem::path& source_folder) {
  DbfTable table = OpenIdentityTable(source_folder, kChangChengSettingsTable);
  ChangChengIdentity identity;
  identity.name = SettingRow(table, "診所名稱");
  identity.code = SettingRow(table, "診所健保代號");
  return identity;
}

ClinicIdentity ReadClinicIdentity(SourceSystem system, const std::filesystem::path& source_folder) {
  switch (system) {
    case SourceSystem::kVision:
      return ReadVisionIdentity(source_folder);
    case SourceSystem::kRealSun:
      return ReadRealSunIdentity(source_folder);
    default:
      return {};
  }
}

}  // namespace zuvo
