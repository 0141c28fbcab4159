// DX rebuilt from ICD10 (leaf codes only) and the merge of another database's DX.
#include <gtest/gtest.h>

#include "diagnosis/dx_merge.h"
#include "diagnosis/icd10_to_dx.h"
#include "diagnosis_fixture.h"
#include "platform/big5.h"
#include "platform/file_ops.h"
#include "support/recording_step_context.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

using testing::ColumnValues;
using testing::DxField;
using testing::InsertDx;
using testing::TempDir;
using Texts = std::vector<std::string>;

constexpr DateTime kNow = 46000.5;

std::string B5(std::string_view utf8) { return big5::FromUtf8(utf8); }

struct Databases {
  TempDir folder;
  Database here = testing::CreateDiagnosisDatabase(folder / "ICD10CM.MDB");
  RunFlags flags;
  RecordingStepContext context{flags};
};

void InsertIcd10(Database& database, const Texts& codes) {
  for (const std::string& code : codes) {
    database.Execute("insert into ICD10 (ICDcode, Ename, Cname) values (?, ?, ?)",
                     {Param::Utf8(code), Param::Utf8("E " + code), Param::Utf8("內含体 " + code)});
  }
}

TEST(Icd10ToDx, OnlyLeafCodesReachDxAndEditorSettingsAreGone) {
  Databases db;
  InsertIcd10(db.here, {"A01", "A00", "A000", "A001", "A0011", "B99", "a0012x"});
  InsertDx(db.here, {.code = "A01",
                     .listed = true,
                     .common = true,
                     .status = 1,
                     .chronic_code = "05",
                     .short_name = "傷寒",
                     .english_name = "old",
                     .clinic_types = "01,",
                     .keyword = "[傷寒]",
                     .rec_time = 45000});
  InsertDx(db.here, {.code = "Z99", .english_name = "gone"});
  long appended = FillDxFromIcd10(db.here, kNow, db.context);
  EXPECT_EQ(appended, 5);
  EXPECT_EQ(db.context.done(), 5);
  // A00 and A001 have longer codes starting with them (A0011, and a0012x in another case).
  EXPECT_EQ(ColumnValues(db.here, "DX", "ICD10", "rowid"),
            (Texts{"A000", "A0011", "a0012x", "A01", "B99"}));
  EXPECT_EQ(DxField(db.here, "A01", "Cname"), "內含体 A01") << "names kept exactly";
  EXPECT_EQ(DxField(db.here, "A01", "Ename"), "E A01");
  EXPECT_EQ(DxField(db.here, "A01", "recTime"), "46000.5");
  for (const char* field : {"Sname", "Scode", "clinicTypes", "keyword"}) {
    EXPECT_EQ(DxField(db.here, "A01", field), "") << field;
  }
  EXPECT_EQ(DxField(db.here, "A01", "bList"), "False");
  EXPECT_EQ(DxField(db.here, "A01", "status"), "0");
}

TEST(Icd10ToDx, BackupIsADatedCopyBesideTheDatabase) {
  TempDir folder;
  testing::WriteFileBytes(folder / "ICD10CM.MDB", "database bytes");
  std::filesystem::path first = BackUpDiagnosisDatabase(folder / "ICD10CM.MDB", kNow);
  std::filesystem::path second = BackUpDiagnosisDatabase(folder / "ICD10CM.MDB", kNow);
  EXPECT_EQ(first, folder / ("ICD10CM_" + RocStamp(kNow) + ".MDB"));
  EXPECT_EQ(RocStamp(kNow), "1141209120000");
  EXPECT_EQ(second, folder / ("ICD10CM_" + RocStamp(kNow) + "_2.MDB"));
  EXPECT_EQ(testing::ReadFileBytes(first), "database bytes");
  EXPECT_EQ(testing::ReadFileBytes(second), "database bytes");
}

TEST(DxMergeTexts, DepartmentsAndKeywordsAreOnlyAdded) {
  EXPECT_EQ(MergeDepartments("02,", "01,02,"), "02,01,");
  EXPECT_EQ(MergeDepartments("", " 05 ,,01"), "05,01,");
  EXPECT_EQ(MergeDepartments("01,05,", "05,"), "01,05,");
  EXPECT_EQ(MergeKeywords(B5("[胃]"), B5("[胃][胃痛][x][ 腹痛 ]")), B5("[胃][胃痛][腹痛]"))
      << "parts shorter than two bytes are left out";
  // 也 is A4 5D in Big5: its second byte is "]" and must not split the keyword.
  EXPECT_EQ(MergeKeywords("", "\xA4\x5D\xA4\x5D"), "[\xA4\x5D\xA4\x5D]");
}

TEST(DxMerge, FlagsAreOnlySetAndSettingsMergedIntoPresentCodes) {
  Databases db;
  Database other = testing::CreateDiagnosisDatabase(db.folder / "other.MDB");
  InsertDx(db.here, {.code = "K29",
                     .listed = true,
                     .status = 0,
                     .short_name = "胃炎",
                     .english_name = "Gastritis",
                     .clinic_types = "02,",
                     .keyword = "[胃]",
                     .rec_time = 45000});
  InsertDx(other, {.code = "K29",
                   .listed = false,
                   .common = true,
                   .status = 1,
                   .short_name = "胃發炎",
                   .english_name = "Gastritis",
                   .clinic_types = "01,02,",
                   .keyword = "[胃][胃痛]",
                   .rec_time = 45001});
  InsertDx(db.here, {.code = "J00", .english_name = "Nasopharyngitis"});
  InsertDx(
      other,
      {.code = "J00", .listed = true, .short_name = "感冒", .english_name = "Nasopharyngitis"});
  InsertDx(db.here, {.code = "I10", .listed = true, .short_name = "高血壓", .rec_time = 45000});
  InsertDx(other, {.code = "I10", .listed = true, .short_name = "高血壓", .rec_time = 45000});
  long read = MergeDx(db.here, other, kNow, db.context);
  EXPECT_EQ(read, 3);
  EXPECT_EQ(DxField(db.here, "K29", "bList"), "True") << "never cleared";
  EXPECT_EQ(DxField(db.here, "K29", "common"), "True");
  EXPECT_EQ(DxField(db.here, "K29", "status"), "1");
  EXPECT_EQ(DxField(db.here, "K29", "Sname"), "胃炎") << "a short name here stays";
  EXPECT_EQ(DxField(db.here, "K29", "clinicTypes"), "02,01,");
  EXPECT_EQ(DxField(db.here, "K29", "keyword"), "[胃][胃痛]");
  EXPECT_EQ(DxField(db.here, "K29", "recTime"), "46000.5");
  EXPECT_EQ(db.context.lines(), (Texts{"請記錄 K29短名不一致,原為胃炎\n\r新加入為胃發炎"}));
  EXPECT_EQ(DxField(db.here, "J00", "Sname"), "感冒") << "taken where there was none";
  EXPECT_EQ(DxField(db.here, "J00", "bList"), "True");
  EXPECT_EQ(DxField(db.here, "I10", "recTime"), "45000") << "an identical row is left alone";
}

TEST(DxMerge, AbsentCodesAreCopiedUnlessALongerCodeIsHere) {
  Databases db;
  Database other = testing::CreateDiagnosisDatabase(db.folder / "other.MDB");
  InsertDx(db.here, {.code = "E1165", .english_name = "leaf"});
  InsertDx(other, {.code = "E116", .listed = true, .short_name = "糖尿病併發症"});
  InsertDx(other, {.code = "R51",
                   .listed = true,
                   .common = true,
                   .status = 1,
                   .chronic_code = "08",
                   .short_name = "頭痛",
                   .english_name = "Headache",
                   .clinic_types = "01,",
                   .keyword = "[頭痛]",
                   .rec_time = 45002});
  InsertDx(other, {.code = "R5", .short_name = "above R51"});  // R51 arrives first
  InsertDx(other, {.code = "R10", .english_name = "no short name: not read"});
  long read = MergeDx(db.here, other, kNow, db.context);
  EXPECT_EQ(read, 3);
  EXPECT_EQ(ColumnValues(db.here, "DX", "ICD10", "ICD10"), (Texts{"E1165", "R51"}));
  for (const char* field : {"bList", "common", "status", "Scode", "Sname", "Ename", "clinicTypes",
                            "keyword", "recTime"}) {
    EXPECT_EQ(DxField(db.here, "R51", field), DxField(other, "R51", field)) << field;
  }
}

}  // namespace
}  // namespace zuvo
