// Runs zuvoconv's inspect and verify on stores made by the engine, damaged ones included.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "chart_fixture.h"
#include "core/chart_store.h"
#include "core/chart_writer.h"
#include "platform/big5.h"
#include "support/cli_runner.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

using ::testing::HasSubstr;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::Visit;
using testing::WriteFileBytes;
using testing::WritePatients;

testing::CliRun Zuvoconv(const std::string& arguments) {
  return testing::RunCli(arguments, testing::WithErrors());
}

class StoreCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::HaveCli()) GTEST_SKIP() << "ZUVO_CLI is set by ctest";
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
  testing::CliRun patient = Zuvoconv(Args("inspect patient") + " 12");
  EXPECT_EQ(patient.status, 0) << patient.out;
  EXPECT_THAT(patient.out, HasSubstr("name: 王小明"));
  EXPECT_THAT(patient.out, HasSubstr("matches: true"));
  EXPECT_THAT(patient.out, HasSubstr("note_storage: long, at byte 2690000"));
  EXPECT_THAT(patient.out, HasSubstr("offset: " + std::to_string(p2.offset)));

  testing::CliRun entry = Zuvoconv(Args("inspect entry") + " 0 1 --json");
  EXPECT_EQ(entry.status, 0) << entry.out;
  EXPECT_THAT(entry.out, HasSubstr("\"text\": \"<CC><name>咳嗽</name></CC>\""));
  EXPECT_THAT(entry.out, HasSubstr("\"remark\": \"<r>\""));
  EXPECT_THAT(entry.out, HasSubstr("\"visit\": \"2017-09-23 12:00:00\""));

  testing::CliRun history = Zuvoconv(Args("inspect history") + " 12");
  EXPECT_EQ(history.status, 0) << history.out;
  EXPECT_THAT(history.out, HasSubstr("entry_count: 2"));
  EXPECT_THAT(history.out, HasSubstr("chain_complete: true"));

  testing::CliRun day = Zuvoconv(Args("inspect day") + " 1060924");
  EXPECT_EQ(day.status, 0) << day.out;
  EXPECT_THAT(day.out, HasSubstr("count: 2"));
  EXPECT_THAT(day.out, HasSubstr("entry_count: 2"));

  testing::CliRun days = Zuvoconv(Args("inspect days") + " --json");
  EXPECT_EQ(days.status, 0) << days.out;
  EXPECT_THAT(days.out, HasSubstr("\"first_day\": \"2017-09-22\""));

  testing::CliRun verify = Zuvoconv(Args("verify"));
  EXPECT_EQ(verify.status, 0) << verify.out;
  EXPECT_THAT(verify.out, HasSubstr("clean"));
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
    testing::CliRun run = Zuvoconv(Args(command) + " 12");
    EXPECT_EQ(run.status, 0) << command << run.out;
  }
  testing::CliRun history = Zuvoconv(Args("inspect history") + " 12 --json");
  EXPECT_THAT(history.out, HasSubstr("(a cycle)"));
  EXPECT_THAT(history.out, HasSubstr("unknown tag 99"));
  for (auto [command, rest] :
       {std::pair<std::string, std::string>{"inspect entry", "0 " + std::to_string(p3.offset)},
        {"inspect entry", "0 99999999"},
        {"inspect entry", "7 1"},
        {"inspect day", "2017-09-24"},
        {"inspect days", ""}}) {
    testing::CliRun run = Zuvoconv(Args(command) + " " + rest + " --json");
    EXPECT_EQ(run.status, 0) << command << " " << rest << run.out;
  }
  testing::CliRun verify = Zuvoconv(Args("verify"));
  EXPECT_EQ(verify.status, 1) << verify.out;
  EXPECT_THAT(verify.out, HasSubstr("unknown tag 99"));
  EXPECT_THAT(verify.out, HasSubstr("(a cycle)"));
  EXPECT_THAT(verify.out, HasSubstr("lies past the end of the file"));
}

// A folder that holds no store is no clean store.
TEST_F(StoreCommandsTest, VerifyOfAFolderWithoutAStoreFails) {
  TempDir empty;
  testing::CliRun verify = Zuvoconv("verify " + testing::Quoted(empty.path()));
  EXPECT_EQ(verify.status, 1) << verify.out;
  EXPECT_THAT(verify.out, HasSubstr("no store"));
  EXPECT_THAT(verify.out, ::testing::Not(HasSubstr("clean")));
}

}  // namespace
}  // namespace zuvo
