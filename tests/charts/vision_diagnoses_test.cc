#include "charts/vision_diagnoses.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "charts/vision_visit_row.h"
#include "platform/big5.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

namespace f = diagnosis_field;
using testing::TempDir;

class VisionDiagnosesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Database clinic = Database::Create(dir / "OPD.mdb");
    clinic.ExecuteScript(
        "CREATE TABLE DX (bList BOOLEAN DEFAULT 0, ICD10 TEXT COLLATE NOCASE, refText TEXT, "
        "common BOOLEAN DEFAULT 0, status INTEGER DEFAULT 0, Scode TEXT, Sname TEXT, Ename TEXT, "
        "Cname TEXT, keyword1 TEXT, keyword2 TEXT, keyword3 TEXT, keyword4 TEXT, department "
        "TEXT, SORTNUM INTEGER DEFAULT 0, SORTSCORE INTEGER DEFAULT 0, SORTPOWER INTEGER "
        "DEFAULT 0);"
        "INSERT INTO DX (ICD10, Sname, Scode) VALUES ('J069', '上呼吸道感染', 'A1');");
    reference.ExecuteScript(
        "CREATE TABLE DX (bList BOOLEAN DEFAULT 0, ICD10 TEXT COLLATE NOCASE NOT NULL, status "
        "INTEGER DEFAULT 0, common BOOLEAN DEFAULT 0, department TEXT, Scode TEXT, Sname TEXT, "
        "Ename TEXT, Cname TEXT, SORTNUM INTEGER DEFAULT 0, SORTSCORE INTEGER DEFAULT 0, "
        "SORTPOWER INTEGER DEFAULT 0);"
        "INSERT INTO DX (ICD10, Sname, Ename, Cname, department, Scode, SORTNUM) VALUES "
        "('E119', '第二型糖尿病', 'Type 2 DM', '第二型糖尿病，無併發症', '02', 'B7', 5),"
        "('I10', '', 'Hypertension', '原發性高血壓', '02', ' ', 0);");
    icd9.ExecuteScript(
        "CREATE TABLE CM (ICD9CMCODE TEXT COLLATE NOCASE NOT NULL, ICD10CMCODE TEXT NOT NULL, "
        "FLAGS TEXT);"
        "INSERT INTO CM VALUES ('250.00', 'E119', ''), ('401.9', 'I10', ''), "
        "('401.9', 'I159', ''), ('465.9', 'J069', '');");
  }

  std::vector<DiagnosisRecord> Resolve(VisionDiagnosisResolver& resolver, std::string labno,
                                       std::string lacd, DateTime when) {
    VisionVisitRow row;
    row.labno = std::move(labno);
    row.lacd = std::move(lacd);
    row.labdt = big5::FromUtf8("來源診斷 ");
    return resolver.Resolve(row, 12, when, [&](const std::string& line) { lines.push_back(line); });
  }

  static std::string Name(const DiagnosisRecord& record) {
    return big5::ToUtf8(record.Get(f::kName));
  }

  TempDir dir;
  Database reference = Database::CreateInMemory("ICD10CM.MDB");
  Database icd9 = Database::CreateInMemory("ICD-10-CM (1020314).MDB");
  std::vector<std::string> lines;
  const DateTime k2021 = *EncodeDate(2021, 3, 1);
  const DateTime k2015 = *EncodeDate(2015, 12, 31);
};

TEST_F(VisionDiagnosesTest, ResolutionOrderAndTheirRecords) {
  VisionDiagnosisResolver resolver(Database::Open(dir / "OPD.mdb"), reference, icd9);
  std::vector<DiagnosisRecord> records =
      Resolve(resolver, "j069", "@85,E119,j069,4019,I10,25000,9999,01", k2021);
  ASSERT_EQ(records.size(), 8u);
  // The clinic's own list, found without regard to case.
  EXPECT_EQ(records[0].Get(f::kCode), "j069");
  EXPECT_EQ(Name(records[0]), "上呼吸道感染");
  EXPECT_EQ(records[0].Get(f::kShortCode), "A1");
  EXPECT_EQ(records[0].Get(f::kSourceMark), kDiagnosisValidIcd10);
  // Preventive-care code.
  EXPECT_EQ(records[1].Get(f::kCode), "Z13811");
  EXPECT_EQ(Name(records[1]), "定量免疫法糞便潛血檢查");
  EXPECT_EQ(records[1].Get(f::kSourceMark), kDiagnosisValidIcd10);
  // The reference list, its short name preferred.
  EXPECT_EQ(records[2].Get(f::kCode), "E119");
  EXPECT_EQ(Name(records[2]), "第二型糖尿病");
  EXPECT_EQ(records[2].Get(f::kShortCode), "B7");
  // The ICD-9 map: 401.9's first row.
  EXPECT_EQ(records[3].Get(f::kCode), "I10");
  EXPECT_EQ(Name(records[3]), "來源診斷");
  EXPECT_EQ(records[3].Get(f::kSourceMark), kDiagnosisValidIcd10);
  EXPECT_EQ(records[3].Get(f::kUnresolvedSourceCode), "");
  // Reference row without short name: the diagnosis text of the visit.
  EXPECT_EQ(Name(records[4]), "來源診斷");
  EXPECT_EQ(records[4].Get(f::kShortCode), "");
  // The ICD-9 code 25000 maps through "250.00".
  EXPECT_EQ(records[5].Get(f::kCode), "E119");
  // Unknown: listed, kept with its first five characters at 326; "01" is not listed.
  EXPECT_EQ(records[6].Get(f::kCode), "9999");
  EXPECT_EQ(records[6].Get(f::kSourceMark), 0);
  EXPECT_EQ(records[6].Get(f::kUnresolvedSourceCode), "9999");
  EXPECT_EQ(records[7].Get(f::kCode), "01");
  EXPECT_EQ(lines, (std::vector<std::string>{"次診斷碼105年起不符ICD10:9999 病歷號12 1100301"}));
  EXPECT_EQ(resolver.learned_icd9().at("4019"), "I10");

  // The reference rows used were appended to the clinic's list.
  resolver.Flush();
  Database clinic = Database::Open(dir / "OPD.mdb");
  RecordSet added = clinic.Query("select * from DX where ICD10 <> 'J069' order by ICD10");
  ASSERT_EQ(added.RecordCount(), 2u);
  added.First();
  EXPECT_EQ(added.Text("ICD10"), "E119");
  EXPECT_EQ(added.Text("Scode"), "B7");
  EXPECT_EQ(added.Integer("status"), 1);
  EXPECT_TRUE(added.Boolean("bList"));
  EXPECT_FALSE(added.Boolean("common"));
  EXPECT_EQ(added.Integer("SORTNUM"), 5);
  EXPECT_EQ(added.Text("department"), "02");
  added.Next();
  EXPECT_EQ(added.Text("ICD10"), "I10");
  EXPECT_EQ(added.Integer("status"), 0);
  EXPECT_EQ(added.Text("Scode"), "");
}

TEST_F(VisionDiagnosesTest, IcdNineEraRepeatsLimitsAndNoCode) {
  VisionDiagnosisResolver resolver(Database::Open(dir / "OPD.mdb"), reference, icd9);
  std::vector<DiagnosisRecord> old = Resolve(resolver, "4019", "4019,465.9", k2015);
  ASSERT_EQ(old.size(), 2u);  // the repeated code is skipped
  EXPECT_EQ(old[0].Get(f::kCode), "4019");
  EXPECT_EQ(Name(old[0]), "來源診斷");
  EXPECT_EQ(old[0].Get(f::kSourceMark), 0);
  EXPECT_EQ(old[1].Get(f::kUnresolvedSourceCode), "465.9");
  EXPECT_TRUE(lines.empty());

  std::string many;
  for (int i = 0; i < 30; ++i) many += "K" + std::to_string(100 + i) + ",";
  EXPECT_EQ(Resolve(resolver, "01", many, k2021).size(), kMaxDiagnosesPerVisit);

  std::vector<DiagnosisRecord> none = Resolve(resolver, "  ", " , ", k2021);
  ASSERT_EQ(none.size(), 1u);
  EXPECT_EQ(none[0].Get(f::kCode), "NOCODE");
  EXPECT_EQ(Name(none[0]), "[No Diagnosis]");
}

TEST_F(VisionDiagnosesTest, UnknownPreventiveCodes) {
  VisionDiagnosisResolver resolver(Database::Open(dir / "OPD.mdb"), reference, icd9);
  std::vector<DiagnosisRecord> records = Resolve(resolver, "@99", "@98,@21", k2021);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(Name(records[0]), "來源診斷");
  EXPECT_EQ(Name(records[1]), "@98");
  EXPECT_EQ(records[1].Get(f::kSourceMark), 0);
  EXPECT_EQ(records[2].Get(f::kCode), "Z008");
  EXPECT_EQ(lines, (std::vector<std::string>{"不明診斷碼:@99 病歷號12 1100301",
                                             "不明次診斷碼:@98 病歷號12 1100301"}));
  for (auto [code, expected] : std::vector<std::pair<std::string, std::string>>{{"@11", "Z00111"},
                                                                                {"@71", "Z00111"},
                                                                                {"@20", "Z002"},
                                                                                {"@81", "Z002"},
                                                                                {"@88", "Z002"},
                                                                                {"@28", "Z008"},
                                                                                {"@35", "Z124"},
                                                                                {"@36", ""},
                                                                                {"@41", "Z0379"},
                                                                                {"@60", "Z0379"},
                                                                                {"@93", "Z1239"},
                                                                                {"@97", "Z1281"},
                                                                                {"@80", ""},
                                                                                {"@1", ""},
                                                                                {"@ 5", ""}}) {
    EXPECT_EQ(PreventiveCareDiagnosis(code).code, expected) << code;
  }
}

}  // namespace
}  // namespace zuvo
