// Reading speed of the dBase adapter: writes a 200,000-record table of 20 fields (Big5 names
// and addresses, numbers, dates) with DbfWriter, reads every field of every record through
// DbfTable, and compares with a plain read() of the file, with `zuvoconv dbf --csv`, with
// `pgdbf -s cp950` and with `cat`.
//
// usage: dbf_bench [--records N] [--zuvoconv PATH] [--keep]
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_timing.h"
#include "platform/big5.h"
#include "platform/dbf_table.h"
#include "platform/dbf_writer.h"

namespace {

using namespace zuvo::bench;

namespace fs = std::filesystem;
using zuvo::DbfFieldSpec;

constexpr int kDefaultRecords = 200000;
constexpr int kCommandRuns = 3;

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

double PlainRead(const fs::path& file, size_t& bytes) {
  Clock::time_point start = Clock::now();
  int descriptor = ::open(file.c_str(), O_RDONLY);
  std::vector<char> buffer(1 << 20);
  bytes = 0;
  for (ssize_t got; (got = ::read(descriptor, buffer.data(), buffer.size())) > 0;) {
    bytes += static_cast<size_t>(got);
  }
  ::close(descriptor);
  return Seconds(start);
}

// Best of several runs of a shell command; negative when it fails.
double TimeCommand(const std::string& command) {
  double best = -1;
  for (int run = 0; run < kCommandRuns; ++run) {
    Clock::time_point start = Clock::now();
    if (std::system(command.c_str()) != 0) return -1;
    double seconds = Seconds(start);
    if (best < 0 || seconds < best) best = seconds;
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  int records = kDefaultRecords;
  fs::path zuvoconv = fs::absolute(argv[0]).parent_path().parent_path() / "cli" / "zuvoconv";
  bool keep = false;
  for (int i = 1; i < argc; ++i) {
    std::string word = argv[i];
    if (word == "--records" && i + 1 < argc) {
      records = std::atoi(argv[++i]);
    } else if (word == "--zuvoconv" && i + 1 < argc) {
      zuvoconv = argv[++i];
    } else if (word == "--keep") {
      keep = true;
    } else {
      std::fprintf(stderr, "usage: dbf_bench [--records N] [--zuvoconv PATH] [--keep]\n");
      return 64;
    }
  }
  fs::path folder = fs::temp_directory_path() / ("zuvo-dbf-bench-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  fs::path file = folder / "CO01M.DBF";

  Clock::time_point start = Clock::now();
  WriteTable(file, records);
  double write_seconds = Seconds(start);
  std::printf("wrote %d records x %zu fields (%ju bytes) in %.3f s\n", records, Fields().size(),
              static_cast<uintmax_t>(fs::file_size(file)), write_seconds);

  size_t file_bytes = 0;
  double read_seconds = PlainRead(file, file_bytes);
  read_seconds = std::min(read_seconds, PlainRead(file, file_bytes));

  // Every field of every record, (1) by name as a copied string, (2) by name as a view into
  // the mapped file, (3) by position as a view.
  auto time_read = [&](auto read_field, size_t& bytes) {
    Clock::time_point begin = Clock::now();
    zuvo::DbfTable table(file);
    const std::vector<zuvo::DbfField>& fields = table.Fields();
    for (table.First(); !table.Eof(); table.Next()) {
      for (size_t index = 0; index < fields.size(); ++index) {
        bytes += read_field(table, fields[index], static_cast<int>(index));
      }
    }
    return Seconds(begin);
  };
  size_t text_bytes = 0, view_bytes = 0, raw_bytes = 0;
  double text_seconds = time_read(
      [](const zuvo::DbfTable& t, const zuvo::DbfField& f, int) { return t.Text(f.name).size(); },
      text_bytes);
  double view_seconds = time_read([](const zuvo::DbfTable& t, const zuvo::DbfField& f,
                                     int) { return t.RawField(f.name).size(); },
                                  view_bytes);
  double raw_seconds = time_read(
      [](const zuvo::DbfTable& t, const zuvo::DbfField&, int i) { return t.RawField(i).size(); },
      raw_bytes);
  if (text_bytes != raw_bytes || view_bytes != raw_bytes) {
    std::fprintf(stderr, "the reads disagree: %zu, %zu and %zu bytes\n", text_bytes, view_bytes,
                 raw_bytes);
    return 1;
  }

  auto report = [&](const char* what, double seconds) {
    std::printf("%-28s %8.4f s  %10.0f records/s  %6.2f x read()\n", what, seconds,
                records / seconds, seconds / read_seconds);
  };
  std::printf("%-28s %8.4f s\n", "plain read():", read_seconds);
  report("adapter, Text(name):", text_seconds);
  report("adapter, RawField(name):", view_seconds);
  report("adapter, RawField(index):", raw_seconds);

  std::string quoted = "'" + file.string() + "'";
  double cat_seconds = TimeCommand("cat " + quoted + " > /dev/null");
  double csv_seconds =
      TimeCommand("'" + zuvoconv.string() + "' dbf " + quoted + " --csv > /dev/null");
  double pgdbf_seconds = TimeCommand("pgdbf -s cp950 " + quoted + " > /dev/null 2>&1");
  std::printf("cat > /dev/null:            %8.4f s\n", cat_seconds);
  if (csv_seconds >= 0) {
    std::printf("zuvoconv dbf --csv:         %8.4f s  %5.2f x cat\n", csv_seconds,
                csv_seconds / cat_seconds);
  } else {
    std::printf("zuvoconv dbf --csv:         failed (%s)\n", zuvoconv.c_str());
  }
  if (pgdbf_seconds >= 0) {
    std::printf("pgdbf -s cp950:             %8.4f s  %5.2f x cat\n", pgdbf_seconds,
                pgdbf_seconds / cat_seconds);
  } else {
    std::printf("pgdbf -s cp950:             not available or failed\n");
  }
  std::printf(
      "adapter full read / cat:  Text(name) %.2f, RawField(name) %.2f, RawField(index) %.2f\n",
      text_seconds / cat_seconds, view_seconds / cat_seconds, raw_seconds / cat_seconds);
  if (!keep)
    fs::remove_all(folder);
  else
    std::printf("table kept in %s\n", folder.c_str());
  return 0;
}
