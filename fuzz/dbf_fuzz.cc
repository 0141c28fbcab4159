// Feeds arbitrary bytes to the dBase adapter as a table and its memo file, then reads every
// field of every record (raw, typed and as text), memos, look-ups and the order. Only zuvo::Error
// may come out.
//
// Input: byte 0 picks the memo file (0 none, 1 .DBT, 2 .FPT), bytes 1-4 (LE) the length of
// the table part; the table's bytes follow, then the memo file's.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "platform/dbf_table.h"
#include "platform/error.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t kPrefixSize = 5;
// Keeps the reads from being optimised away.
volatile size_t observed = 0;

const fs::path& WorkFolder() {
  static const fs::path folder = [] {
    fs::path made = fs::temp_directory_path() / ("zuvo-dbf-fuzz-" + std::to_string(::getpid()));
    fs::create_directories(made);
    return made;
  }();
  return folder;
}

void Write(const fs::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void ReadEverything(zuvo::DbfTable& table) {
  const auto& fields = table.Fields();
  size_t sink = 0;
  for (int record = 1; table.Go(record); ++record) {
    sink += table.IsDeleted() ? 1 : 0;
    for (size_t index = 0; index < fields.size(); ++index) {
      const std::string& name = fields[index].name;
      sink += table.RawField(static_cast<int>(index)).size() + table.Text(name).size();
      sink += static_cast<size_t>(table.Integer(name)) + static_cast<size_t>(table.Currency(name));
      sink += table.Number(name) > 0 ? 1 : 0;
      sink += table.Logical(name) + table.IsBlank(name);
      try {
        sink += zuvo::DbfValueText(table.Value(static_cast<int>(index))).size();
        if (fields[index].kind == zuvo::DbfFieldKind::kMemoText) sink += table.Memo(name).size();
      } catch (const zuvo::Error&) {
        // A damaged memo pointer is reported per field; the other fields still read.
      }
    }
  }
  if (!fields.empty()) {
    table.First();
    if (!table.Eof()) {
      std::string key = table.Text(fields[0].name);
      table.Locate(fields[0].name, key);
      if (fields.size() > 1) {
        table.Locate(fields[0].name, key, fields[1].name, table.Text(fields[1].name));
      }
    }
    sink += table.OrderBy(fields[0].name).size();
  }
  table.SetFilter([](const zuvo::DbfTable& t) { return t.RecordNumber() % 2 == 0; });
  for (table.First(); !table.Eof(); table.Next()) ++sink;
  observed = sink;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kPrefixSize) return 0;
  int memo_kind = data[0] % 3;
  size_t table_size = data[1] | data[2] << 8 | data[3] << 16 | static_cast<size_t>(data[4]) << 24;
  std::string_view rest(reinterpret_cast<const char*>(data) + kPrefixSize, size - kPrefixSize);
  if (table_size > rest.size()) table_size = rest.size();
  const fs::path& folder = WorkFolder();
  fs::remove(folder / "F.DBT");
  fs::remove(folder / "F.FPT");
  Write(folder / "F.DBF", rest.substr(0, table_size));
  if (memo_kind != 0) {
    Write(folder / (memo_kind == 1 ? "F.DBT" : "F.FPT"), rest.substr(table_size));
  }
  try {
    zuvo::DbfTable table(folder / "F.DBF");
    ReadEverything(table);
    observed = observed + table.RecordsInFile();
  } catch (const zuvo::Error&) {
    // Refusing a damaged table is the expected outcome.
  }
  return 0;
}
