// Runs zuvoconv's inspect and verify on stores made by the engine, damaged ones included.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "chart_fixture.h"
#include "core/chart_store.h"
#include "core/chart_writer.h"
#include "platform/big5.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

using ::testing::HasSubstr;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::Visit;
using testing::WriteFileBytes;
using testing::WritePatients;

struct CliRun {
  int status;
  std::string output;
};

CliRun Zuvoconv(const std::string& arguments) {
  const char* cli = std::getenv("ZUVO_CLI");
  std::string command = std::string(cli) + " " + arguments + " 2>&1";
  CliRun run{-1, {}};
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  for (size_t read; (read = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    run.output.append(buffer, read);
  int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return run;
}

class StoreCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("ZUVO_CLI") == nullptr) GTEST_SKIP() << "ZUVO_CLI is set by ctest";
    std::filesystem::create_directories(folder);
    PatientRecord record;
    record.Set(patient_field::kNumber, 12);
    record.Set(patient_field::kName, big5::FromUtf8("王小明"));
    WritePatient(store, record, std::string(120, 'n'));
    WritePatients(store, {13});
    FreshChartStoreWriter writer(store, {6, 43000, 43010});
    ChartEntry a = Visit(12, 43001.5);
    a.chart_text = big5::FromUtf8("<CC><name>咳嗽</name></CC>");
    a.orders[0].remark = "<r>";
    ChartEntry b = Visit(12, 43002.25);
    ChartEntry c = Visit(13, 43002.5);
    p1 = writer.Write(a);
    p2 = writer.Write(b);
    p3 = writer.Write(c);
    writer.Finish();
  }
  // The command words followed by the store folder.
  std::string Args(const std::string& command) { return command + " " + folder.string(); }

  TempDir dir;
  std::filesystem::path folder = dir / "Tolsern" / "3501010101";
  StoreLocation store{folder, dir / "Tolsern" / "PTdata.ind"};
  ChartPosition p1, p2, p3;
};

TEST_F(StoreCommandsTest, InspectShowsRecordsEntriesChainsAndDays) {
  CliRun patient = Zuvoconv(Args("inspect patient") + " 12");
  EXPECT_EQ(patient.status, 0) << patient.output;
  EXPECT_THAT(patient.output, HasSubstr("name: 王小明"));
  EXPECT_THAT(patient.output, HasSubstr("matches: true"));
  EXPECT_THAT(patient.output, HasSubstr("note_storage: long, at byte 2690000"));
  EXPECT_THAT(patient.output, HasSubstr("offset: " + std::to_string(p2.offset)));

  CliRun entry = Zuvoconv(Args("inspect entry") + " 0 1 --json");
  EXPECT_EQ(entry.status, 0) << entry.output;
  EXPECT_THAT(entry.output, HasSubstr("\"text\": \"<CC><name>咳嗽</name></CC>\""));
  EXPECT_THAT(entry.output, HasSubstr("\"remark\": \"<r>\""));
  EXPECT_THAT(entry.output, HasSubstr("\"visit\": \"2017-09-23 12:00:00\""));

  CliRun history = Zuvoconv(Args("inspect history") + " 12");
  EXPECT_EQ(history.status, 0) << history.output;
  EXPECT_THAT(history.output, HasSubstr("entry_count: 2"));
  EXPECT_THAT(history.output, HasSubstr("chain_complete: true"));

  CliRun day = Zuvoconv(Args("inspect day") + " 1060924");
  EXPECT_EQ(day.status, 0) << day.output;
  EXPECT_THAT(day.output, HasSubstr("count: 2"));
  EXPECT_THAT(day.output, HasSubstr("entry_count: 2"));

  CliRun days = Zuvoconv(Args("inspect days") + " --json");
  EXPECT_EQ(days.status, 0) << days.output;
  EXPECT_THAT(days.output, HasSubstr("\"first_day\": \"2017-09-22\""));

  CliRun verify = Zuvoconv(Args("verify"));
  EXPECT_EQ(verify.status, 0) << verify.output;
  EXPECT_THAT(verify.output, HasSubstr("clean"));
}

TEST_F(StoreCommandsTest, DamagedStoresAreReportedNotCrashedOn) {
  std::filesystem::path chart = ChartFilePath(store, 0);
  std::string bytes = ReadFileBytes(chart);
  bytes[size_t(p2.offset - 1) + 58 + 294 + 8] = 99;  // tag 99 in the second entry
  bytes.replace(size_t(p1.offset - 1) + 2 + 28, 4, I32Bytes(p2.offset));  // cycle 2 -> 1 -> 2
  WriteFileBytes(chart, bytes.substr(0, bytes.size() - 30));              // and truncated
  std::string patients = ReadFileBytes(folder / "PtData.000");
  patients.replace(12 * 269 + 265, 4, I32Bytes(0x7FFFFFF0));  // long note past the end
  WriteFileBytes(folder / "PtData.000", patients);

  for (std::string command : {"inspect patient", "inspect history"}) {
    CliRun run = Zuvoconv(Args(command) + " 12");
    EXPECT_EQ(run.status, 0) << command << run.output;
  }
  CliRun history = Zuvoconv(Args("inspect history") + " 12 --json");
  EXPECT_THAT(history.output, HasSubstr("(a cycle)"));
  EXPECT_THAT(history.output, HasSubstr("unknown tag 99"));
  for (auto [command, rest] :
       {std::pair<std::string, std::string>{"inspect entry", "0 " + std::to_string(p3.offset)},
        {"inspect entry", "0 99999999"},
        {"inspect entry", "7 1"},
        {"inspect day", "2017-09-24"},
        {"inspect days", ""}}) {
    CliRun run = Zuvoconv(Args(command) + " " + rest + " --json");
    EXPECT_EQ(run.status, 0) << command << " " << rest << run.output;
  }
  CliRun verify = Zuvoconv(Args("verify"));
  EXPECT_EQ(verify.status, 1) << verify.output;
  EXPECT_THAT(verify.output, HasSubstr("unknown tag 99"));
  EXPECT_THAT(verify.output, HasSubstr("(a cycle)"));
  EXPECT_THAT(verify.output, HasSubstr("lies past the end of the file"));
}

}  // namespace
}  // namespace zuvo
