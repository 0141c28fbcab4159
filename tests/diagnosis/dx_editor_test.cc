// The diagnosis editor without its window: rows into the selection, keywords, the short-name
// length, the group's save with its checks and stored texts, the keyword and preview lists, and
// the chronic ranges of DXlong.
#include <gtest/gtest.h>

#include "diagnosis/chronic_ranges.h"
#include "diagnosis/dx_group.h"
#include "diagnosis_fixture.h"
#include "platform/big5.h"
#include "support/recording_step_context.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

using testing::DxField;
using testing::InsertDx;
using testing::TempDir;
using Texts = std::vector<std::string>;

std::string B5(std::string_view utf8) { return big5::FromUtf8(utf8); }

constexpr size_t kFamily = 1;       // 01 家醫科
constexpr size_t kGynaecology = 5;  // 05 婦產科

DxRow Row(std::string code) {
  DxRow row;
  row.code = std::move(code);
  row.english_name = "English " + row.code;
  return row;
}

TEST(DxSelection, GridClickTakesTheRowsSettingsBringInOnlyTheLine) {
  DxEditorFields fields;
  DxRow chronic = Row("E119");
  chronic.status = 1;
  chronic.chronic_code = " 01 ";
  chronic.short_name = B5("糖尿病");
  chronic.clinic_types = "01, 05,99,";
  chronic.keyword = B5("[糖尿][ 血糖 ]");
  chronic.rec_time = 45000;
  chronic.common = true;
  EXPECT_TRUE(AddToSelection(fields, chronic, DxAddSource::kGridClick));
  EXPECT_TRUE(fields.chronic);
  EXPECT_EQ(fields.chronic_code, "01");
  EXPECT_TRUE(fields.common);
  EXPECT_EQ(fields.short_name, B5("糖尿病"));
  EXPECT_EQ(DepartmentText(fields.departments), "01,05,") << "99 is no department";
  EXPECT_EQ(fields.keywords, (Texts{B5("糖尿"), B5("血糖")}));
  EXPECT_EQ(fields.edit_time, 45000);
  ASSERT_EQ(fields.lines.size(), 1u);
  EXPECT_TRUE(fields.lines[0].chronic);
  EXPECT_EQ(fields.lines[0].chronic_code, " 01 ");

  DxEditorFields before = fields;
  EXPECT_FALSE(AddToSelection(fields, chronic, DxAddSource::kGridClick)) << "already a line";
  EXPECT_EQ(fields.lines.size(), 1u);
  EXPECT_EQ(fields.keywords, before.keywords);

  DxRow other = Row("E109");  // Sname null: the short name would come from Ename
  other.rec_time = 45100;
  other.keyword = B5("[其他]");
  other.clinic_types = "02,";
  EXPECT_TRUE(AddToSelection(fields, other, DxAddSource::kBringIn));
  EXPECT_EQ(fields.short_name, B5("糖尿病")) << "a short name is kept";
  EXPECT_EQ(fields.edit_time, 45100) << "the latest change of the group";
  EXPECT_EQ(fields.keywords.size(), 2u) << "bring-in takes no keywords";
  EXPECT_EQ(DepartmentText(fields.departments), "01,05,") << "nor departments";
  EXPECT_TRUE(MixesChronicAndOther(fields));

  DxEditorFields fresh;
  AddToSelection(fresh, other, DxAddSource::kGridClick);
  EXPECT_EQ(fresh.short_name, "English E109");
}

TEST(DxSelection, RemovingTheLastLineClearsButKeepsTheDepartments) {
  DxEditorFields fields;
  fields.departments[kFamily] = true;
  AddToSelection(fields, Row("A00"), DxAddSource::kBringIn);
  AddToSelection(fields, Row("A01"), DxAddSource::kBringIn);
  fields.keywords = {"x"};
  RemoveSelectionLine(fields, 5);
  EXPECT_EQ(fields.lines.size(), 2u);
  RemoveSelectionLine(fields, 0);
  ASSERT_EQ(fields.lines.size(), 1u);
  EXPECT_EQ(fields.lines[0].code, "A01");
  EXPECT_EQ(fields.keywords, (Texts{"x"}));
  RemoveSelectionLine(fields, 0);
  EXPECT_TRUE(fields.lines.empty());
  EXPECT_TRUE(fields.short_name.empty());
  EXPECT_TRUE(fields.keywords.empty());
  EXPECT_TRUE(fields.departments[kFamily]);
}

TEST(DxKeywords, BracketsAreRefusedChineseTrailBytesAreNot) {
  DxEditorFields fields;
  EXPECT_EQ(AddKeyword(fields, B5("胃]")), kKeywordBracketMessage);
  EXPECT_EQ(AddKeyword(fields, "[a"), kKeywordBracketMessage);
  EXPECT_EQ(AddKeyword(fields, B5(" 胃 ")), std::nullopt);
  EXPECT_EQ(AddKeyword(fields, B5("胃")), std::nullopt);
  EXPECT_EQ(AddKeyword(fields, "   "), std::nullopt);
  // 也 (A4 5D) and 久 (A4 5B) end in the bytes of "]" and "[".
  EXPECT_EQ(AddKeyword(fields, B5("也久")), std::nullopt);
  EXPECT_EQ(fields.keywords, (Texts{B5("胃"), B5("也久")}));
  EXPECT_EQ(KeywordText(fields.keywords), B5("[胃][也久]"));
  EXPECT_EQ(SplitKeywords(B5("[胃][也久]")), (Texts{B5("胃"), B5("也久")}));
}

TEST(DxShortName, LengthCountsBig5BytesOfTheTrimmedName) {
  EXPECT_EQ(ShortNameLength(B5(" 第二型糖尿病伴有高血糖症狀 ")), 26u) << "13 characters, trimmed";
  EXPECT_EQ(ShortNameLength(B5("第二型糖尿病伴有高血糖症")), 24u);
  EXPECT_EQ(ShortNameLength("E11.9 x"), 7u);
  EXPECT_EQ(ShortNameLengthText(24), "字數:24(上限24字)");
}

struct EditorDatabase {
  TempDir folder;
  Database database = testing::CreateDiagnosisDatabase(folder / "ICD10CM.MDB");
  DxEditorFields fields;

  EditorDatabase() {
    for (const char* code : {"K297", "K29", "K30", "R10"}) {
      InsertDx(database, {.code = code, .english_name = std::string("E ") + code});
    }
  }
  void Select(std::initializer_list<const char*> codes) {
    for (const char* code : codes) {
      AddToSelection(fields, *FindDxRow(database, code), DxAddSource::kGridClick);
    }
  }
};

TEST(DxGroupSave, ChecksComeInOrderAndRefusedGroupsWriteNothing) {
  EditorDatabase db;
  db.Select({"K297", "K29", "K30"});
  db.fields.lines[0].listed = db.fields.lines[1].listed = true;
  db.fields.departments[kFamily] = true;
  EXPECT_EQ(SaveDxGroup(db.database, db.fields, 46000).refusal, kOneListedMessage);
  db.fields.lines[1].listed = false;
  db.fields.departments[kFamily] = false;
  EXPECT_EQ(CheckDxGroup(db.fields), kNoDepartmentMessage);
  db.fields.departments[kFamily] = true;
  db.fields.chronic = true;
  db.fields.chronic_code = " ";
  EXPECT_EQ(CheckDxGroup(db.fields), kChronicWithoutCodeMessage);
  db.fields.chronic = false;
  db.fields.chronic_code = "05";
  EXPECT_EQ(CheckDxGroup(db.fields), kCodeWithoutChronicMessage);
  db.fields.chronic = true;
  for (const char* code : {"0", "100", "AB", "5x", "-3"}) {
    db.fields.chronic_code = code;
    EXPECT_EQ(CheckDxGroup(db.fields), kChronicCodeRangeMessage) << code;
  }
  EXPECT_EQ(db.fields.lines.size(), 3u) << "the selection stays for correction";
  EXPECT_EQ(DxField(db.database, "K297", "recTime"), "");

  DxEditorFields single;
  single.departments[kFamily] = true;
  AddToSelection(single, *FindDxRow(db.database, "R10"), DxAddSource::kGridClick);
  EXPECT_EQ(CheckDxGroup(single), std::nullopt) << "one line needs no tick";
}

TEST(DxGroupSave, StoresTheGroupsTextsAndClearsTheSelection) {
  EditorDatabase db;
  db.Select({"K297", "K29"});
  db.fields.lines[1].listed = true;
  db.fields.short_name = B5(" 胃炎 ");
  db.fields.common = true;
  db.fields.chronic = true;
  db.fields.chronic_code = "05";
  db.fields.departments[kFamily] = db.fields.departments[kGynaecology] = true;
  AddKeyword(db.fields, B5("胃"));
  AddKeyword(db.fields, B5("胃痛"));
  // A line whose code has left DX meanwhile is skipped.
  db.fields.lines.push_back({false, "GONE", false, "", "", ""});
  DxGroupSaved saved = SaveDxGroup(db.database, db.fields, 46000.25);
  EXPECT_EQ(saved.refusal, std::nullopt);
  EXPECT_EQ(saved.rows, 2);
  EXPECT_EQ(saved.keywords, (Texts{B5("胃"), B5("胃痛")}));
  for (const char* code : {"K297", "K29"}) {
    EXPECT_EQ(DxField(db.database, code, "clinicTypes"), "01,05,");
    EXPECT_EQ(DxField(db.database, code, "keyword"), "[胃][胃痛]");
    EXPECT_EQ(DxField(db.database, code, "Scode"), "05");
    EXPECT_EQ(DxField(db.database, code, "status"), "1");
    EXPECT_EQ(DxField(db.database, code, "Sname"), "胃炎");
    EXPECT_EQ(DxField(db.database, code, "common"), "True");
    EXPECT_EQ(DxField(db.database, code, "recTime"), "46000.25");
  }
  EXPECT_EQ(DxField(db.database, "K297", "bList"), "False");
  EXPECT_EQ(DxField(db.database, "K29", "bList"), "True");
  EXPECT_EQ(DxField(db.database, "K30", "recTime"), "") << "not in the group";
  EXPECT_TRUE(db.fields.lines.empty());
  EXPECT_FALSE(db.fields.chronic);
  EXPECT_TRUE(db.fields.departments[kFamily]) << "the department ticks stay";

  // Saved again without the chronic mark: status 0 and no code.
  db.Select({"K29"});
  db.fields.chronic = false;
  db.fields.chronic_code.clear();
  ASSERT_EQ(SaveDxGroup(db.database, db.fields, 46001).refusal, std::nullopt);
  EXPECT_EQ(DxField(db.database, "K29", "status"), "0");
  EXPECT_EQ(DxField(db.database, "K29", "Scode"), "");

  EXPECT_EQ(ReadKeywordList(db.database), (Texts{B5("胃"), B5("胃痛")}));
}

TEST(DxReads, BringInByPrefixAndShortNameAndThePreviewList) {
  EditorDatabase db;
  InsertDx(db.database, {.code = "K2_X", .short_name = "underscore"});
  EXPECT_EQ(DxRowsStartingWith(db.database, "k29").size(), 2u);
  EXPECT_EQ(DxRowsStartingWith(db.database, "K2_").size(), 1u) << "_ is no wildcard here";
  EXPECT_TRUE(DxRowsStartingWith(db.database, " ").empty()) << "never the whole table";

  InsertDx(db.database, {.code = "J00",
                         .listed = true,
                         .common = true,
                         .short_name = " 感冒 ",
                         .clinic_types = "01,05,"});
  InsertDx(db.database, {.code = "J01",
                         .listed = true,
                         .common = false,
                         .short_name = "鼻竇炎",
                         .clinic_types = "01,"});
  InsertDx(db.database, {.code = "J02",
                         .listed = false,
                         .common = true,
                         .short_name = "咽炎",
                         .clinic_types = "01,"});
  InsertDx(
      db.database,
      {.code = "J03", .listed = true, .common = true, .short_name = "感冒", .clinic_types = "10,"});
  EXPECT_EQ(DxRowsNamed(db.database, B5("感冒")).size(), 1u);
  EXPECT_EQ(ReadPreviewNames(db.database, "01"), (Texts{B5("感冒")}));
  EXPECT_EQ(ReadPreviewNames(db.database, "05"), (Texts{B5("感冒")}));
  EXPECT_EQ(ReadPreviewNames(db.database, "10"), (Texts{B5("感冒")}));

  DepartmentTicks ticks{};
  EXPECT_EQ(ChoosePreviewDepartment(ticks).message, kNoDepartmentMessage);
  EXPECT_FALSE(ChoosePreviewDepartment(ticks).department);
  ticks[kGynaecology] = ticks[kFamily] = true;
  PreviewDepartment choice = ChoosePreviewDepartment(ticks);
  EXPECT_EQ(choice.department, kFamily);
  EXPECT_EQ(choice.message, "選擇超過一科,只顯示家醫科");
}

TEST(ChronicMemoRule, Rule7LetsThroughTheListedSeventhCharacters) {
  EXPECT_TRUE(PassesMemoRule("", "E11"));
  EXPECT_TRUE(PassesMemoRule("initial visit only", "S72001A"));
  EXPECT_TRUE(PassesMemoRule("rule7AD", "S72001A"));
  EXPECT_TRUE(PassesMemoRule("rule7ad", "S72001D")) << "the memo is upper-cased";
  EXPECT_FALSE(PassesMemoRule("rule7AD", "S72001S"));
  EXPECT_FALSE(PassesMemoRule("rule7AD", "S7200")) << "only codes longer than 6 pass";
  EXPECT_FALSE(PassesMemoRule("rule7", "S72001A"));
  // The 7th character is looked for from the memo's 6th character on: not in "rule7" itself.
  EXPECT_FALSE(PassesMemoRule("rule7X", "S72001R"));
}

struct ChronicDatabase : EditorDatabase {
  RunFlags flags;
  RecordingStepContext context{flags};

  ChronicDatabase() {
    for (const char* code :
         {"E10", "E11", "E110", "E1165", "E119", "E1190", "E12", "S72001A", "S72001D", "S72001S"}) {
      InsertDx(database, {.code = code, .status = 1, .chronic_code = "07"});
    }
  }
  void Range(int order, const char* code, const char* begin, const char* end,
             const char* memo = "") {
    database.Execute(
        "insert into DXlong (orderNo, Scode, begCode, endCOde, memoNote) values (?, ?, ?, ?, ?)",
        {order, code, begin, end, memo});
  }
};

TEST(ChronicRanges, ClearRangeRunsInByteOrderUpToItsEndCode) {
  ChronicDatabase db;
  db.Range(2, "XX", "E11", "E119");
  db.Range(3, "??", "E12", "E12");
  db.Range(5, " 3", "S72", "S72001Z", "rule7AD");
  EXPECT_EQ(ApplyChronicRanges(db.database, db.context), StepResult::kDone);
  EXPECT_EQ(DxField(db.database, "E10", "status"), "1");
  for (const char* code : {"E11", "E110", "E1165", "E119"}) {
    EXPECT_EQ(DxField(db.database, code, "status"), "0") << code;
    EXPECT_EQ(DxField(db.database, code, "Scode"), "") << code;
  }
  EXPECT_EQ(DxField(db.database, "E1190", "Scode"), "07") << "sorts after E119: untouched";
  EXPECT_EQ(DxField(db.database, "E12", "Scode"), "07") << "?? changes nothing";
  EXPECT_EQ(DxField(db.database, "S72001A", "Scode"), "3");
  EXPECT_EQ(DxField(db.database, "S72001D", "status"), "1");
  EXPECT_EQ(DxField(db.database, "S72001S", "Scode"), "07") << "fails the memo rule";
  EXPECT_EQ(db.context.done(), 5);
  EXPECT_EQ(db.context.MessageTexts(), (Texts{"輸入完成"}));
}

TEST(ChronicRanges, ABadRowAnywhereStopsBeforeAnythingChanges) {
  struct Case {
    const char* code;
    const char* begin;
    const char* end;
    const char* message;
  };
  for (const Case& bad :
       {Case{"AB", "E11", "E119", "慢性病碼錯誤 AB"}, Case{"0", "E11", "E119", "慢性病碼錯誤 0"},
        Case{"05", "E12", "E11", "慢性病碼05  起始碼E12大於  結束碼E11"},
        Case{"05", "F20", "F29", "慢性病碼05  起始碼F20 找不到"}}) {
    ChronicDatabase db;
    db.Range(1, "XX", "E11", "E119");
    db.Range(2, bad.code, bad.begin, bad.end);
    EXPECT_EQ(ApplyChronicRanges(db.database, db.context), StepResult::kStopped) << bad.message;
    EXPECT_EQ(db.context.MessageTexts(), (Texts{bad.message}));
    EXPECT_EQ(DxField(db.database, "E110", "status"), "1") << "the good first row is not applied";
  }
}

}  // namespace
}  // namespace zuvo
