// Reading speed of the dBase adapter: writes a table of N records of 20 fields (Big5 names and
// addresses, numbers, dates) with DbfWriter, reads every field of every record through DbfTable
// three ways, and runs `zuvoconv dbf --csv`, `pgdbf -s cp950` and `cat` on it (their output to
// /dev/null; their processor time and peak from the kernel's account of the child): a table row
// for each and size.
//   dbf_bench [--records N ...] [--zuvoconv PATH] [--dir FOLDER] [--keep]   (default 200000)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bench_sizes.h"
#include "bench_table.h"
#include "platform/big5.h"
#include "platform/dbf_table.h"
#include "platform/dbf_writer.h"

namespace {

using namespace zuvo::bench;

namespace fs = std::filesystem;
using zuvo::DbfFieldSpec;

constexpr int kDefaultRecords = 200000;

// A small deterministic generator, so that every run writes the same table.
class Generator {
 public:
  uint32_t Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return state_ >> 8;
  }
  const std::string& Pick(const std::vector<std::string>& from) {
    return from[Next() % from.size()];
  }
  std::string Digits(int count) {
    std::string digits;
    for (int i = 0; i < count; ++i) digits += static_cast<char>('0' + Next() % 10);
    return digits;
  }
  std::string Date(int first_year, int years) {
    char text[16];
    std::snprintf(text, sizeof text, "%04u%02u%02u", first_year + Next() % years, 1 + Next() % 12,
                  1 + Next() % 28);
    return text;
  }

 private:
  uint32_t state_ = 20240501u;
};

std::vector<std::string> Big5Words(std::initializer_list<const char*> utf8) {
  std::vector<std::string> words;
  for (const char* word : utf8) words.push_back(zuvo::big5::FromUtf8(word));
  return words;
}

const std::vector<DbfFieldSpec>& Fields() {
  static const std::vector<DbfFieldSpec> fields{
      {"KCSTMR", 'C', 7},     {"MNAME", 'C', 12},      {"MSEX", 'C', 1},    {"MBIRTHDT", 'C', 7},
      {"MPERSONID", 'C', 10}, {"MTELH", 'C', 20},      {"MADDR", 'C', 60},  {"MREMARK", 'C', 40},
      {"MLASTDT", 'D'},       {"MAMOUNT", 'N', 10, 2}, {"MVISITS", 'N', 5}, {"MWEIGHT", 'N', 6, 1},
      {"MCARD", 'C', 4},      {"MTYPE", 'C', 2},       {"MDOCTOR", 'C', 8}, {"MACTIVE", 'L'},
      {"MCODE", 'C', 10},     {"MPAY", 'N', 8},        {"MFIRSTDT", 'D'},   {"MNOTE", 'C', 30},
  };
  return fields;
}

void WriteTable(const fs::path& file, int records) {
  Generator random;
  auto surnames =
      Big5Words({"陳", "林", "黃", "張", "李", "王", "吳", "劉", "蔡", "楊", "許", "鄭"});
  auto given =
      Big5Words({"志明", "淑芬", "雅婷", "俊傑", "家豪", "怡君", "宗翰", "美玲", "功", "冠宇"});
  auto streets =
      Big5Words({"台北市中正區忠孝東路一段", "新北市板橋區文化路二段", "台中市西屯區台灣大道三段",
                 "高雄市苓雅區四維三路", "台南市東區大學路"});
  auto remarks = Big5Words({"", "", "高血壓", "糖尿病，每月回診", "對盤尼西林過敏", "氣喘"});
  auto doctors = Big5Words({"王醫師", "李醫師", "陳醫師"});
  zuvo::DbfWriter writer(file, Fields());
  for (int record = 1; record <= records; ++record) {
    char number[32];
    std::snprintf(number, sizeof number, "%07d", record);
    std::string amount = std::to_string(random.Next() % 100000) + "." + random.Digits(2);
    std::string weight = std::to_string(30 + random.Next() % 70) + "." + random.Digits(1);
    writer.Append({number,
                   random.Pick(surnames) + random.Pick(given),
                   random.Next() % 2 ? "M" : "F",
                   std::to_string(30 + random.Next() % 80) + random.Digits(4),
                   "A1" + random.Digits(8),
                   "02-" + random.Digits(8),
                   random.Pick(streets) + random.Digits(3) + zuvo::big5::FromUtf8("號"),
                   random.Pick(remarks),
                   random.Date(2000, 24),
                   amount,
                   std::to_string(random.Next() % 500),
                   weight,
                   random.Digits(4),
                   "A" + random.Digits(1),
                   random.Pick(doctors),
                   random.Next() % 2 ? "T" : "F",
                   "C" + random.Digits(9),
                   std::to_string(random.Next() % 100000),
                   random.Date(1995, 10),
                   random.Next() % 4 ? "" : zuvo::big5::FromUtf8("請攜帶健保卡")});
  }
  writer.Close();
}

// Runs `command` through the shell with its output to /dev/null: its processor time and peak as
// the kernel accounts for the child (and what it waited for); empty when it could not run or
// failed.
std::optional<StepFigures> RunCommand(const std::string& command) {
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    return std::nullopt;
  }
  StepFigures figures;
  figures.cpu_seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                        static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  figures.peak_kb = usage.ru_maxrss;
  return figures;
}

void Run(const fs::path& folder, int records, const fs::path& zuvoconv) {
  const fs::path file = folder / "CO01M.DBF";
  const std::string size = std::to_string(records) + " records";
  const auto row = [&](const char* step, const StepFigures& figures) {
    PrintStepRow({"dbf", step, size, records, "record"}, figures, folder / "plain.out");
  };
  {
    StepMeter meter({folder});
    WriteTable(file, records);
    row("write table", meter.Stop());
  }

  // Every field of every record, (1) by name as a copied string, (2) by name as a view into
  // the mapped file, (3) by position as a view.
  auto read_all = [&](const char* step, auto read_field) {
    StepMeter meter({folder});
    size_t bytes = 0;
    zuvo::DbfTable table(file);
    const std::vector<zuvo::DbfField>& fields = table.Fields();
    for (table.First(); !table.Eof(); table.Next()) {
      for (size_t index = 0; index < fields.size(); ++index) {
        bytes += read_field(table, fields[index], static_cast<int>(index));
      }
    }
    row(step, meter.Stop());
    return bytes;
  };
  const size_t text_bytes = read_all(
      "read Text(name)",
      [](const zuvo::DbfTable& t, const zuvo::DbfField& f, int) { return t.Text(f.name).size(); });
  const size_t view_bytes =
      read_all("read RawField(name)", [](const zuvo::DbfTable& t, const zuvo::DbfField& f, int) {
        return t.RawField(f.name).size();
      });
  const size_t raw_bytes = read_all(
      "read RawField(index)",
      [](const zuvo::DbfTable& t, const zuvo::DbfField&, int i) { return t.RawField(i).size(); });
  if (text_bytes != raw_bytes || view_bytes != raw_bytes) {
    std::printf("  the reads disagree: %zu, %zu and %zu bytes\n", text_bytes, view_bytes,
                raw_bytes);
    std::exit(1);
  }

  const std::string quoted = "'" + file.string() + "'";
  const std::pair<const char*, std::string> commands[] = {
      {"cat", "cat " + quoted},
      {"zuvoconv dbf --csv", "'" + zuvoconv.string() + "' dbf " + quoted + " --csv"},
      {"pgdbf -s cp950", "pgdbf -s cp950 " + quoted}};
  for (const auto& [step, command] : commands) {
    std::optional<StepFigures> figures = RunCommand(command);
    if (!figures) {
      std::printf("  %s: not available or failed\n", step);
      continue;
    }
    figures->read[file] = fs::file_size(file);
    row(step, *figures);
  }
}

}  // namespace

int main(int argc, char** argv) {
  fs::path zuvoconv = fs::absolute(argv[0]).parent_path().parent_path() / "cli" / "zuvoconv";
  // --zuvoconv is this benchmark's own; the rest is the common command line.
  std::vector<char*> common;
  for (int i = 0; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--zuvoconv" && i + 1 < argc) {
      zuvoconv = argv[++i];
    } else {
      common.push_back(argv[i]);
    }
  }
  const SizesAndFolder arguments = ParseSizesAndFolder(
      static_cast<int>(common.size()), common.data(), "dbf_bench", {kDefaultRecords}, "records");
  PrintTableHeading();
  const int failures = RunEachSize(
      arguments, [](const fs::path&, int) {},
      [&](const fs::path& folder, int records) { Run(folder, records, zuvoconv); });
  return failures == 0 ? 0 : 1;
}
