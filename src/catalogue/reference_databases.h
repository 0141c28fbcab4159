#pragma once

// The databases delivered in the program folder: the blank templates (OPDbak.mdb,
// PERSONALbak.mdb, ANTCHECK_BLANK.MDB) and the reference databases (MX.MDB, ICD10CM.MDB, and
// the ICD-9 map "ICD-10-CM (1020314).MDB"). Each is built from a schema file and, for the
// reference databases, from bundled CSV data through a fill script; all of them are compiled
// into the program.

#include <filesystem>
#include <span>
#include <string_view>

namespace zuvo {

struct DeliveredDatabase {
  std::string_view file_name;  // as installed in the program folder
  std::string_view schema;     // compiled-in name of the DDL script
  // Compiled-in CSV files (".csv.gz" ones are gzip compressed). Each is staged before the fill
  // script runs, as a temporary table named after the file up to its first "." followed by
  // "_csv", with one text column per header field and the records in file order.
  std::span<const std::string_view> staged_files;
  std::string_view fill_script;  // compiled-in name; empty for a blank template
};

// Every delivered database, in a fixed order.
std::span<const DeliveredDatabase> DeliveredDatabases();

// Builds `database` as the new file `target`, in one transaction: the schema, the staged data,
// the fill script. The file appears under its name only when it is complete (it is written
// beside it first). Throws an Error naming the file when `target` exists or a step fails.
void BuildDeliveredDatabase(const DeliveredDatabase& database, const std::filesystem::path& target);

}  // namespace zuvo
