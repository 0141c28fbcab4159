// The imports of the NHI publications: the ICD-10-CM and ICD-10-PCS workbooks (generated in the
// NHI's layout by the tests' workbook writer) and the ICD-10-PCS mapping text.
#include <gtest/gtest.h>

#include "diagnosis/icd10_cm_import.h"
#include "diagnosis/pcs_import.h"
#include "diagnosis_fixture.h"
#include "platform/big5.h"
#include "platform/error.h"
#include "support/recording_step_context.h"
#include "support/temp_dir.h"
#include "support/xls_writer.h"

namespace zuvo {
namespace {

using testing::ColumnValues;
using testing::FieldOf;
using testing::TempDir;
using testing::XlsSheet;
using Texts = std::vector<std::string>;

TEST(Icd10CmCodeCell, PublishedShapesPassOthersAreRefused) {
  for (const char* code : {"A00.0", "C7A.0", "M1A", "Z3A", "S72.001A", "A00", "B3B"}) {
    EXPECT_TRUE(IsIcd10CmCode(code)) << code;
  }
  for (const char* code : {"1A0", "a00.0", "A000", "AA0", "A0C", "A00-", "A0", ""}) {
    EXPECT_FALSE(IsIcd10CmCode(code)) << code;
  }
}

TEST(Icd10CmHeading, LongCellsVolumeChapterAndCodeCaptionsAreHeadings) {
  EXPECT_TRUE(IsIcd10CmHeading("ICD-10-CM"));  // 9 bytes
  EXPECT_FALSE(IsIcd10CmHeading("S72.001A"));  // 8 bytes: a code
  EXPECT_TRUE(IsIcd10CmHeading("第一冊"));     // 第 with 冊 (6 Big5 bytes)
  EXPECT_TRUE(IsIcd10CmHeading("第1章"));      // 第 with 章
  EXPECT_FALSE(IsIcd10CmHeading("第1節"));     // 第 alone
  EXPECT_TRUE(IsIcd10CmHeading("代碼"));
  EXPECT_TRUE(IsIcd10CmHeading("傳染病寄生蟲"));  // 12 Big5 bytes, though 18 in UTF-8
  EXPECT_FALSE(IsIcd10CmHeading("霍亂病"));       // 6 Big5 bytes, though 9 in UTF-8
  EXPECT_FALSE(IsIcd10CmHeading(""));
}

TEST(Icd10CmRemark, ThreeBlanksEndTheName) {
  EXPECT_EQ(WithoutRemark("霍亂   (本碼不得為主診斷)"), "霍亂");
  EXPECT_EQ(WithoutRemark("霍亂 弧菌  所致"), "霍亂 弧菌  所致");
  EXPECT_EQ(WithoutRemark("霍亂 \t   備註"), "霍亂");
}

// The NHI layout: heading rows, then two rows per code. Two sheets of codes and a
// FilterDatabase sheet that must not be read.
std::vector<XlsSheet> CmWorkbook() {
  XlsSheet first{"ICD-10-CM",
                 {{"2023年中文版ICD-10-CM", ""},
                  {"第一冊 第1章", ""},
                  {"ICD-10-CM代碼", "英文名稱"},
                  {"A00", "Cholera"},
                  {"", "霍亂"},
                  {"A00.0", "Cholera due to Vibrio cholerae 01, biovar cholerae"},
                  {"", "血清型01 cholerae霍亂弧菌所致之霍亂   (本碼不得為主診斷)"},
                  {"A00.1", "Cholera due to Vibrio cholerae 01, biovar eltor"},
                  {"", ""},  // no Chinese name: nothing appended
                  {"A00.9", "  Cholera, unspecified  "},
                  {"", " 霍亂 "}}};
  XlsSheet filter{"_xlnm._FilterDatabase", {{"Z99.9", "must not be read"}, {"", "不讀"}}};
  XlsSheet second{"第二冊",
                  {{"代碼", "名稱"},
                   {"C7A.0", "Malignant carcinoid tumors of the small intestine"},
                   {"", "小腸惡性類癌瘤"},
                   {"", ""},
                   {"A00", "Cholera again"},  // the same code twice: listed and skipped
                   {"", "霍亂重複"},
                   {"G72.41", "Inclusion body myositis [IBM]"},
                   {"", "内含体肌病變[IBM]"}}};  // 内 is no Big5 character: kept exactly
  return {first, filter, second};
}

struct DiagnosisHome {
  TempDir folder;
  Database database = testing::CreateDiagnosisDatabase(folder / "ICD10CM.MDB");
  RunFlags flags;
  RecordingStepContext context{flags};
};

TEST(Icd10CmImport, NhiLayoutWorkbookIsImportedAndCounted) {
  DiagnosisHome home;
  testing::ExecuteUtf8(home.database,
                       "insert into ICD10 (ICDcode, Ename, Cname) values ('OLD', 'old', '舊')");
  testing::WriteXlsWorkbook(home.folder / "cm.xls", CmWorkbook());
  WorkbookImported imported =
      ImportIcd10CmWorkbook(home.database, home.folder / "cm.xls", home.context);
  EXPECT_EQ(imported.result, StepResult::kDone);
  EXPECT_EQ(imported.rows, 5);
  EXPECT_EQ(imported.duplicates, 1);
  EXPECT_EQ(home.context.done(), 5);
  EXPECT_EQ(ColumnValues(home.database, "ICD10", "ICDcode", "rowid"),
            (Texts{"A00", "A000", "A009", "C7A0", "G7241"}));
  EXPECT_EQ(FieldOf(home.database, "ICD10", "ICDcode", "A000", "Cname"),
            "血清型01 cholerae霍亂弧菌所致之霍亂");
  EXPECT_EQ(FieldOf(home.database, "ICD10", "ICDcode", "A009", "Ename"), "Cholera, unspecified");
  EXPECT_EQ(FieldOf(home.database, "ICD10", "ICDcode", "A009", "Cname"), "霍亂");
  EXPECT_EQ(FieldOf(home.database, "ICD10", "ICDcode", "A00", "Ename"), "Cholera");
  EXPECT_EQ(FieldOf(home.database, "ICD10", "ICDcode", "G7241", "Cname"), "内含体肌病變[IBM]");
  ASSERT_EQ(home.context.lines().size(), 1u);
  EXPECT_EQ(home.context.lines()[0],
            "ConstraintError error raised, with message : UNIQUE constraint failed: "
            "ICD10.ICDcode (A00)");
  EXPECT_EQ(home.context.MessageTexts(), (Texts{"轉檔完成"}));
}

TEST(Icd10CmImport, RefusedCodeOrMissingWorkbookLeavesTheFormerTable) {
  DiagnosisHome home;
  testing::ExecuteUtf8(home.database,
                       "insert into ICD10 (ICDcode, Ename, Cname) values ('OLD', 'old', '舊')");
  std::vector<XlsSheet> sheets = CmWorkbook();
  sheets[2].rows.push_back({"1A0", "not a code"});
  sheets[2].rows.push_back({"", "不是代碼"});
  testing::WriteXlsWorkbook(home.folder / "bad.xls", sheets);
  WorkbookImported imported =
      ImportIcd10CmWorkbook(home.database, home.folder / "bad.xls", home.context);
  EXPECT_EQ(imported.result, StepResult::kStopped);
  EXPECT_EQ(imported.refusal, "錯誤ICD1A0");
  EXPECT_EQ(imported.rows, 0) << "the rows read before the refusal were not kept";
  EXPECT_EQ(home.context.MessageTexts(), (Texts{"錯誤ICD1A0"}));
  EXPECT_EQ(ColumnValues(home.database, "ICD10", "ICDcode", "rowid"), (Texts{"OLD"}));

  EXPECT_THROW(ImportIcd10CmWorkbook(home.database, home.folder / "none.xls", home.context), Error);
  EXPECT_EQ(ColumnValues(home.database, "ICD10", "ICDcode", "rowid"), (Texts{"OLD"}));
}

TEST(PcsWorkbookImport, CodesUpperCasedBlankNamesListedUnderscoreSheetsSkipped) {
  DiagnosisHome home;
  testing::WriteXlsWorkbook(home.folder / "pcs.xls",
                            {{"PCS",
                              {{"ICD-10-PCS 2014", ""},
                               {"代碼", "英文"},
                               {"0016070", "Bypass Cerebral Ventricle to Nasopharynx"},
                               {"", "腦室至鼻咽繞道術"},
                               {"00160j0", "Bypass Cerebral Ventricle, Synthetic Substitute"},
                               {"", "腦室繞道術,合成代用品"},
                               {"0016071", ""},
                               {"", "沒有英文名"},
                               {"00H", "Insertion"},
                               {"", "置入"}}},
                             {"Sheet1_old", {{"0016072", "must not be read"}, {"", "不讀"}}}});
  WorkbookImported imported =
      ImportPcsWorkbook(home.database, home.folder / "pcs.xls", home.context);
  EXPECT_EQ(imported.result, StepResult::kDone);
  EXPECT_EQ(imported.rows, 3);
  EXPECT_EQ(ColumnValues(home.database, "ICD10PCS", "ICD10", "rowid"),
            (Texts{"0016070", "00160J0", "00H"}));
  EXPECT_EQ(FieldOf(home.database, "ICD10PCS", "ICD10", "00160J0", "Cname"),
            "腦室繞道術,合成代用品");
  EXPECT_EQ(home.context.lines(), (Texts{"0016071  Ename空白"}));
}

TEST(PcsWorkbookImport, SevenByteCodeWithOtherCharactersStopsAndKeepsTheTable) {
  DiagnosisHome home;
  testing::ExecuteUtf8(home.database,
                       "insert into ICD10PCS (ICD10, Ename, Cname) values ('OLD', 'o', '舊')");
  testing::WriteXlsWorkbook(
      home.folder / "pcs.xls",
      {{"PCS", {{"0016070", "Bypass"}, {"", "繞道"}, {"0016-7x", "Bad"}, {"", "錯"}}}});
  WorkbookImported imported =
      ImportPcsWorkbook(home.database, home.folder / "pcs.xls", home.context);
  EXPECT_EQ(imported.result, StepResult::kStopped);
  EXPECT_EQ(home.context.MessageTexts(), (Texts{"錯誤ICD: 0016-7X"}));
  EXPECT_EQ(ColumnValues(home.database, "ICD10PCS", "ICD10", "rowid"), (Texts{"OLD"}));
}

TEST(PcsMappingImport, CodesLookedUpInIcd10PcsAndMissingOnesListed) {
  DiagnosisHome home;
  testing::ExecuteUtf8(home.database,
                       "insert into ICD10PCS (ICD10, Ename, Cname) values ('0016070', 'Bypass', "
                       "'腦室至鼻咽繞道術')");
  testing::ExecuteUtf8(home.database, "insert into PCS (ICD10, INSUcode) values ('OLD', 'X')");
  std::string text = "0016070\t83001B\r\n0016070\t83002B\r\n0016071\t83003B\r\n沒有跳格\r\n";
  testing::WriteFileBytes(home.folder / "map.txt", big5::FromUtf8(text));
  PcsMappingRows read = ReadPcsMapping(home.database, home.folder / "map.txt", home.context);
  ASSERT_EQ(read.result, StepResult::kDone);
  EXPECT_EQ(WritePcsMapping(home.database, read.rows, home.context), 2);
  EXPECT_EQ(home.context.done(), 4) << "every line counts";
  EXPECT_EQ(home.context.lines(), (Texts{"找不到0016071", "找不到"}));
  EXPECT_EQ(ColumnValues(home.database, "PCS", "INSUcode", "rowid"), (Texts{"83001B", "83002B"}));
  EXPECT_EQ(FieldOf(home.database, "PCS", "INSUcode", "83002B", "CNAME"), "腦室至鼻咽繞道術");
  EXPECT_EQ(FieldOf(home.database, "PCS", "INSUcode", "83002B", "ENAME"), "Bypass");
  EXPECT_EQ(home.context.MessageTexts(), (Texts{"完成"}));
}

// A workbook that gives no row to write would leave the table empty: heading rows only (ICD-10-CM),
// codes without names only (ICD-10-PCS).
TEST(CodeWorkbookImport, WorkbookWithNothingToWriteIsRefusedAndTheTableKept) {
  using Import = WorkbookImported (*)(Database&, const std::filesystem::path&, StepContext&);
  struct Case {
    Import import;
    std::string table, key;
    XlsSheet sheet;
    Texts lines;
  };
  for (const Case& test : {Case{ImportIcd10CmWorkbook,
                                "ICD10",
                                "ICDcode",
                                {"ICD-10-CM", {{"2023年中文版ICD-10-CM", ""}}},
                                {}},
                           Case{ImportPcsWorkbook,
                                "ICD10PCS",
                                "ICD10",
                                {"PCS", {{"0016070", ""}, {"", "沒有英文名"}}},
                                {"0016070  Ename空白"}}}) {
    SCOPED_TRACE(test.table);
    DiagnosisHome home;
    home.database.Execute("insert into " + test.table + " (" + test.key +
                          ", Ename, Cname) values ('OLD', 'o', 'x')");
    testing::WriteXlsWorkbook(home.folder / "book.xls", {test.sheet});
    WorkbookImported imported = test.import(home.database, home.folder / "book.xls", home.context);
    const std::string refusal =
        "沒有讀到任何代碼,資料表" + test.table + "未變更:" + (home.folder / "book.xls").string();
    EXPECT_EQ(imported.result, StepResult::kStopped);
    EXPECT_EQ(imported.refusal, refusal);
    EXPECT_EQ(home.context.lines(), test.lines);
    EXPECT_EQ(home.context.MessageTexts(), (Texts{refusal})) << "no 轉檔完成";
    EXPECT_EQ(ColumnValues(home.database, test.table, test.key, "rowid"), (Texts{"OLD"}));
  }
}

TEST(PcsMappingImport, EmptyTextOrNoKnownCodeIsRefused) {
  DiagnosisHome home;
  testing::WriteFileBytes(home.folder / "empty.txt", "");
  testing::WriteFileBytes(home.folder / "unknown.txt", "0016071\t83003B\r\n");
  for (const char* name : {"empty.txt", "unknown.txt"}) {
    SCOPED_TRACE(name);
    home.context.ClearLines();
    PcsMappingRows read = ReadPcsMapping(home.database, home.folder / name, home.context);
    const std::string refusal = "沒有讀到任何對應,資料表PCS未變更:" + (home.folder / name).string();
    EXPECT_EQ(read.result, StepResult::kStopped);
    EXPECT_TRUE(read.rows.empty());
    EXPECT_EQ(read.refusal, refusal);
    EXPECT_EQ(home.context.MessageTexts().back(), refusal);
  }
  EXPECT_EQ(home.context.lines(), (Texts{"找不到0016071"}));
}

TEST(PcsMappingImport, MissingFileOrTextThatIsNoBig5LeavesTheTable) {
  DiagnosisHome home;
  testing::ExecuteUtf8(home.database, "insert into PCS (ICD10, INSUcode) values ('OLD', 'X')");
  EXPECT_THROW(ReadPcsMapping(home.database, home.folder / "none.txt", home.context), Error);
  testing::WriteFileBytes(home.folder / "bad.txt", "0016070\t83001B\r\nx\xA4 \t1\r\n");
  try {
    ReadPcsMapping(home.database, home.folder / "bad.txt", home.context);
    FAIL() << "a line that is no Big5 must be refused";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()),
              (home.folder / "bad.txt").string() + ", line 2: the text is no Big5");
  }
  EXPECT_EQ(ColumnValues(home.database, "PCS", "ICD10", "rowid"), (Texts{"OLD"}));
}

}  // namespace
}  // namespace zuvo
