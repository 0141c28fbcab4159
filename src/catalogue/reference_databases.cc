#include "catalogue/reference_databases.h"

#include <algorithm>
#include <vector>

#include "catalogue/csv_reader.h"
#include "platform/embedded_resources.h"
#include "platform/error.h"
#include "platform/gzip_data.h"
#include "platform/table_store.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kMxStaged[] = {
    ":reference/medicine.csv", ":reference/nhi_fee_schedule.csv.gz", ":reference/material.csv",
    ":reference/QuitSmoke.csv", ":reference/Vaccine.csv"};
constexpr std::string_view kIcd10Staged[] = {":reference/icd10cm.csv.gz",
                                             ":reference/dx_pick_list.csv",
                                             ":reference/icd10pcs_to_nhi.csv.gz"};
constexpr std::string_view kIcd9Staged[] = {":reference/icd9_to_icd10cm.csv.gz",
                                            ":reference/icd10cm.csv.gz"};

const DeliveredDatabase kDatabases[] = {
    {"OPDbak.mdb", ":schema/OPDbak.sql", {}, ""},
    {"PERSONALbak.mdb", ":schema/PERSONALbak.sql", {}, ""},
    {"ANTCHECK_BLANK.MDB", ":schema/ANTCHECK_BLANK.sql", {}, ""},
    {"MX.MDB", ":schema/MX.sql", kMxStaged, ":reference/MX.fill.sql"},
    {"ICD10CM.MDB", ":schema/ICD10CM.sql", kIcd10Staged, ":reference/ICD10CM.fill.sql"},
    {"ICD-10-CM (1020314).MDB", ":schema/ICD9_MAP.sql", kIcd9Staged,
     ":reference/ICD9_MAP.fill.sql"},
};

std::string_view CompiledIn(std::string_view name) {
  for (const EmbeddedResource& resource : EmbeddedResources()) {
    if (resource.name == name) return resource.bytes;
  }
  throw Error("the program lacks its compiled-in file " + std::string(name));
}

// "name.csv.gz" → "name_csv"
std::string StagedTableName(std::string_view resource) {
  std::string_view file = resource.substr(resource.rfind('/') + 1);
  return std::string(file.substr(0, file.find('.'))) + "_csv";
}

bool IsPlainName(std::string_view name) {
  return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
  });
}

void Stage(Database& database, std::string_view resource) {
  std::string_view bytes = CompiledIn(resource);
  std::string unpacked;
  if (resource.ends_with(".gz")) {
    unpacked = Gunzip(resource, bytes);
    bytes = unpacked;
  }
  CsvReader reader(std::string(resource), bytes);
  std::vector<std::string> header;
  if (!reader.NextRecord(header)) throw Error(std::string(resource) + ": no header line");
  const std::string table = StagedTableName(resource);
  std::string columns, placeholders;
  for (const std::string& name : header) {
    if (!IsPlainName(name)) {
      throw Error(std::string(resource) + ": the header field \"" + name + "\" is not a name");
    }
    columns += (columns.empty() ? "" : ", ") + name + " TEXT";
    placeholders += placeholders.empty() ? "?" : ", ?";
  }
  database.ExecuteScript("CREATE TEMP TABLE " + table + " (" + columns + ");");
  const std::string insert = "INSERT INTO " + table + " VALUES (" + placeholders + ")";
  std::vector<std::string> fields;
  std::vector<Param> params;
  while (reader.NextRecord(fields)) {
    if (fields.size() != header.size()) {
      throw Error(std::string(resource) + ": line " + std::to_string(reader.line()) + " has " +
                  std::to_string(fields.size()) + " fields, the header " +
                  std::to_string(header.size()));
    }
    params.clear();
    for (std::string& field : fields) params.push_back(Param::Utf8(std::move(field)));
    database.Execute(insert, params);
  }
}

}  // namespace

std::span<const DeliveredDatabase> DeliveredDatabases() { return kDatabases; }

void BuildDeliveredDatabase(const DeliveredDatabase& delivered, const fs::path& target) {
  if (fs::exists(target)) throw Error(target.string() + " exists already");
  fs::path partial = target;
  partial += ".partial";
  std::error_code error;
  fs::remove(partial, error);  // a leftover of an interrupted build
  try {
    {
      Database database = Database::Create(partial);
      Transaction transaction(database);
      database.ExecuteScript(CompiledIn(delivered.schema));
      for (std::string_view resource : delivered.staged_files) Stage(database, resource);
      if (!delivered.fill_script.empty()) {
        database.ExecuteScript(CompiledIn(delivered.fill_script));
        for (std::string_view resource : delivered.staged_files) {
          database.ExecuteScript("DROP TABLE temp." + StagedTableName(resource) + ";");
        }
      }
      transaction.Commit();
    }
    fs::rename(partial, target);
  } catch (const std::exception& failure) {
    fs::remove(partial, error);
    throw Error("cannot build " + target.string() + ": " + failure.what());
  }
}

}  // namespace zuvo
