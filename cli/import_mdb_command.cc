#include <iostream>

#include "command.h"
#include "platform/mdb_import.h"

namespace zuvo::cli {
namespace {

int RunImportMdb(Invocation& invocation) {
  Args& args = invocation.args;
  std::filesystem::path source = args.RequiredPositional(0, "the Access file");
  std::optional<std::string> into = args.Option("into");
  bool force = args.Flag("force");
  args.Finish(1);
  // By default the copy keeps the file's name and lands in the current folder.
  std::filesystem::path target = into ? std::filesystem::path(*into) : source.filename();
  std::vector<MdbImportedTable> tables = ImportMdb(source, target, force);
  int64_t total = 0;
  for (const MdbImportedTable& table : tables) {
    std::cout << table.name_utf8 << ": " << table.rows << " rows\n";
    total += table.rows;
  }
  std::cout << "imported " << tables.size() << " tables, " << total << " rows into "
            << target.string() << "\n";
  return kExitOk;
}

ZUVO_COMMAND("import-mdb", "FILE.mdb [--into TARGET] [--force]",
             "copy every table of an Access file into a new table store file (default: the same "
             "name in the current folder; --force replaces an existing one)",
             RunImportMdb);

}  // namespace
}  // namespace zuvo::cli
