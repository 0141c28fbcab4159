// zuvoconv icd10 … and dx … run as a program on a program folder's ICD10CM.MDB.
#include <gtest/gtest.h>

#include "diagnosis_fixture.h"
#include "platform/big5.h"
#include "support/cli_runner.h"
#include "support/temp_dir.h"
#include "support/xls_writer.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using testing::CliRun;
using testing::DxField;
using testing::InsertDx;
using testing::Quoted;
using testing::RunCli;
using testing::TempDir;
using testing::WithErrors;

class DiagnosisCli : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::HaveCli()) GTEST_SKIP() << "ZUVO_CLI names no zuvoconv";
    Database database = testing::CreateDiagnosisDatabase(home / "ICD10CM.MDB");
    for (const char* code : {"K297", "K29", "R10"}) {
      InsertDx(database, {.code = code, .english_name = std::string("E ") + code});
    }
  }
  CliRun Run(const std::string& arguments) {
    return RunCli("--home " + Quoted(home.path()) + " " + arguments, WithErrors());
  }
  Database Open() { return Database::Open(home / "ICD10CM.MDB"); }
  std::string Dx(const std::string& code, const std::string& field) {
    Database database = Open();
    return DxField(database, code, field);
  }
  std::vector<std::string> Codes(const std::string& table, const std::string& field) {
    Database database = Open();
    return testing::ColumnValues(database, table, field, field);
  }

  TempDir home;
};

TEST_F(DiagnosisCli, GroupSavesTheEditorsTextsOrIsRefusedWithStatusTwo) {
  CliRun refused = Run("dx group K297 K29 --sname 胃炎 --departments 01");
  EXPECT_EQ(refused.status, 2) << refused.out;
  EXPECT_NE(refused.out.find("message: 一群診斷必選只能一個被列出項目\n"), std::string::npos)
      << refused.out;
  CliRun no_department = Run("dx group K29 --sname 胃炎");
  EXPECT_EQ(no_department.status, 2);
  EXPECT_NE(no_department.out.find("message: 沒有選擇使用科別"), std::string::npos);
  CliRun bracket = Run("dx group K29 --departments 01 --keywords '胃]'");
  EXPECT_EQ(bracket.status, 2);
  EXPECT_NE(bracket.out.find("message: 關鍵字不可含 [  或  ]  字元"), std::string::npos);
  EXPECT_EQ(Run("dx group K29 --departments 01 --chronic AB").status, 2);
  CliRun two_listed =
      Run("dx group K297 K29 R10 --listed K297 --listed K29 --sname 胃炎 --departments 01");
  EXPECT_EQ(two_listed.status, 2) << two_listed.out;
  EXPECT_NE(two_listed.out.find("message: 一群診斷必選只能一個被列出項目\n"), std::string::npos)
      << two_listed.out;
  EXPECT_EQ(Dx("K29", "recTime"), "") << "nothing written by a refused group";
  EXPECT_EQ(Dx("K297", "recTime"), "");

  CliRun saved =
      Run("dx group K297 K29 --listed K29 --sname 胃炎 --departments 01,05 --keywords 胃,胃痛 "
          "--chronic 05 --common");
  ASSERT_EQ(saved.status, 0) << saved.out;
  EXPECT_NE(saved.out.find("字數:4(上限24字)\nsaved 2 rows of DX\n"), std::string::npos)
      << saved.out;
  Database database = Open();
  EXPECT_EQ(DxField(database, "K29", "clinicTypes"), "01,05,");
  EXPECT_EQ(DxField(database, "K29", "keyword"), "[胃][胃痛]");
  EXPECT_EQ(DxField(database, "K29", "Scode"), "05");
  EXPECT_EQ(DxField(database, "K29", "bList"), "True");
  EXPECT_EQ(DxField(database, "K297", "bList"), "False");
  EXPECT_EQ(DxField(database, "K297", "common"), "True");

  EXPECT_EQ(Run("dx group K29 --departments 77").status, 64) << "no such department";
  EXPECT_EQ(Run("dx group K29 --listed R10 --departments 01").status, 64);
  CliRun missing = Run("dx group Q99 --departments 01");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.out.find("Q99 is not in DX"), std::string::npos) << missing.out;
}

TEST_F(DiagnosisCli, PreviewListsTheDepartmentsNamesSorted) {
  {
    Database database = Open();
    InsertDx(database, {.code = "J00",
                        .listed = true,
                        .common = true,
                        .short_name = "感冒",
                        .clinic_types = "01,05,"});
    InsertDx(database, {.code = "I10",
                        .listed = true,
                        .common = true,
                        .short_name = "高血壓",
                        .clinic_types = "01,"});
    InsertDx(database, {.code = "I11",
                        .listed = false,
                        .common = true,
                        .short_name = "不列出",
                        .clinic_types = "01,"});
  }
  CliRun family = Run("dx preview --department 01");
  ASSERT_EQ(family.status, 0) << family.out;
  EXPECT_EQ(family.out, "感冒\n高血壓\n");
  CliRun two = Run("dx preview --department 05,01");
  EXPECT_EQ(two.out, "message: 選擇超過一科,只顯示家醫科\n感冒\n高血壓\n")
      << "the first in list order is shown";
}

TEST_F(DiagnosisCli, ImportsAreAllOrNothingAndToDxNeedsYes) {
  testing::WriteXlsWorkbook(home / "cm.xls", {{"CM",
                                               {{"代碼", "名稱"},
                                                {"A00", "Cholera"},
                                                {"", "霍亂"},
                                                {"A00.0", "Cholera 01"},
                                                {"", "霍亂 01"},
                                                {"A01", "Typhoid"},
                                                {"", "傷寒"}}}});
  CliRun imported = Run("icd10 import-cm " + Quoted(home / "cm.xls"));
  ASSERT_EQ(imported.status, 0) << imported.out;
  EXPECT_NE(imported.out.find("message: 轉檔完成\nICD10 rows: 3\n"), std::string::npos)
      << imported.out;

  // A refused import says why on standard error and prints no count: ICD10 keeps its rows.
  testing::WriteXlsWorkbook(
      home / "bad.xls",
      {{"CM", {{"A02", "Salmonella"}, {"", "沙門氏菌"}, {"a00", "lower case"}, {"", "小寫"}}}});
  const std::string import_bad = "icd10 import-cm " + Quoted(home / "bad.xls");
  CliRun refused = Run(import_bad);
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(refused.out,
            "message: 錯誤ICDa00\n"
            "zuvoconv icd10 import-cm: stopped: 錯誤ICDa00; nothing was changed\n");
  CliRun refused_out = RunCli("--home " + Quoted(home.path()) + " " + import_bad);
  EXPECT_EQ(refused_out.status, 2);
  EXPECT_EQ(refused_out.out, "message: 錯誤ICDa00\n") << "the reason on standard error only";
  CliRun missing = Run("icd10 import-cm " + Quoted(home / "none.xls"));
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(Codes("ICD10", "ICDcode"), (std::vector<std::string>{"A00", "A000", "A01"}));

  CliRun unconfirmed = Run("icd10 to-dx");
  EXPECT_EQ(unconfirmed.status, 2);
  EXPECT_EQ(Dx("R10", "Ename"), "E R10");
  CliRun rebuilt = Run("icd10 to-dx --yes");
  ASSERT_EQ(rebuilt.status, 0) << rebuilt.out;
  EXPECT_NE(rebuilt.out.find("DX rows: 2\n"), std::string::npos) << rebuilt.out;
  size_t at = rebuilt.out.find("backup: ");
  ASSERT_NE(at, std::string::npos);
  fs::path backup = rebuilt.out.substr(at + 8, rebuilt.out.find('\n', at) - at - 8);
  EXPECT_EQ(backup.parent_path(), home.path());
  EXPECT_NE(rebuilt.out.find("message: 轉檔完成\n備份檔: " + backup.filename().string()),
            std::string::npos);
  Database copy = Database::Open(backup);
  EXPECT_EQ(DxField(copy, "R10", "Ename"), "E R10") << "the copy holds the former DX";
  EXPECT_EQ(Codes("DX", "ICD10"), (std::vector<std::string>{"A000", "A01"}));
}

TEST_F(DiagnosisCli, ImportsThatWouldEmptyATableAreRefusedAndReplacingOnesKeepACopy) {
  {
    Database database = Open();
    testing::ExecuteUtf8(database,
                         "insert into ICD10 (ICDcode, Ename, Cname) values ('A00', 'C', '霍亂')");
    testing::ExecuteUtf8(database,
                         "insert into ICD10 (ICDcode, Ename, Cname) values ('A01', 'T', '傷寒')");
    testing::ExecuteUtf8(database, "insert into PCS (ICD10, INSUcode) values ('OLD', 'X')");
  }
  auto copies = [&] {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(home.path())) {
      if (entry.path().filename().string().starts_with("ICD10CM_"))
        names.push_back(entry.path().filename().string());
    }
    return names;
  };
  auto stopped = [](const std::string& command, const std::string& refusal) {
    return "message: " + refusal + "\nzuvoconv " + command + ": stopped: " + refusal +
           "; nothing was changed\n";
  };

  testing::WriteFileBytes(home / "empty.txt", "");
  CliRun empty_map = Run("icd10 import-pcs-map " + Quoted(home / "empty.txt"));
  EXPECT_EQ(empty_map.status, 2);
  EXPECT_EQ(empty_map.out, stopped("icd10 import-pcs-map", "沒有讀到任何對應,資料表PCS未變更:" +
                                                               (home / "empty.txt").string()));
  EXPECT_EQ(Codes("PCS", "ICD10"), (std::vector<std::string>{"OLD"}));

  testing::WriteXlsWorkbook(home / "heading.xls", {{"CM", {{"ICD-10-CM代碼", "英文名稱"}}}});
  CliRun heading_only = Run("icd10 import-cm " + Quoted(home / "heading.xls"));
  EXPECT_EQ(heading_only.status, 2);
  EXPECT_EQ(heading_only.out, stopped("icd10 import-cm", "沒有讀到任何代碼,資料表ICD10未變更:" +
                                                             (home / "heading.xls").string()));
  EXPECT_EQ(Codes("ICD10", "ICDcode"), (std::vector<std::string>{"A00", "A01"}));

  { testing::CreateDiagnosisDatabase(home / "other.MDB"); }
  CliRun nothing_to_merge = Run("icd10 merge-dx " + Quoted(home / "other.MDB"));
  EXPECT_EQ(nothing_to_merge.status, 2);
  EXPECT_EQ(nothing_to_merge.out,
            stopped("icd10 merge-dx",
                    "它檔DX沒有任何有短診斷名的資料,DX未變更:" + (home / "other.MDB").string()));
  EXPECT_TRUE(copies().empty()) << "a refused tool keeps no copy";

  testing::WriteXlsWorkbook(home / "cm.xls", {{"CM", {{"B00", "Herpes"}, {"", "疱疹"}}}});
  CliRun imported = Run("icd10 import-cm " + Quoted(home / "cm.xls"));
  ASSERT_EQ(imported.status, 0) << imported.out;
  ASSERT_EQ(copies().size(), 1u);
  const fs::path copy = home / copies()[0];
  EXPECT_NE(imported.out.find("已備份診斷資料庫:" + copy.string() + "\n"), std::string::npos)
      << imported.out;
  EXPECT_NE(imported.out.find("ICD10 rows: 1\nbackup: " + copy.string() + "\n"), std::string::npos)
      << imported.out;
  EXPECT_EQ(Codes("ICD10", "ICDcode"), (std::vector<std::string>{"B00"}));
  {
    Database former = Database::Open(copy);
    EXPECT_EQ(testing::ColumnValues(former, "ICD10", "ICDcode", "ICDcode"),
              (std::vector<std::string>{"A00", "A01"}));
  }

  {
    Database database = Open();
    database.Execute("delete from ICD10");
  }
  CliRun empty_source = Run("icd10 to-dx --yes");
  EXPECT_EQ(empty_source.status, 2);
  EXPECT_EQ(empty_source.out, stopped("icd10 to-dx", "資料表ICD10沒有任何代碼,DX未變更:" +
                                                         (home / "ICD10CM.MDB").string()));
  EXPECT_EQ(Codes("DX", "ICD10"), (std::vector<std::string>{"K29", "K297", "R10"}));
  EXPECT_EQ(copies().size(), 1u);
}

TEST_F(DiagnosisCli, PcsMappingChronicRangesAndMerge) {
  {
    Database database = Open();
    testing::ExecuteUtf8(
        database, "insert into ICD10PCS (ICD10, Ename, Cname) values ('0016070', 'B', '繞道')");
  }
  testing::WriteXlsWorkbook(
      home / "pcs.xls",
      {{"PCS", {{"0016071", "Bypass"}, {"", "繞道"}, {"0016-7x", "Bad"}, {"", "錯"}}}});
  CliRun refused = Run("icd10 import-pcs " + Quoted(home / "pcs.xls"));
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(refused.out,
            "message: 錯誤ICD: 0016-7X\n"
            "zuvoconv icd10 import-pcs: stopped: 錯誤ICD: 0016-7X; nothing was changed\n");
  EXPECT_EQ(Codes("ICD10PCS", "ICD10"), (std::vector<std::string>{"0016070"}));
  {
    Database database = Open();
    database.Execute(
        "insert into DXlong (orderNo, Scode, begCode, endCOde, memoNote) values "
        "(1, '09', 'K29', 'K299', '')");
  }
  testing::WriteFileBytes(home / "map.txt", "0016070\t83001B\r\nXXXXXXX\t1\r\n");
  CliRun mapped = Run("icd10 import-pcs-map " + Quoted(home / "map.txt"));
  ASSERT_EQ(mapped.status, 0) << mapped.out;
  EXPECT_NE(mapped.out.find("找不到XXXXXXX\n已備份診斷資料庫:"), std::string::npos) << mapped.out;
  EXPECT_NE(mapped.out.find("message: 完成\nPCS rows: 1\nbackup: "), std::string::npos)
      << mapped.out;

  CliRun chronic = Run("dx chronic-ranges");
  ASSERT_EQ(chronic.status, 0) << chronic.out;
  EXPECT_EQ(Dx("K297", "Scode"), "09");

  {
    Database other = testing::CreateDiagnosisDatabase(home / "other.MDB");
    InsertDx(other, {.code = "R10", .listed = true, .short_name = "腹痛", .clinic_types = "02,"});
  }
  CliRun merged = Run("icd10 merge-dx " + Quoted(home / "other.MDB"));
  ASSERT_EQ(merged.status, 0) << merged.out;
  EXPECT_NE(merged.out.find("other DX rows read: 1\n"), std::string::npos) << merged.out;
  EXPECT_EQ(Dx("R10", "Sname"), "腹痛");
}

}  // namespace
}  // namespace zuvo
