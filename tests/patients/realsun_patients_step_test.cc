#include "patients/realsun_patients_step.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <map>

#include "core/byte_layout.h"
#include "core/patient_store.h"
#include "core/store_verify.h"
#include "demo/realsun_patient_tables.h"
#include "platform/big5.h"
#include "platform/dbf_writer.h"
#include "platform/error.h"
#include "platform/file_ops.h"
#include "platform/profile_file.h"
#include "support/folder_files.h"
#include "support/recording_step_context.h"
#include "support/temp_dir.h"
#include "workspace/folder_layout.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::ElementsAre;
using testing::FolderFiles;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::U32At;
using testing::WriteFileBytes;

std::string B5(std::string_view utf8) { return big5::FromUtf8(utf8); }

// A PATDB.DBF row in UTF-8 (raw bytes where a test sets `raw`).
struct Row {
  std::string NAME = "", ID = "", BIRTH = "650312", SEX = "+", TEL = "", ADDR = "", WARN = "",
              PASS = "";
};

// The first record of every table: the system's own, never a patient.
const Row kSystemRecord = {"耀聖系統", "A100000001", "010101"};

constexpr char kClinicCode[] = "3601234567";
constexpr size_t kRecordSize = 269;

// Days from 1899-12-30, worked out by hand.
constexpr double k19980701 = 35977;
constexpr double k20180326 = 43185;
constexpr double k20110101 = 40544;

// The slot of patient `number` in the raw PtData.000, and its fields at the offsets of the record
// layout.
struct Slot {
  Slot(const std::string& file, int number) : file(file), at(number * kRecordSize) {}

  const std::string& file;
  size_t at;

  uint32_t U32(size_t offset) const { return U32At(file, at + offset); }
  std::string Text(size_t offset) const {
    return file.substr(at + offset + 1, static_cast<unsigned char>(file[at + offset]));
  }
  double Birthday() const {
    double value;
    std::memcpy(&value, file.data() + at + 45, 8);
    return value;
  }
  std::string Id() const { return Text(8); }
  bool Empty() const { return file.substr(at, kRecordSize) == std::string(kRecordSize, '\0'); }
};

class RealSunPatientsStep : public ::testing::Test {
 protected:
  void SetUp() override {
    flags_.SetStepMessages(true);
    CreateFolders(source_ / "S");
    CreateWorkTree(work_tree_);
  }

  // The table: the system record, then `rows`. Values are converted from UTF-8 unless `raw`.
  // With `first_deleted` the system record is marked deleted.
  void WritePatients(const std::vector<Row>& rows, bool raw = false, bool first_deleted = false) {
    const std::vector<DbfFieldSpec> fields = {
        {"NAME", 'C', 24, 0}, {"ID", 'C', 12, 0},   {"BIRTH", 'C', 7, 0}, {"SEX", 'C', 1, 0},
        {"TEL", 'C', 20, 0},  {"ADDR", 'C', 80, 0}, {"WARN", 'C', 80, 0}, {"PASS", 'C', 80, 0}};
    DbfWriter table(source_ / "S" / "patdb.dbf", fields);
    std::vector<Row> all = {kSystemRecord};
    all.insert(all.end(), rows.begin(), rows.end());
    for (size_t i = 0; i < all.size(); ++i) {
      std::vector<std::string> values = {all[i].NAME, all[i].ID,   all[i].BIRTH, all[i].SEX,
                                         all[i].TEL,  all[i].ADDR, all[i].WARN,  all[i].PASS};
      if (!raw || i == 0) {
        for (std::string& value : values) value = B5(value);
      }
      table.Append(values);
    }
    if (first_deleted) table.MarkDeleted(1);
    table.Close();
  }

  RealSunPatientsInput Input() const {
    RealSunPatientsInput input;
    input.folder.his = B5("耀聖");
    input.folder.source_folder = source_;
    input.folder.work_tree = work_tree_;
    input.folder.clinic_id = kClinicCode;
    return input;
  }

  StepResult Run(RealSunPatientsInput input) {
    Workplace place;
    place.program_folder = program_;
    place.now = 43185.5;
    // 10:00:00 at the start, 10:01:05 at the end.
    place.clock = [this] {
      return clock_readings_++ == 0 ? 43185 + 10 / 24.0 : 43185 + (10 * 3600 + 65) / 86400.0;
    };
    return ConvertRealSunPatients(input, place, context_);
  }
  StepResult Run() { return Run(Input()); }

  StoreLocation Store() const { return WorkTreeStoreLocation(work_tree_, kClinicCode); }

  // The raw first patient file.
  std::string PatientFile() const {
    return ReadFileBytes(Store().server_data_folder / "PtData.000");
  }

  std::vector<std::string> Section(std::string_view name) const {
    return ProfileFile(clinic_ / "data.ini").SectionLines(name);
  }

  const std::vector<std::string>& Lines() const { return context_.lines(); }

  static void Put(const fs::path& file, std::string_view bytes) {
    CreateFolders(file.parent_path());
    WriteFileBytes(file, bytes);
  }

  TempDir temp_;
  fs::path source_ = temp_ / "RS_SRC";
  fs::path program_ = temp_ / "program";
  fs::path clinic_ = program_ / "RS" / kClinicCode;
  fs::path work_tree_ = clinic_ / "1150101_1";
  fs::path snapshot_ = clinic_ / "InitBak";
  RunFlags flags_;
  RecordingStepContext context_{flags_};
  int clock_readings_ = 0;
};

TEST_F(RealSunPatientsStep, WritesEachFieldAtItsOffset) {
  WritePatients({{"王大明", "A123456789", "870701", "+", "02-27123456",
                  "台北市大安區和平東路一段10號", "penicillin", "高血壓"},
                 {"林美玲", "B220134565", "A70326", "-", " 0912345678 ", "", "", "氣喘"}});
  ASSERT_EQ(Run(), StepResult::kDone);

  const std::string file = PatientFile();
  ASSERT_EQ(file.size(), 10000u * kRecordSize);
  EXPECT_TRUE(Slot(file, 1).Empty()) << "the first record is no patient";

  Slot first(file, 2);
  EXPECT_EQ(first.U32(4), 2u) << "the record number is the chart number";
  EXPECT_EQ(first.Id(), "A123456789");
  EXPECT_EQ(first.Text(19), B5("王大明"));
  EXPECT_EQ(file[first.at + 40], '3');
  EXPECT_EQ(first.Text(41), "D10");
  EXPECT_EQ(first.Birthday(), k19980701);
  EXPECT_EQ(first.U32(53), 0u);
  EXPECT_EQ(first.U32(57), 0u);
  EXPECT_EQ(file[first.at + 61], 'M');
  EXPECT_EQ(first.U32(62), 0u);
  EXPECT_EQ(file.substr(first.at + 66, 5), std::string(5, '\0')) << "empty, not \"0\"";
  EXPECT_EQ(first.Text(71), "02-27123456");
  EXPECT_EQ(first.Text(87), "") << "not a mobile number";
  EXPECT_EQ(first.Text(103), B5("台北市大安區和平東路一段10號"));
  EXPECT_EQ(first.Text(164), B5("<HA>penicillin</HA><HS>高血壓</HS>"));
  EXPECT_EQ(first.U32(265), 0u);
  uint32_t checksum = 0;
  for (size_t word = 0; word < 66; ++word) checksum ^= first.U32(4 + 4 * word);
  EXPECT_EQ(first.U32(0), checksum);

  Slot second(file, 3);
  EXPECT_EQ(second.Birthday(), k20180326);
  EXPECT_EQ(file[second.at + 61], 'F');
  EXPECT_EQ(second.Text(71), "0912345678");
  EXPECT_EQ(second.Text(87), "0912345678");
  EXPECT_EQ(second.Text(164), B5("<HS>氣喘</HS>"));

  EXPECT_THAT(Lines(), ElementsAre("begin time10:00:00", "end time10:01:05"));
  EXPECT_EQ(context_.elapsed_label(), "耗時: 00:01:05");
  EXPECT_THAT(context_.MessageTexts(), ElementsAre("Ant.fdb病人資料庫完成"));
  EXPECT_EQ(context_.total(), 3);
  EXPECT_EQ(context_.gauge(), 3);
  EXPECT_EQ(context_.chart_number(), 3);

  flags_.SetStepMessages(false);
  ASSERT_EQ(Run(), StepResult::kDone);
  EXPECT_THAT(context_.MessageTexts(), ElementsAre("Ant.fdb病人資料庫完成")) << "no second box";
}

TEST_F(RealSunPatientsStep, BirthFormsAndTheirErrors) {
  WritePatients({{"甲", "A123456789", "870701"},
                 {"乙", "B220134565", "A70326"},
                 {"丙", "C134679021", "A00101"},
                 {"丁", "D123098762", "1070326"},
                 {"戊", "E298765431", ""},
                 {"己", "F128456784", "870231"},
                 {"庚", "G142536477", "ab0101"},
                 {"辛", "H210987658", "A703261"},
                 {"壬", "J154321095", " 870701"}});
  ASSERT_EQ(Run(), StepResult::kDone);

  const std::string file = PatientFile();
  const std::map<int, double> expected = {{2, k19980701}, {3, k20180326}, {4, k20110101},
                                          {5, 0},         {6, 0},         {7, 0},
                                          {8, 0},         {9, 0},         {10, k19980701}};
  for (const auto& [number, birthday] : expected) {
    Slot slot(file, number);
    EXPECT_EQ(slot.U32(4), static_cast<uint32_t>(number)) << "written despite its birthday";
    EXPECT_EQ(slot.Birthday(), birthday) << "patient " << number;
  }
  EXPECT_THAT(Lines(), Contains("生日記錄錯誤:病歷號5 [1070326]"));
  EXPECT_THAT(Lines(), Contains("生日記錄錯誤:病歷號6 []"));
  EXPECT_THAT(Lines(), Contains("生日記錄錯誤:病歷號7 [870231]"));
  EXPECT_THAT(Lines(), Contains("生日記錄錯誤:病歷號8 [ab0101]")) << "letters are no date";
  EXPECT_THAT(Lines(), Contains("生日記錄錯誤:病歷號9 [A703261]"));
  EXPECT_EQ(Lines().size(), 2u + 5u);
}

// Years 110-119 are "B" and the last digit, as the visit tables write them; a month or day
// that is no number reads as 1 and is listed; a year that is no number gives no birthday.
TEST_F(RealSunPatientsStep, BirthsFrom2021AndPartlyReadableBirths) {
  WritePatients({{"甲", "A123456789", "B20105"},
                 {"乙", "B220134565", "B00315"},
                 {"丙", "C134679021", "87AB01"},
                 {"丁", "D123098762", "8707XY"},
                 {"戊", "E298765431", "XY0701"},
                 {"己", "F128456784", "B10229"}});
  ASSERT_EQ(Run(), StepResult::kDone);

  const std::string file = PatientFile();
  const std::map<int, double> expected = {{2, 44931},     {3, 44270}, {4, 35796},
                                          {5, k19980701}, {6, 0},     {7, 0}};
  for (const auto& [number, birthday] : expected) {
    EXPECT_EQ(Slot(file, number).Birthday(), birthday) << "patient " << number;
  }
  EXPECT_THAT(Lines(), Not(Contains(HasSubstr("病歷號2 "))));
  EXPECT_THAT(Lines(), Not(Contains(HasSubstr("病歷號3 "))));
  EXPECT_THAT(Lines(), Contains("生日記錄錯誤:病歷號4 [87AB01]"));
  EXPECT_THAT(Lines(), Contains("生日記錄錯誤:病歷號5 [8707XY]"));
  EXPECT_THAT(Lines(), Contains("生日記錄錯誤:病歷號6 [XY0701]"));
  EXPECT_THAT(Lines(), Contains("生日記錄錯誤:病歷號7 [B10229]")) << "29 February 2022";
  EXPECT_EQ(Lines().size(), 2u + 4u);
}

// Two people whose IDs share their first ten bytes are two patients; the stored ID is cut to
// the record's ten bytes, and the cut is listed.
TEST_F(RealSunPatientsStep, IdsLongerThanTheFieldAreComparedWhole) {
  WritePatients({{"甲", "A1234567890"}, {"乙", "A1234567891"}, {"丙", "A1234567891"}});
  ASSERT_EQ(Run(), StepResult::kDone);

  const std::string file = PatientFile();
  EXPECT_EQ(Slot(file, 2).Id(), "A123456789");
  EXPECT_EQ(Slot(file, 3).Id(), "A123456789");
  EXPECT_TRUE(Slot(file, 4).Empty()) << "the same whole ID as patient 3";
  EXPECT_THAT(Lines(), Contains("身分證過長,只存前10碼:病歷號2 [A1234567890]"));
  EXPECT_THAT(Lines(), Contains("身分證過長,只存前10碼:病歷號3 [A1234567891]"));
  EXPECT_THAT(Lines(), Contains("身分證重複:病歷號4身分證 A123456789"));
  EXPECT_THAT(Section("DUPID"), ElementsAre("4=3"));
}

TEST_F(RealSunPatientsStep, UnusableIdsGetSerialsAndRepeatsAreMergedIntoTheFirst) {
  WritePatients({{"甲", "A12"},
                 {"乙", "ABCD"},
                 {"丙", "ABCDE"},
                 {"丁", "@@0012345"},
                 {"戊", "@A1234567"},
                 {"己", ""},
                 {"庚", "F128456784"},
                 {"辛", "f128456784"},
                 {"", "Q111222338"},
                 {"壬", "Q111222338"},
                 {"癸", "@@0012345"},
                 {"子", "ab"}});
  ASSERT_EQ(Run(), StepResult::kDone);

  const std::string file = PatientFile();
  auto id = [&](int number) { return Slot(file, number).Id(); };
  EXPECT_EQ(id(2), "@000000001");
  EXPECT_EQ(id(3), "@000000002") << "four characters";
  EXPECT_EQ(id(4), "ABCDE") << "five characters are kept";
  EXPECT_EQ(id(5), "@000000003");
  EXPECT_EQ(id(6), "@A1234567") << "one \"@\" is no placeholder";
  EXPECT_EQ(id(7), "@000000004");
  EXPECT_EQ(id(8), "F128456784");
  EXPECT_TRUE(Slot(file, 9).Empty()) << "same ID in other letter case";
  EXPECT_TRUE(Slot(file, 10).Empty()) << "no name";
  EXPECT_EQ(id(11), "Q111222338") << "a row without a name claims no ID";
  EXPECT_EQ(id(12), "@000000005") << "placeholders never repeat each other";
  EXPECT_EQ(id(13), "@000000006");

  EXPECT_THAT(Lines(), Contains("身分證重複:病歷號9身分證 F128456784"));
  EXPECT_THAT(Section("DUPID"), ElementsAre("9=8"));
  EXPECT_THAT(Lines(), Not(Contains(HasSubstr("病歷號10"))));
  StoreVerifyReport report = VerifyStore(Store());
  EXPECT_TRUE(report.clean());
  EXPECT_EQ(report.patients, 10u);
}

// [IDFIX] (written by the chart step) gives a chart number its ID before anything else is
// decided; [DUPID] is rewritten from scratch by every run.
TEST_F(RealSunPatientsStep, IdFixesAreReadAndDuplicatesRecordedAfresh) {
  std::vector<Row> rows;
  for (int number = 2; number <= 16; ++number) rows.push_back({"病人" + std::to_string(number)});
  rows[15 - 2].ID = "";
  rows[3 - 2].ID = "K267812348";
  rows[4 - 2].ID = "A123";
  rows[5 - 2].ID = "L123123122";
  WritePatients(rows);
  const fs::path data_ini = clinic_ / "data.ini";
  WriteProfileString(data_ini, "DUPID", "99", "98");
  WriteProfileString(data_ini, "IDFIX", "15", "Z123456789");
  WriteProfileString(data_ini, "IDFIX", "4", "M234234237");
  WriteProfileString(data_ini, "IDFIX", "5", "k267812348");
  WriteProfileString(data_ini, "IDFIX", "016", "W111111111");

  ASSERT_EQ(Run(), StepResult::kDone);
  const std::string file = PatientFile();
  EXPECT_EQ(Slot(file, 15).Id(), "Z123456789") << "although ID is empty";
  EXPECT_EQ(Slot(file, 4).Id(), "M234234237") << "the fix wins over ID";
  EXPECT_TRUE(Slot(file, 5).Empty()) << "its fixed ID is patient 3's";
  EXPECT_EQ(Slot(file, 2).Id(), "@000000001");
  EXPECT_EQ(Slot(file, 16).Id(), "@000000011") << "the key is the number as written, \"16\"";
  EXPECT_THAT(Lines(), Contains("身分證重複:病歷號5身分證 K267812348"));
  EXPECT_THAT(Section("DUPID"), ElementsAre("5=3"));
  EXPECT_THAT(Section("IDFIX"),
              ElementsAre("15=Z123456789", "4=M234234237", "5=k267812348", "016=W111111111"))
      << "read, never written";

  WriteProfileString(data_ini, "IDFIX", "5", "N178899002");
  ASSERT_EQ(Run(), StepResult::kDone);
  EXPECT_EQ(Slot(PatientFile(), 5).Id(), "N178899002");
  EXPECT_THAT(Section("DUPID"), IsEmpty());
}

TEST_F(RealSunPatientsStep, TheFirstRecordIsNeverAPatient) {
  WritePatients({{"乙", "B220134565"}, {"丙", "C134679021"}});
  ASSERT_EQ(Run(), StepResult::kDone);
  EXPECT_EQ(HighestPatientNumber(Store()), 3);
  EXPECT_EQ(VerifyStore(Store()).patients, 2u);

  // When the first record is deleted, the second is still patient 2.
  WritePatients({{"乙", "B220134565"}}, /*raw=*/false, /*first_deleted=*/true);
  ASSERT_EQ(Run(), StepResult::kDone);
  EXPECT_EQ(Slot(PatientFile(), 2).Id(), "B220134565");
  EXPECT_EQ(VerifyStore(Store()).patients, 1u) << "the store starts empty";
}

TEST_F(RealSunPatientsStep, TheSnapshotHoldsExactlyTheWorkTree) {
  WritePatients({{"甲", "A123456789"}});
  Put(work_tree_ / "Corvix" / "OPD.mdb", "catalogue");
  Put(work_tree_ / "Corvix" / "sub" / "deeper" / "x.ini", "x=1");
  CreateFolders(work_tree_ / "empty");
  Put(snapshot_ / "stale.txt", "from an earlier run");
  Put(snapshot_ / "Corvix" / "gone.ini", "old");

  ASSERT_EQ(Run(), StepResult::kDone);
  std::map<std::string, std::string> tree = FolderFiles(work_tree_);
  EXPECT_EQ(FolderFiles(snapshot_), tree);
  EXPECT_EQ(tree.count("patdb.dbf"), 1u) << "the table's copy belongs to the work tree";
  EXPECT_EQ(tree.count("Tolsern/" + std::string(kClinicCode) + "/PtData.000"), 1u);
  EXPECT_TRUE(fs::is_directory(snapshot_ / "empty"));
  EXPECT_EQ(FolderFiles(source_ / "S").size(), 1u) << "the source is not written";

  // A work tree that is the clinic folder holds the snapshot: it is not copied into itself.
  RealSunPatientsInput whole_clinic = Input();
  whole_clinic.folder.work_tree = clinic_;
  ASSERT_EQ(Run(whole_clinic), StepResult::kDone);
  std::map<std::string, std::string> expected;
  for (const auto& [path, bytes] : FolderFiles(clinic_)) {
    if (!path.starts_with("InitBak/")) expected.emplace(path, bytes);
  }
  EXPECT_EQ(FolderFiles(snapshot_), expected);
  EXPECT_FALSE(fs::exists(snapshot_ / "InitBak"));
}

TEST_F(RealSunPatientsStep, ASnapshotThatCannotBeMadeIsAnErrorAndLeavesNoPart) {
  WritePatients({{"甲", "A123456789"}});
  Put(snapshot_ / "stale.txt", "from an earlier run");
  ASSERT_EQ(::mkfifo(PathToUtf8(work_tree_ / "Corvix" / "pipe").c_str(), 0600), 0);
  EXPECT_THROW(Run(), Error);
  EXPECT_FALSE(fs::exists(snapshot_)) << "half a snapshot would restore half a work tree";
  EXPECT_EQ(VerifyStore(Store()).patients, 1u) << "the patients written stay";

  fs::remove(work_tree_ / "Corvix" / "pipe");
  ASSERT_EQ(::mkfifo(PathToUtf8(work_tree_ / "pipe").c_str(), 0600), 0);
  EXPECT_THROW(Run(), Error);
  EXPECT_FALSE(fs::exists(snapshot_));
}

TEST_F(RealSunPatientsStep, WrongSystemOrMisplacedWorkTreeChangesNothing) {
  WritePatients({{"甲", "A123456789"}});
  WriteProfileString(clinic_ / "data.ini", "DUPID", "9", "8");
  Put(snapshot_ / "stale.txt", "from an earlier run");
  const std::map<std::string, std::string> before = FolderFiles(temp_.path());

  RealSunPatientsInput vision = Input();
  vision.folder.his = B5("展望");
  EXPECT_EQ(Run(vision), StepResult::kStopped);
  EXPECT_THAT(context_.MessageTexts(), ElementsAre("請先選取正確耀聖來源目錄"));
  EXPECT_EQ(FolderFiles(temp_.path()), before);
  EXPECT_FALSE(fs::exists(Store().server_data_folder));

  // Replacing InitBak would delete a work tree inside it.
  RealSunPatientsInput inside = Input();
  inside.folder.work_tree = snapshot_ / "1150101_1";
  EXPECT_THROW(Run(inside), Error);
  EXPECT_EQ(FolderFiles(temp_.path()), before);

  RealSunPatientsInput bad_code = Input();
  bad_code.folder.clinic_id = "..";
  EXPECT_THROW(Run(bad_code), Error);
  EXPECT_EQ(FolderFiles(temp_.path()), before);
  EXPECT_THAT(Lines(), IsEmpty());
}

TEST_F(RealSunPatientsStep, AMissingTableEndsTheStepWithoutASnapshot) {
  Put(snapshot_ / "stale.txt", "from an earlier run");
  try {
    Run();
    ADD_FAILURE() << "no error";
  } catch (const Error& error) {
    EXPECT_THAT(error.what(), HasSubstr(PathToUtf8(source_ / "S" / "PATDB.DBF")));
  }
  EXPECT_EQ(FolderFiles(snapshot_).size(), 1u);
}

TEST_F(RealSunPatientsStep, BrokenTextIsListedAndLongNotesAppended) {
  WritePatients(
      {{B5("林美玲") + "\xA5", "B220134565", "720105", "-"},
       {"X", "C134679021", "720105", "-", "", "", std::string(80, 'a'), std::string(80, 'h')}},
      /*raw=*/true);
  ASSERT_EQ(Run(), StepResult::kDone);

  const std::string file = PatientFile();
  EXPECT_EQ(Slot(file, 2).Text(19), B5("林美玲？"));
  EXPECT_THAT(Lines(), Contains(HasSubstr("第2筆 NAME:'林美玲\\xA5'")));
  const uint32_t note_at = Slot(file, 3).U32(265);
  EXPECT_EQ(note_at, 10000u * kRecordSize) << "the first long note of the file";
  const std::string note =
      "<HA>" + std::string(80, 'a') + "</HA><HS>" + std::string(80, 'h') + "</HS>";
  EXPECT_EQ(U32At(file, note_at), note.size());
  EXPECT_EQ(file.substr(note_at + 4), note);
}

TEST_F(RealSunPatientsStep, DemoTableConvertsCleanly) {
  demo::WriteRealSunPatientTable(source_, 7, 3000);
  const std::string table = ReadFileBytes(source_ / "S" / "PATDB.DBF");
  demo::WriteRealSunPatientTable(source_, 7, 3000);
  EXPECT_EQ(ReadFileBytes(source_ / "S" / "PATDB.DBF"), table) << "deterministic";
  ASSERT_EQ(Run(), StepResult::kDone);

  StoreVerifyReport report = VerifyStore(Store());
  EXPECT_TRUE(report.clean());
  EXPECT_GT(report.patients, 2800u);
  EXPECT_EQ(context_.total(), 3001);
  EXPECT_THAT(Section("DUPID"), Contains("9=8"));
  EXPECT_GT(Section("DUPID").size(), 10u) << "generated IDs repeated in lower case";
  EXPECT_THAT(Lines(), Contains("身分證重複:病歷號9身分證 F128456784"));
  EXPECT_THAT(Lines(), Contains("生日記錄錯誤:病歷號4 [1070326]"));

  PatientRecord record;
  std::string note;
  ASSERT_TRUE(ReadPatientWithNote(Store(), 14, record, note));
  EXPECT_GT(note.size(), 100u);
  EXPECT_THAT(note, HasSubstr(B5("<HS>糖尿病")));
  EXPECT_FALSE(ReadPatient(Store(), 1, record));
  EXPECT_FALSE(ReadPatient(Store(), 5, record)) << "no name";
}

}  // namespace
}  // namespace zuvo
