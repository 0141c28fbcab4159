#include "workspace/source_table.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/big5.h"
#include "platform/dbf_writer.h"
#include "platform/error.h"
#include "platform/file_ops.h"
#include "support/recording_step_context.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::ReadFileBytes;
using testing::TempDir;

class SourceTableTest : public ::testing::Test {
 protected:
  SourceTableTest() {
    CreateFolders(source);
    CreateFolders(work_tree);
  }

  // CO09D.DBF with one DNO field and the given rows.
  void WriteTable(const std::vector<std::string>& codes, uint8_t language_driver = 0x78) {
    DbfWriter writer(source / "co09d.dbf", {{"DNO", 'C', 12}}, language_driver);
    for (const std::string& code : codes) writer.Append({code});
    writer.Close();
  }

  TempDir dir;
  fs::path source = dir / "source";
  fs::path work_tree = dir / "program" / "VISW" / "3501" / "1151209_1";
  RunFlags flags;
  RecordingStepContext context{flags};
};

TEST_F(SourceTableTest, CopiesTheTableAndReadsTheCopyLeavingTheSourceAlone) {
  WriteTable({"A1", "B2"});
  const std::string bytes = ReadFileBytes(source / "co09d.dbf");
  testing::WriteFileBytes(work_tree / "CO09D.DBF", "an older copy");
  SourceTable table = SourceTable::Open(source, "CO09D.DBF", work_tree, context);
  EXPECT_EQ(table.source(), source / "co09d.dbf");
  EXPECT_EQ(table.table().path(), work_tree / "co09d.dbf");
  EXPECT_FALSE(fs::exists(work_tree / "CO09D.DBF")) << "the older copy in another case";
  EXPECT_EQ(table.table().RecordCount(), 2);
  EXPECT_TRUE(context.lines().empty());
  EXPECT_EQ(ReadFileBytes(source / "co09d.dbf"), bytes);
  EXPECT_FALSE(SourceTable::OpenIfPresent(source, "CO18R.DBF", work_tree, context));
}

// A header not updated for records added after it: the table is read as the header says, and
// support staff are told, naming the file in the source folder.
TEST_F(SourceTableTest, AHeaderThatCountsFewerRecordsIsListedAndBelieved) {
  WriteTable({"A1", "B2", "C3"});
  std::string bytes = ReadFileBytes(source / "co09d.dbf");
  bytes[4] = 2;  // the header's record count, little-endian at offset 4
  testing::WriteFileBytes(source / "co09d.dbf", bytes);
  SourceTable table = SourceTable::Open(source, "CO09D.DBF", work_tree, context);
  EXPECT_EQ(table.table().RecordCount(), 2);
  EXPECT_THAT(context.lines(),
              ElementsAre("資料表表頭記錄數少於檔案所含:" + PathToUtf8(source / "co09d.dbf") +
                          " 表頭2筆,檔案3筆,只讀表頭所記的筆數"));
}

TEST_F(SourceTableTest, ADeclaredCodePageOtherThanBig5IsListedOnce) {
  WriteTable({"A1"}, 0x7A);  // code page 936, GBK
  SourceTable::Open(source, "CO09D.DBF", work_tree, context);
  EXPECT_THAT(context.lines(),
              ElementsAre("資料表宣告的字碼不是Big5:" + PathToUtf8(source / "co09d.dbf") +
                          " 字碼頁936,仍以Big5讀取"));
}

// A source folder that is the work tree would have its table deleted by the copy.
TEST_F(SourceTableTest, TheWorkTreeAsSourceIsRefusedAndLosesNothing) {
  DbfWriter writer(work_tree / "CO09D.DBF", {{"DNO", 'C', 12}});
  writer.Append({"A1"});
  writer.Close();
  const std::string bytes = ReadFileBytes(work_tree / "CO09D.DBF");
  try {
    SourceTable::Open(work_tree / "", "CO09D.DBF", work_tree, context);
    ADD_FAILURE() << "opened";
  } catch (const Error& error) {
    EXPECT_THAT(error.what(), HasSubstr("來源資料夾就是工作資料夾"));
  }
  EXPECT_EQ(ReadFileBytes(work_tree / "CO09D.DBF"), bytes);
}

TEST_F(SourceTableTest, ErrorsNameTheSourceFile) {
  testing::WriteFileBytes(source / "CO09D.DBF", "not a table");
  try {
    SourceTable::Open(source, "CO09D.DBF", work_tree, context);
    ADD_FAILURE() << "opened";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()),
              PathToUtf8(source / "CO09D.DBF") + ": too short for a dBase header (11 bytes)");
  }
  fs::remove(source / "CO09D.DBF");
  WriteTable({"A1"});
  SourceTable table = SourceTable::Open(source, "CO09D.DBF", work_tree, context);
  try {
    table.table().Text("NOSUCH");
    ADD_FAILURE() << "read";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()), PathToUtf8(source / "co09d.dbf") + ": no field NOSUCH");
  }
  try {
    SourceTable::Open(source, "CO07A.DBF", work_tree, context);
    ADD_FAILURE() << "opened";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()), "找不到來源資料表: " + PathToUtf8(source / "CO07A.DBF"));
  }
}

// Text bound for a database must decode; a character that does not becomes "？" and the row and
// field are named.
TEST_F(SourceTableTest, UndecodableTextIsReplacedAndListedWithItsPlace) {
  const std::string wang = big5::FromUtf8("王");
  WriteTable({"A1", wang + "\xA4 X", "\x81"});
  SourceTable table = SourceTable::Open(source, "CO09D.DBF", work_tree, context);
  std::vector<std::string> texts;
  for (table.table().First(); !table.table().Eof(); table.table().Next()) {
    texts.push_back(table.StorableText("DNO", context));
  }
  const std::string question = big5::FromUtf8("？");
  EXPECT_THAT(texts, ElementsAre("A1", wang + question + " X", question));
  const std::string place = PathToUtf8(source / "co09d.dbf");
  EXPECT_THAT(context.lines(), ElementsAre("字碼錯誤:" + place + " 第2筆 DNO:'王\\xA4 X'",
                                           "字碼錯誤:" + place + " 第3筆 DNO:'\\x81'"));
}

// A memo field gives the memo's text (not its block number), checked like any other text.
TEST_F(SourceTableTest, AMemoFieldGivesItsMemoText) {
  {
    DbfWriter writer(source / "PATDB.DBF", {{"NAME", 'C', 8}, {"WARN", 'M'}});
    writer.Append({"A", "  penicillin\r\n"});
    writer.Append({"B", ""});
    writer.Append({"C", "x\xA4"});
    writer.Close();
  }
  SourceTable table = SourceTable::Open(source, "PATDB.DBF", work_tree, context);
  std::vector<std::string> texts;
  for (table.table().First(); !table.table().Eof(); table.table().Next()) {
    texts.push_back(table.StorableText("WARN", context));
  }
  EXPECT_THAT(texts, ElementsAre("penicillin", "", "x" + big5::FromUtf8("？")));
  EXPECT_THAT(context.lines(), ElementsAre(HasSubstr("第3筆 WARN:'x\\xA4'")));
}

}  // namespace
}  // namespace zuvo
