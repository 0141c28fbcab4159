// zuvoconv dbf, run as a program on tables written for the purpose.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/dbf_writer.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

using testing::TempDir;

// Standard output of `zuvoconv dbf ARGS`; skips the test when the program is not known.
std::string RunDbfCommand(const std::string& args, int& status) {
  const char* cli = std::getenv("ZUVO_CLI");
  if (cli == nullptr) return {};
  std::string command = std::string("'") + cli + "' dbf " + args + " 2>/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  std::string out;
  char buffer[4096];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, got);
  status = ::pclose(pipe);
  return out;
}

class DbfCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("ZUVO_CLI") == nullptr) GTEST_SKIP() << "ZUVO_CLI is not set";
    DbfWriter writer(dir_ / "T.DBF", {{"NAME", 'C', 10}, {"NOTE", 'C', 12}, {"N", 'N', 5, 1}},
                     0x7A);
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
      out.find("declared code page: 936\nwarning: the table declares code page 936, not 950 "
               "(Big5); its text is shown as Big5\nrecords: 3, deleted: 1\nfields: 3\n"
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

}  // namespace
}  // namespace zuvo
