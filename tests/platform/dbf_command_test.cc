// zuvoconv dbf, run as a program on tables written for the purpose.
#include <gtest/gtest.h>

#include <string>

#include "platform/dbf_writer.h"
#include "support/cli_runner.h"
#include "support/dbf_bytes.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using testing::DbfDescriptor;
using testing::DbfFixedHeader;
using testing::TempDir;
using testing::WriteFileBytes;

// Standard output of `zuvoconv dbf ARGS` (with standard error after it when `with_errors`) and
// its exit status.
std::string RunDbfCommand(const std::string& args, int& status, bool with_errors = false) {
  testing::CliOptions options;
  options.with_errors = with_errors;
  testing::CliRun run = testing::RunCli("dbf " + args, options);
  status = run.status;
  return run.out;
}

class DbfCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::HaveCli()) GTEST_SKIP() << "ZUVO_CLI is not set";
    DbfWriter writer(dir_ / "T.DBF", {{"NAME", 'C', 10}, {"NOTE", 'C', 12}, {"N", 'N', 5, 1}});
    writer.Append({"\xA4\xFD\xA4\x70\xA9\xFA", "say \"hi\", ok", "12.5"});  // 王小明
    writer.Append({"gone", "", ""});
    writer.Append({"x\xA4", "two\r\nlines", ""});  // a lone lead byte
    writer.MarkDeleted(2);
    writer.Close();
    file_ = "'" + (dir_ / "T.DBF").string() + "'";
  }
  TempDir dir_;
  std::string file_;
};

TEST_F(DbfCommand, CsvQuotesEscapesAndSkipsDeletedRecords) {
  int status = -1;
  EXPECT_EQ(RunDbfCommand(file_ + " --csv", status),
            "NAME,NOTE,N\r\n"
            "王小明,\"say \"\"hi\"\", ok\",12.5\r\n"
            "x\\xA4,\"two\r\nlines\",\r\n");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(RunDbfCommand(file_ + " --csv --raw --fields n,name", status),
            "N,NAME\r\n12.5,\xA4\xFD\xA4\x70\xA9\xFA\r\n,x\xA4\r\n");
}

TEST_F(DbfCommand, ListingShowsTheHeaderAndEveryRecord) {
  int status = -1;
  std::string out = RunDbfCommand(file_, status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(
      out.find("declared code page: 950\nrecords: 3, deleted: 1\nfields: 3\n"
               "    1 NAME        C  10\n    2 NOTE        C  12\n    3 N           N   5.1\n"),
      std::string::npos)
      << out;
  // Values keep their field widths (a Big5 character is two bytes and two columns wide).
  std::string blanks(5, ' ');
  EXPECT_NE(out.find("      1  王小明     say \"hi\", ok  12.5\n"
                     "      2* gone      " +
                     std::string(1 + 12 + 1, ' ') + blanks + "\n" +
                     "      3  x\\xA4         two\r\nlines   " + blanks + "\n"),
            std::string::npos)
      << out;
  RunDbfCommand(file_ + " --fields NAME,MISSING", status);
  EXPECT_NE(status, 0);
}

// A Visual FoxPro table laid down by hand: PAID (bit 0) and NAME (bit 1) are nullable.
class DbfCommandTypes : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::HaveCli()) GTEST_SKIP() << "ZUVO_CLI is not set";
    const std::string descriptors =
        DbfDescriptor("ID", 'I', 4) + DbfDescriptor("PAID", 'Y', 8, 4, 0x02) +
        DbfDescriptor("WHEN", 'T', 8) + DbfDescriptor("RATE", 'B', 8) +
        DbfDescriptor("BORN", 'D', 8) + DbfDescriptor("OK", 'L', 1) +
        DbfDescriptor("NAME", 'C', 4, 0, 0x02) + DbfDescriptor("_NullFlags", '0', 1, 0, 0x05);
    std::string table =
        DbfFixedHeader(0x30, 2, 32 + 8 * 32 + 1, 1 + 4 + 8 + 8 + 8 + 8 + 1 + 4 + 1, 0x03) +
        descriptors + "\r";
    table += " \x01\0\0\0"s + "\xE0\x2E\0\0\0\0\0\0"s + "\x56\x71\x25\x00\xE7\xD0\xB1\x03"s +
             "\0\0\0\0\0\0\x04\x40"s + "20050712" + "T" + "ab  " + "\0"s;
    table += " \xFD\xFF\xFF\xFF"s + std::string(16, '\0') + "\0\0\0\0\0\0\xD0\xBF"s + "        " +
             "?" + "    " + "\x03";
    WriteFileBytes(dir_ / "PAY.DBF", table + "\x1A");
    file_ = "'" + (dir_ / "PAY.DBF").string() + "'";
  }
  TempDir dir_;
  std::string file_;
};

TEST_F(DbfCommandTypes, EveryTypePrintsAsItsValue) {
  int status = -1;
  EXPECT_EQ(RunDbfCommand(file_ + " --csv", status),
            "ID,PAID,WHEN,RATE,BORN,OK,NAME,_NullFlags\r\n"
            "1,1.2000,2006-04-20T17:13:04.999,2.5,2005-07-12,T,ab,00\r\n"
            "-3,,,-0.25,,,,03\r\n");
  EXPECT_EQ(status, 0);
  std::string out = RunDbfCommand(file_, status);
  EXPECT_EQ(status, 0);
  // Numbers right-aligned in their columns; null shows as NULL, no value as nothing.
  EXPECT_NE(out.find("      1            1           1.2000 2006-04-20T17:13:04.999 "
                     "             2.5 2005-07-12 T  ab   00        \n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("      2           -3             NULL                         "
                     "           -0.25               NULL 03        \n"),
            std::string::npos)
      << out;
}

TEST_F(DbfCommandTypes, HelpListsTheOptionsAndWhatEachTypePrintsAs) {
  int status = -1;
  std::string help = RunDbfCommand("--help", status);
  EXPECT_EQ(status, 0);
  for (const char* line :
       {"  --fields A,B,...", "  --csv ", "  --raw ", "  --encoding NAME ",
        "  Y               currency with four decimals", "  D               date: 2024-01-31",
        "  T, @            date and time", "  null            NULL in the listing, empty in CSV"}) {
    EXPECT_NE(help.find(line), std::string::npos) << line;
  }
}

TEST(DbfCommandMemo, UnreadableMemoShowsAsAQuestionMarkAndTheCommandFails) {
  if (!testing::HaveCli()) GTEST_SKIP() << "ZUVO_CLI is not set";
  TempDir dir;
  // FoxPro memo file: block size 64, a 512-byte header; block 8 holds "kept", block 1 lies in
  // the header.
  std::string memo(512, '\0');
  memo[7] = 64;
  memo += "\0\0\0\x01\0\0\0\x04kept"s + std::string(52, '\0');
  WriteFileBytes(dir / "M.FPT", memo);
  WriteFileBytes(dir / "M.DBF", DbfFixedHeader(0x30, 2, 65, 5) + DbfDescriptor("NOTE", 'M', 4) +
                                    "\r \x01\0\0\0 \x08\0\0\0\x1A"s);
  int status = -1;
  EXPECT_EQ(RunDbfCommand("'" + (dir / "M.DBF").string() + "' --csv", status, true),
            "NOTE\r\n?\r\nkept\r\nzuvoconv dbf: 1 memo value(s) could not be read and show as ?; "
            "the first: memo block 1 of " +
                (dir / "M.FPT").string() + " lies inside the file header\n");
  EXPECT_EQ(status, 1);
}

// Run in the table's own folder with the bare name, the command still finds the memo file.
TEST(DbfCommandMemo, AMemoIsFoundWhenTheTableIsNamedWithoutAFolder) {
  if (!testing::HaveCli()) GTEST_SKIP() << "ZUVO_CLI is not set";
  TempDir dir;
  DbfWriter writer(dir / "NOTES.DBF", {{"ID", 'C', 2}, {"TEXT", 'M', 10}});
  writer.Append({"1", "first memo"});
  writer.Close();
  testing::CliOptions in_folder = testing::WithErrors();
  in_folder.folder = dir.path();
  testing::CliRun run = testing::RunCli("dbf NOTES.DBF --csv", in_folder);
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(run.out, "ID,TEXT\r\n1,first memo\r\n");
}

TEST(DbfCommandCodePage, TextIsDecodedAsTheTableDeclaresUnlessToldOtherwise) {
  if (!testing::HaveCli()) GTEST_SKIP() << "ZUVO_CLI is not set";
  TempDir dir;
  // 简体 in GBK, the language driver 0x7A saying so.
  WriteFileBytes(dir / "GB.DBF", DbfFixedHeader(0x03, 1, 65, 5, 0x7A) +
                                     DbfDescriptor("NAME", 'C', 4) + "\r \xBC\xF2\xCC\xE5\x1A");
  const std::string file = "'" + (dir / "GB.DBF").string() + "'";
  int status = -1;
  EXPECT_EQ(RunDbfCommand(file + " --csv", status), "NAME\r\n简体\r\n");
  EXPECT_EQ(RunDbfCommand(file + " --csv --encoding big5", status), "NAME\r\n潠极\r\n");
  std::string listing = RunDbfCommand(file + " --encoding UTF-8", status);
  EXPECT_NE(listing.find("declared code page: 936\ntext shown as code page 65001\n"),
            std::string::npos)
      << listing;
  EXPECT_NE(listing.find("\\xBC\\xF2\\xCC\\xE5"), std::string::npos) << listing;
  RunDbfCommand(file + " --encoding klingon", status);
  EXPECT_EQ(status, 64);

  // A .cpg beside it wins; one that names nothing is ignored with a warning.
  WriteFileBytes(dir / "gb.cpg", "UTF-8");
  WriteFileBytes(dir / "GB.DBF", DbfFixedHeader(0x03, 1, 65, 10, 0x7A) +
                                     DbfDescriptor("NAME", 'C', 9) +
                                     "\r \xE8\x87\xBA\xE4\xB8\xAD\xE5\xB8\x82\x1A");
  EXPECT_EQ(RunDbfCommand(file + " --csv", status), "NAME\r\n臺中市\r\n");
  WriteFileBytes(dir / "gb.cpg", "<html></html>");
  EXPECT_EQ(RunDbfCommand(file + " --csv --encoding 65001", status, true),
            "warning: " + (dir / "gb.cpg").string() +
                " names no code page this program knows; it is ignored\nNAME\r\n臺中市\r\n");
}

}  // namespace
}  // namespace zuvo
