// zuvoconv dbf on a table cut short: what is left is shown, and the command says what is missing.
#include <gtest/gtest.h>

#include <string>

#include "platform/dbf_writer.h"
#include "support/cli_runner.h"
#include "support/dbf_bytes.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

using testing::CliRun;
using testing::Quoted;
using testing::ReadFileBytes;
using testing::RunCli;
using testing::TempDir;
using testing::WriteFileBytes;

// 32 + 32 + 1 header bytes, records of 1 + 3 bytes.
constexpr size_t kHeaderLength = 65;
constexpr size_t kRecordLength = 4;

TEST(DbfCommandShortTable, ShowsTheWholeRecordsThenNamesBothCountsAndFails) {
  if (!testing::HaveCli()) GTEST_SKIP() << "ZUVO_CLI is not set";
  TempDir dir;
  {
    DbfWriter writer(dir / "CUT.DBF", {{"CODE", 'C', 3}});
    for (const char* code : {"AAA", "BBB", "CCC", "DDD"}) writer.Append({code});
    writer.Close();
  }
  // The last two records and a half are lost: the header still states 4.
  std::string bytes = ReadFileBytes(dir / "CUT.DBF");
  ASSERT_EQ(bytes.size(), kHeaderLength + 4 * kRecordLength + 1);
  WriteFileBytes(dir / "CUT.DBF", bytes.substr(0, kHeaderLength + kRecordLength + 2));
  const std::string complaint =
      "zuvoconv dbf: the table is cut short: its header states 4 records, the file holds only 1 "
      "(shown above); a conversion refuses it\n";

  CliRun listing = RunCli("dbf " + Quoted(dir / "CUT.DBF"), testing::WithErrors());
  EXPECT_EQ(listing.status, 1);
  EXPECT_NE(listing.out.find("records: 1 (the header states 4), deleted: 0\n"), std::string::npos)
      << listing.out;
  EXPECT_NE(listing.out.find("  recno  CODE\n      1  AAA \n" + complaint), std::string::npos)
      << listing.out;

  CliRun csv = RunCli("dbf " + Quoted(dir / "CUT.DBF") + " --csv", testing::WithErrors());
  EXPECT_EQ(csv.status, 1);
  EXPECT_EQ(csv.out, "CODE\r\nAAA\r\n" + complaint);

  // A header that counts fewer records than the file holds is no damage.
  bytes[4] = 3;
  WriteFileBytes(dir / "CUT.DBF", bytes);
  CliRun understated = RunCli("dbf " + Quoted(dir / "CUT.DBF") + " --csv", testing::WithErrors());
  EXPECT_EQ(understated.status, 0);
  EXPECT_EQ(understated.out, "CODE\r\nAAA\r\nBBB\r\nCCC\r\n");
}

}  // namespace
}  // namespace zuvo
