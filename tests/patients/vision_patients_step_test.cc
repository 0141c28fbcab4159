#include "patients/vision_patients_step.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "core/patient_store.h"
#include "core/roc_date.h"
#include "core/store_verify.h"
#include "demo/demo_clinic.h"
#include "platform/big5.h"
#include "platform/dbf_writer.h"
#include "platform/error.h"
#include "platform/file_ops.h"
#include "platform/profile_file.h"
#include "platform/table_store.h"
#include "support/recording_step_context.h"
#include "support/temp_dir.h"
#include "workspace/folder_layout.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using testing::TempDir;

std::string B5(std::string_view utf8) { return big5::FromUtf8(utf8); }

// A CO01M.DBF row given in UTF-8 (raw bytes where a test needs them).
struct Row {
  std::string KCSTMR = "", MPERSONID = "", MNAME = "", MBIRTHDT = "0650312", MSEX = "1", MTELH = "",
              MFML = "", MADDR = "", MMEDI = "", MISNO = "", MWEIGHT = "", MREMARK = "";
};

struct CatalogueRowText {
  std::string Tname, Sname, INSUcode, order_class;
};

constexpr char kClinicCode[] = "3501234567";

class VisionPatientsStep : public ::testing::Test {
 protected:
  void SetUp() override {
    flags_.SetStepMessages(true);
    CreateFolders(source_);
    CreateWorkTree(work_tree_);
    WriteCatalogue({});
    WriteProfileString(clinic_ / "data.ini", "system", "Pharmacistname", B5("王藥師"));
    WriteProfileString(clinic_ / "data.ini", "system", "PharmacistID", "A223456781");
  }

  void WriteCatalogue(const std::vector<CatalogueRowText>& rows) {
    fs::path file = work_tree_ / "Corvix" / "OPD.mdb";
    if (fs::exists(file)) fs::remove(file);
    Database database = Database::Create(file);
    database.Execute("create table MX (Tname text, Sname text, INSUcode text, class text)");
    for (const CatalogueRowText& row : rows) {
      database.Execute("insert into MX values (?, ?, ?, ?)",
                       {B5(row.Tname), B5(row.Sname), B5(row.INSUcode), B5(row.order_class)});
    }
  }

  // Values are converted from UTF-8 unless `raw` is set.
  void WritePatients(const std::vector<Row>& rows, bool raw = false) {
    DbfWriter table(source_ / "co01m.dbf", {{"KCSTMR", 'C', 25, 0},
                                            {"MPERSONID", 'C', 12, 0},
                                            {"MNAME", 'C', 30, 0},
                                            {"MBIRTHDT", 'C', 7, 0},
                                            {"MSEX", 'C', 1, 0},
                                            {"MTELH", 'C', 20, 0},
                                            {"MFML", 'C', 20, 0},
                                            {"MADDR", 'C', 80, 0},
                                            {"MMEDI", 'C', 40, 0},
                                            {"MISNO", 'C', 40, 0},
                                            {"MWEIGHT", 'N', 6, 1},
                                            {"MREMARK", 'M', 0, 0}});
    for (const Row& row : rows) {
      std::vector<std::string> values = {row.KCSTMR, row.MPERSONID, row.MNAME,   row.MBIRTHDT,
                                         row.MSEX,   row.MTELH,     row.MFML,    row.MADDR,
                                         row.MMEDI,  row.MISNO,     row.MWEIGHT, row.MREMARK};
      if (!raw) {
        for (std::string& value : values) value = B5(value);
      }
      table.Append(values);
    }
    table.Close();
  }

  VisionPatientsInput Input() const {
    VisionPatientsInput input;
    input.folder.his = B5("展望");
    input.folder.source_folder = source_;
    input.folder.work_tree = work_tree_;
    input.folder.clinic_id = kClinicCode;
    return input;
  }

  StepResult Run(VisionPatientsInput input) {
    Workplace place;
    place.now = Now();
    dated_ = place.now;  // every record is dated by the step's start
    return ConvertVisionPatients(input, place, context_);
  }
  StepResult Run() { return Run(Input()); }

  StoreLocation Store() const { return WorkTreeStoreLocation(work_tree_, kClinicCode); }

  PatientRecord Read(int32_t number, std::string* note = nullptr) const {
    PatientRecord record;
    std::string text;
    EXPECT_TRUE(ReadPatientWithNote(Store(), number, record, text)) << "patient " << number;
    if (note != nullptr) *note = text;
    return record;
  }

  std::string Note(int32_t number) const {
    std::string note;
    Read(number, &note);
    return note;
  }

  std::vector<std::string> DupIdLines() const {
    return ProfileFile(clinic_ / "data.ini").SectionLines("DUPID");
  }

  const std::vector<std::string>& Lines() const { return context_.lines(); }

  TempDir temp_;
  fs::path source_ = temp_ / "VISW_SRC";
  fs::path clinic_ = temp_ / "VISW" / kClinicCode;
  fs::path work_tree_ = clinic_ / "1151209_1";
  RunFlags flags_;
  RecordingStepContext context_{flags_};
  DateTime dated_ = 0;
};

uint32_t U32At(const std::string& bytes, size_t offset) {
  uint32_t value;
  std::memcpy(&value, bytes.data() + offset, 4);
  return value;
}

// A length-prefixed text at `offset` of the raw file.
std::string TextAt(const std::string& bytes, size_t offset) {
  return bytes.substr(offset + 1, static_cast<unsigned char>(bytes[offset]));
}

TEST_F(VisionPatientsStep, WritesEachFieldAtItsOffset) {
  WritePatients({{"27", "A123456789", "陳大文", "0650312", "0", "02-27123456", "0912345678",
                  "台北市大安區和平東路一段10號", "", "", "65.5", "asthma,aspirin,x"}});
  ASSERT_EQ(Run(), StepResult::kDone);

  std::string file = testing::ReadFileBytes(Store().server_data_folder / "PtData.000");
  ASSERT_EQ(file.size(), 10000u * 269u);
  size_t slot = 27 * 269;
  EXPECT_EQ(U32At(file, slot + 4), 27u);
  EXPECT_EQ(TextAt(file, slot + 8), "A123456789");
  EXPECT_EQ(TextAt(file, slot + 19), B5("陳大文"));
  EXPECT_EQ(file[slot + 40], '3');
  EXPECT_EQ(TextAt(file, slot + 41), "D10");
  double birthday;
  std::memcpy(&birthday, file.data() + slot + 45, 8);
  EXPECT_EQ(birthday, *EncodeDate(1976, 3, 12));
  EXPECT_EQ(U32At(file, slot + 53), 0u);
  EXPECT_EQ(U32At(file, slot + 57), 0u);
  EXPECT_EQ(file[slot + 61], 'F');
  EXPECT_EQ(U32At(file, slot + 62), 0u);
  EXPECT_EQ(TextAt(file, slot + 66), "0");
  EXPECT_EQ(TextAt(file, slot + 71), "02-27123456");
  EXPECT_EQ(TextAt(file, slot + 87), "0912345678");
  EXPECT_EQ(TextAt(file, slot + 103), B5("台北市大安區和平東路一段10號"));
  EXPECT_EQ(TextAt(file, slot + 164), "<TO>0912345678</TO>" +
                                          B5("<NB>體重:65.5~~asthma,aspirin,x</NB>") +
                                          "<HA>aspirin</HA><HS>asthma</HS>")
      << "weight, remark, allergy and history elements after the second telephone";
  EXPECT_EQ(U32At(file, slot + 265), 0u);
  uint32_t checksum = 0;
  for (size_t word = 0; word < 66; ++word) checksum ^= U32At(file, slot + 4 + 4 * word);
  EXPECT_EQ(U32At(file, slot), checksum);

  EXPECT_EQ(Lines().front().substr(0, 10), "begin time");
  EXPECT_EQ(Lines().back().substr(0, 8), "end time");
  EXPECT_THAT(context_.elapsed_label(), HasSubstr("耗時: 00:00:0"));
  EXPECT_THAT(context_.MessageTexts(), ElementsAre("Ant.fdb病人資料庫完成"));
  EXPECT_EQ(context_.total(), 1);
  EXPECT_EQ(context_.gauge(), 1);
  EXPECT_EQ(context_.chart_number(), 27);
  EXPECT_TRUE(VerifyStore(Store()).clean());
}

TEST_F(VisionPatientsStep, RepeatedIdsAreMergedIntoTheFirstChartNumber) {
  WritePatients({{"15", "F128456784", "李建國"},
                 {"27", "f128456784", "李建民"},
                 {"15", "B220134565", "林美玲"},
                 {"30", "", "趙錢孫"},
                 {"31", "", "吳小妹"},
                 {"32", "A12345", "鄭成功"},
                 {"33", "A12345", "鄭成功"}});
  ASSERT_EQ(Run(), StepResult::kDone);

  EXPECT_EQ(Read(15).Get(patient_field::kNationalId), "F128456784");
  PatientRecord none;
  EXPECT_FALSE(ReadPatient(Store(), 27, none));
  EXPECT_THAT(Lines(), Contains("身分證重複:病歷號27身分證 F128456784"));
  EXPECT_THAT(Lines(), Contains("病歷號重複:病歷號15身分證 F128456784"));
  EXPECT_THAT(DupIdLines(), ElementsAre("27=15"));
  EXPECT_EQ(Read(30).Get(patient_field::kNationalId), "@000000001");
  EXPECT_EQ(Read(31).Get(patient_field::kNationalId), "@000000002");
  EXPECT_EQ(Read(32).Get(patient_field::kNationalId), "@000000003");
  EXPECT_EQ(Read(33).Get(patient_field::kNationalId), "@000000004")
      << "short IDs never count as repeated";
}

TEST_F(VisionPatientsStep, ReplacementValuesForNameBirthdaySexAndTelephones) {
  WritePatients({{"1", "A123456789", "", "0650312", "0", "", "02-29876543"},
                 {"2", "B220134565", "林美玲", "1070230", "1", "", "0933111222"},
                 {"3", "C134679021", "王小明", " ", "2"},
                 {"4", "D123098762", "張志強", "0700808", " "}});
  ASSERT_EQ(Run(), StepResult::kDone);

  PatientRecord first = Read(1);
  EXPECT_EQ(first.Get(patient_field::kName), B5("無名氏"));
  EXPECT_EQ(first.Get(patient_field::kSex), 'F');
  EXPECT_EQ(first.Get(patient_field::kMobile), "");
  EXPECT_EQ(Note(1), "<TO>02-29876543</TO>");
  EXPECT_THAT(Lines(), Contains("病歷號:1 無名氏"));

  PatientRecord second = Read(2);
  EXPECT_EQ(second.Get(patient_field::kBirthday), dated_);
  EXPECT_EQ(second.Get(patient_field::kMobile), "0933111222");
  EXPECT_EQ(Note(2), "<TO>0933111222</TO>");
  EXPECT_THAT(Lines(), Contains("病歷號:2 ID:B220134565林美玲 生日錯誤:'1070230'"));
  EXPECT_THAT(Lines(), Contains("病歷號:3 ID:C134679021王小明 生日錯誤:'       '"))
      << "the field as stored";
  for (int32_t number : {2, 3, 4}) EXPECT_EQ(Read(number).Get(patient_field::kSex), 'M');
  EXPECT_EQ(Note(3), "");
}

TEST_F(VisionPatientsStep, RowsWithoutAUsableChartNumberAreListedAndSkipped) {
  WritePatients({{"0", "A123456789", "甲"},
                 {"ABC", "B220134565", "乙"},
                 {"12A", "C134679021", "丙"},
                 {"2147483648", "D123098762", "丁"},
                 {"-5", "E298765431", "戊"},
                 {"99999999999999999999999", "G142536477", "己"},
                 {"  42", "H210987658", "庚"}});
  ASSERT_EQ(Run(), StepResult::kDone);

  EXPECT_THAT(Lines(), Contains("病歷號為0錯誤:0 第1筆"));
  EXPECT_THAT(Lines(), Contains("病歷號為0錯誤:ABC 第2筆"));
  EXPECT_THAT(Lines(), Contains("病歷號為0錯誤:12A 第3筆"));
  EXPECT_THAT(Lines(), Contains("病歷號超出範圍錯誤:2147483648 第4筆"));
  EXPECT_THAT(Lines(), Contains("病歷號超出範圍錯誤:-5 第5筆"));
  EXPECT_THAT(Lines(), Contains("病歷號為0錯誤:99999999999999999999999 第6筆"));
  EXPECT_EQ(Read(42).Get(patient_field::kName), B5("庚"));
  StoreVerifyReport report = VerifyStore(Store());
  EXPECT_TRUE(report.clean());
  EXPECT_EQ(report.patients, 1u);
}

// The identity tables' classes reach the record as they are: 老人 is 'F', 榮民 '2', 員工 'A' (a
// later remark field wins), not only the co-payment classes.
TEST_F(VisionPatientsStep, IdentityRemarksSetTheirClasses) {
  WritePatients({{"1", "A123456789", "甲", "0650312", "1", "", "", "", "老人", "榮民"},
                 {"2", "B220134565", "乙", "0650312", "1", "", "", "", "老人"},
                 {"3", "C134679021", "丙", "0650312", "1", "", "", "", "福保", "員工"},
                 {"4", "D123098762", "丁", "0650312", "1", "", "", "", "殘障手冊"},
                 {"5", "E123456780", "戊", "0650312", "1", "", "", "", "榮民"}});
  ASSERT_EQ(Run(), StepResult::kDone);

  EXPECT_EQ(Read(1).Get(patient_field::kPaymentClass), '2');
  EXPECT_EQ(Read(2).Get(patient_field::kPaymentClass), 'F');
  EXPECT_EQ(Note(2), B5("<NB>老人</NB>"));
  EXPECT_EQ(Read(3).Get(patient_field::kPaymentClass), 'A');
  EXPECT_EQ(Read(4).Get(patient_field::kPaymentClass), '3');
  EXPECT_EQ(Note(4), B5("<NB>殘障手冊</NB><HS>殘障手冊</HS>"));
  EXPECT_EQ(Read(5).Get(patient_field::kPaymentClass), '2');
}

TEST_F(VisionPatientsStep, CatalogueDrugsAndClinicPhrasesComeFromTheWorkTree) {
  WriteCatalogue(
      {{"VOLTA", "Voltaren 25mg", "A012345100", "oral"}, {"XYZ", "Xyzal", "B000111100", "OPD"}});
  WriteProfileString(clinic_ / "data.ini", "reMark", B5("氣喘"), "S");
  WriteProfileString(clinic_ / "data.ini", "DUPMX", "OLDNAME", "A012345100");
  WritePatients({{"1", "A123456789", "甲", "0650312", "1", "", "", "", "", "", "",
                  "VOLTA?,XYZ,oldname,小兒氣喘,x"}});
  ASSERT_EQ(Run(), StepResult::kDone);

  EXPECT_EQ(Note(1), B5("<NB>VOLTA?,XYZ,oldname,小兒氣喘,x</NB>"
                        "<HA>Voltaren 25mg ?,Voltaren 25mg</HA><HS>小兒氣喘</HS>"));
  EXPECT_THAT(Lines(), Contains("病人註記不明片語:XYZ"));
}

TEST_F(VisionPatientsStep, NotesModeChangesNoClassAndListsNothing) {
  WritePatients({{"1", "A123456789", "甲", "0650312", "1", "", "", "", "榮民", "abc", "",
                  "不明的話,cough,x"}});
  VisionPatientsInput input = Input();
  input.remark_mode = RemarkMode::kNotesOnly;
  ASSERT_EQ(Run(input), StepResult::kDone);

  EXPECT_EQ(Read(1).Get(patient_field::kPaymentClass), '3');
  EXPECT_EQ(Note(1), B5("<NB>榮民~~abc~~不明的話,cough,x</NB><HA>cough</HA>"));
  EXPECT_EQ(Lines().size(), 2u) << "only the begin and end times";
}

TEST_F(VisionPatientsStep, UnknownPhrasesAreReportedOncePerRun) {
  std::vector<Row> rows;
  for (int i = 1; i <= 200; ++i) {
    rows.push_back(
        {std::to_string(i), "", "甲", "0650312", "1", "", "", "", "", "", "", "看診很久\r\n"});
  }
  WritePatients(rows);
  ASSERT_EQ(Run(), StepResult::kDone);
  EXPECT_EQ(std::count(Lines().begin(), Lines().end(), "病人註記不明片語:看診很久"), 1);
}

TEST_F(VisionPatientsStep, LongAndBrokenTextIsStoredSafely) {
  std::string long_remark;
  for (int line = 0; line < 300; ++line) long_remark += "chronic rhinitis, visit note\r\n";
  // A name that ends inside a character, control characters and a lone lead byte at the end of
  // the remark.
  WritePatients(
      {{.KCSTMR = "1", .MPERSONID = "A123456789", .MNAME = B5("甲"), .MREMARK = long_remark},
       {.KCSTMR = "2",
        .MPERSONID = "B220134565",
        .MNAME = B5("林美玲") + "\xA5",
        .MREMARK = "\x07"
                   "cough,\x01x\xA5"},
       {.KCSTMR = "3", .MPERSONID = "C134679021", .MNAME = B5("歐陽一二三四五六七八九十")}},
      /*raw=*/true);
  ASSERT_EQ(Run(), StepResult::kDone);

  std::string note = Note(1);
  EXPECT_GT(note.size(), 8000u);
  EXPECT_GT(Read(1).Get(patient_field::kLongNoteOffset), 0u);
  EXPECT_EQ(Read(2).Get(patient_field::kName), B5("林美玲") + "\xA5");
  EXPECT_EQ(Note(2), "<NB>cough,x\xA5</NB><HA>cough</HA>");
  EXPECT_THAT(Lines(), Contains("病歷號:2 MNAME字碼錯誤:'林美玲\\xA5'"));
  EXPECT_THAT(Lines(), Contains("病歷號:2 MREMARK字碼錯誤:'cough,\x01"
                                "x\\xA5'"));
  EXPECT_EQ(Read(3).Get(patient_field::kName), B5("歐陽一二三四五六七八"))
      << "cut to 20 bytes at a character boundary";
  EXPECT_TRUE(VerifyStore(Store()).clean());
}

TEST_F(VisionPatientsStep, PreconditionsStopBeforeAnythingIsWritten) {
  WritePatients({{"1", "A123456789", "甲"}});
  VisionPatientsInput wrong_system = Input();
  wrong_system.folder.his = B5("耀聖");
  EXPECT_EQ(Run(wrong_system), StepResult::kStopped);
  EXPECT_THAT(context_.MessageTexts(), ElementsAre("請先選取正確展望來源目錄"));

  WriteProfileString(clinic_ / "data.ini", "system", "PharmacistID", "");
  WriteProfileString(clinic_ / "data.ini", "DUPID", "9", "8");
  EXPECT_EQ(Run(), StepResult::kStopped);
  EXPECT_THAT(context_.MessageTexts().back(),
              HasSubstr("展望系統轉換前請先在" + PathToUtf8(clinic_ / "data.ini")));
  EXPECT_FALSE(fs::exists(Store().server_data_folder));
  EXPECT_THAT(DupIdLines(), ElementsAre("9=8"));

  VisionPatientsInput named = Input();
  named.folder.pharmacist_name = B5("王藥師");
  EXPECT_EQ(Run(named), StepResult::kDone) << "a pharmacist named in the window needs no ID";
  EXPECT_THAT(DupIdLines(), IsEmpty());

  WriteProfileString(clinic_ / "data.ini", "system", "Pharmacistname", "");
  EXPECT_EQ(Run(), StepResult::kDone);
  EXPECT_THAT(context_.MessageTexts(), Contains("警告:確定無藥師,轉換會繼續進行"));
}

TEST_F(VisionPatientsStep, MissingFilesEndTheStepWithAnError) {
  EXPECT_THROW(Run(), Error) << "no CO01M.DBF";
  WritePatients({{"1", "A123456789", "甲"}});
  fs::remove(work_tree_ / "Corvix" / "OPD.mdb");
  EXPECT_THROW(Run(), Error) << "no catalogue";
}

TEST_F(VisionPatientsStep, AStoppedRunKeepsWhatItWroteAndARerunStartsAfresh) {
  std::vector<Row> rows;
  for (int i = 1; i <= 300; ++i) {
    std::string id = i % 2 == 0 ? "A123456789" : "";
    rows.push_back({std::to_string(i), id, "甲"});
  }
  WritePatients(rows);
  context_.RequestStopAfterEvents(100);
  ASSERT_EQ(Run(), StepResult::kDone);
  EXPECT_EQ(VerifyStore(Store()).patients, 100u);
  // Patients 1, 2 and the odd numbers 3..197 were written; the even rows 4..196 read meanwhile
  // are merged into patient 2.
  std::vector<std::string> dup_ids = DupIdLines();
  EXPECT_EQ(dup_ids.size(), 97u);
  EXPECT_EQ(dup_ids.front(), "4=2");
  EXPECT_EQ(dup_ids.back(), "196=2");
  PatientRecord none;
  EXPECT_TRUE(ReadPatient(Store(), 197, none));
  EXPECT_FALSE(ReadPatient(Store(), 199, none));

  WritePatients({{"500", "B220134565", "乙"}});
  ASSERT_EQ(Run(), StepResult::kDone);
  StoreVerifyReport report = VerifyStore(Store());
  EXPECT_EQ(report.patients, 1u) << "the earlier run's records are gone";
  EXPECT_THAT(DupIdLines(), IsEmpty());
}

TEST_F(VisionPatientsStep, DemoClinicConvertsCleanly) {
  demo::WriteVisionDemoSource(source_, 7);
  ASSERT_EQ(Run(), StepResult::kDone);

  StoreVerifyReport report = VerifyStore(Store());
  EXPECT_TRUE(report.clean());
  EXPECT_GT(report.patients, 200u);
  EXPECT_THAT(DupIdLines(), Contains("27=15"));
  EXPECT_THAT(Lines(), Contains("身分證重複:病歷號27身分證 F128456784"));
  EXPECT_THAT(Lines(), Contains(HasSubstr("病歷號為0錯誤:")));
  EXPECT_THAT(Lines(), Contains(HasSubstr("病歷號超出範圍錯誤:")));
  EXPECT_THAT(Lines(), Contains(HasSubstr("病人註記不明片語:")));
  EXPECT_THAT(Lines(), Contains(HasSubstr("xMark無匹配:")));
  EXPECT_THAT(Lines(), Contains(HasSubstr(" 生日錯誤:'")));
  EXPECT_EQ(Read(1).Get(patient_field::kPaymentClass), '2');
  EXPECT_EQ(Read(30).Get(patient_field::kNationalId), "@000000001");
  EXPECT_THAT(Note(3), HasSubstr(B5("<HA>G6PD 蠶豆症</HA>")));
  EXPECT_GT(Note(42).size(), 1000u);
}

}  // namespace
}  // namespace zuvo
