// zuvoconv inspect: shows what a server data folder's stores hold, as text or JSON.
#include <charconv>
#include <cstdio>
#include <iostream>
#include <string>

#include "command.h"
#include "core/chart_reader.h"
#include "core/day_number.h"
#include "core/roc_date.h"
#include "core/store_description.h"
#include "description_output.h"

namespace zuvo::cli {
namespace {

int32_t IntegerArgument(const std::string& word, const std::string& what) {
  int32_t value = 0;
  auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (error != std::errc() || end != word.data() + word.size()) {
    throw UsageError(what + " must be an integer, not \"" + word + "\"");
  }
  return value;
}

// A day as yyyy-mm-dd, yyyymmdd or the ROC yyymmdd.
int32_t DayArgument(const std::string& word) {
  std::string digits;
  for (char c : word) {
    if (c != '-') digits += c;
  }
  DateTime date = 0;
  if (digits.size() == 8) {
    date = RocDateToDate(WesternToRocDate(digits));
  } else if (digits.size() == 7) {
    date = RocDateToDate(digits);
  }
  std::optional<int32_t> day = DayNumberOf(date);
  if (date == 0 || !day) {
    throw UsageError("the day must be yyyy-mm-dd, yyyymmdd or a ROC date yyymmdd, not \"" + word +
                     "\"");
  }
  return *day;
}

StoreLocation StoreArgument(Args& args) {
  std::filesystem::path folder = args.RequiredPositional(0, "STOREDIR");
  if (!std::filesystem::is_directory(folder)) {
    throw UsageError("STOREDIR " + folder.string() + " is not a folder");
  }
  return {folder, folder.parent_path() / "PTdata.ind"};
}

int Show(Invocation& invocation, size_t positional_count,
         const std::function<Description(const StoreLocation&)>& describe) {
  bool json = invocation.args.Flag("json");
  StoreLocation store = StoreArgument(invocation.args);
  invocation.args.Finish(positional_count);
  Description description = describe(store);
  if (json) {
    WriteJson(description, std::cout, 0);
    std::cout << "\n";
  } else {
    WriteText(description, std::cout, 0);
  }
  return kExitOk;
}

int RunPatient(Invocation& invocation) {
  int32_t number =
      IntegerArgument(invocation.args.RequiredPositional(1, "NUMBER"), "the patient number");
  return Show(invocation, 2,
              [&](const StoreLocation& store) { return DescribePatient(store, number); });
}

int RunEntry(Invocation& invocation) {
  int32_t code =
      IntegerArgument(invocation.args.RequiredPositional(1, "FILECODE"), "the file code");
  int32_t offset = IntegerArgument(invocation.args.RequiredPositional(2, "OFFSET"), "the offset");
  return Show(invocation, 3, [&](const StoreLocation& store) {
    ChartFileSet files(store);
    return DescribeEntry(files, {code, offset});
  });
}

int RunHistory(Invocation& invocation) {
  int32_t number =
      IntegerArgument(invocation.args.RequiredPositional(1, "NUMBER"), "the patient number");
  return Show(invocation, 2,
              [&](const StoreLocation& store) { return DescribeHistory(store, number); });
}

int RunDay(Invocation& invocation) {
  int32_t day = DayArgument(invocation.args.RequiredPositional(1, "DAY"));
  return Show(invocation, 2, [&](const StoreLocation& store) { return DescribeDay(store, day); });
}

int RunDays(Invocation& invocation) {
  return Show(invocation, 1, [](const StoreLocation& store) { return DescribeDayIndex(store); });
}

ZUVO_COMMAND("inspect patient", "STOREDIR NUMBER [--json]",
             "show a patient record: fields, note and checksum state", RunPatient);
ZUVO_COMMAND("inspect entry", "STOREDIR FILECODE OFFSET [--json]",
             "show the chart entry at a chart position", RunEntry);
ZUVO_COMMAND("inspect history", "STOREDIR NUMBER [--json]",
             "show a patient's chart entries, newest first, along the chain", RunHistory);
ZUVO_COMMAND("inspect day", "STOREDIR DAY [--json]",
             "show the chart entries of a day (yyyy-mm-dd or ROC yyymmdd) along the day chain",
             RunDay);
ZUVO_COMMAND("inspect days", "STOREDIR [--json]",
             "show the day index: first day, append point and the days with entries", RunDays);

}  // namespace
}  // namespace zuvo::cli
