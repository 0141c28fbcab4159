// The RealSun catalogue step as a whole: preconditions, the clinic settings file, the staff file
// (read back byte by byte), prepared files of the clinic folder, and its messages.

#include "catalogue/realsun_orders_step.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "catalogue/staff_file.h"
#include "core/roc_date.h"
#include "demo/demo_clinic.h"
#include "platform/base64.h"
#include "platform/big5.h"
#include "platform/file_ops.h"
#include "platform/profile_file.h"
#include "platform/table_store.h"
#include "realsun_conversion.h"
#include "support/folder_files.h"
#include "support/recording_step_context.h"
#include "support/temp_dir.h"
#include "workspace/folder_layout.h"
#include "workspace/split_date.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::zuvo::testing::DeliveredProgramFolder;
using ::zuvo::testing::DemoConversion;
using ::zuvo::testing::ReadFileBytes;
using ::zuvo::testing::RealSunConversion;
using ::zuvo::testing::TempDir;

std::string B(std::string_view utf8) { return big5::FromUtf8(utf8); }

// A staff record of MEMBER.SCR, read at the offsets of the file format.
struct StaffRecord {
  std::string id, name, password, level, sex, department3;
  double birthday;
  bool operator==(const StaffRecord&) const = default;
};

void PrintTo(const StaffRecord& r, std::ostream* out) {
  *out << r.id << " " << big5::ToUtf8Escaped(r.name) << " " << r.password << " " << r.level << " "
       << r.sex << " [" << r.department3 << "] " << r.birthday;
}

std::vector<StaffRecord> ReadMemberScr(const fs::path& file) {
  std::string text;
  for (char ch : ReadFileBytes(file)) {
    if (ch != '-' && ch != '\r' && ch != '\n') text += ch;
  }
  std::string bytes = DecodeBase64(text);
  EXPECT_EQ(bytes.size() % 187, 0u);
  auto field = [](std::string_view record, size_t offset) {
    return std::string(record.substr(offset + 1, static_cast<unsigned char>(record[offset])));
  };
  std::vector<StaffRecord> records;
  for (size_t at = 0; at + 187 <= bytes.size(); at += 187) {
    std::string_view record = std::string_view(bytes).substr(at, 187);
    double birthday;
    std::memcpy(&birthday, record.data() + 43, sizeof birthday);
    records.push_back({field(record, 0), field(record, 11), field(record, 32), field(record, 51),
                       field(record, 75), field(record, 105), birthday});
  }
  return records;
}

constexpr double kConversionDay = 46357;  // 2026-12-01

TEST(RealSunOrdersStepDemoTest, TheDemoClinicConvertsEndToEnd) {
  const RealSunConversion& c = DemoConversion();
  ASSERT_GE(c.lines.size(), 4u);
  EXPECT_THAT(std::vector<std::string>(c.lines.begin(), c.lines.begin() + 4),
              ElementsAre("設定診所基本資料", "begin time10:00:00", "製作OPD.MDB檔",
                          "製作新的診斷處置資料庫"));
  EXPECT_EQ(c.lines.back(), "end time10:00:00");
  EXPECT_TRUE(c.HasLine("案件分類套件安裝"));
  EXPECT_FALSE(c.HasLine("***無藥師紀錄***"));
  EXPECT_THAT(c.message_boxes, ElementsAre("診所基本資料及處置資料庫OPD.mdb完成"));
  EXPECT_TRUE(fs::exists(c.work_tree / "ANTCHECK.MDB"));

  // The settings file from the template and TITLE.DBF, with the order packages' keys.
  const fs::path corvix_ini = c.Corvix() / "CORVIX.INI";
  EXPECT_EQ(ReadProfileString(corvix_ini, "System", B("診所名稱")), c.clinic.name);
  EXPECT_EQ(ReadProfileString(corvix_ini, "System", B("診所健保代碼")), c.clinic.code);
  EXPECT_EQ(ReadProfileString(corvix_ini, "System", B("診所電話")), "02-2765-4321");
  EXPECT_EQ(ReadProfileString(corvix_ini, "System", B("診所地址")), B("台北市信義區示範路2號"));
  EXPECT_EQ(ReadProfileString(corvix_ini, "System", B("就醫科別")), B("家醫科"));
  EXPECT_EQ(ReadProfileString(corvix_ini, "Corvix", "HostName"), ComputerName());
  EXPECT_EQ(ReadProfileString(corvix_ini, B("自訂處置分類2"), "CmxFun8"), "vaccine");
  EXPECT_EQ(ReadProfileString(corvix_ini, "MXuseMethod", "TID"), "3000");
  EXPECT_EQ(ReadProfileString(c.DataIni(), "system", "ClinicTypeNo"), "01");
  EXPECT_EQ(ReadProfileString(c.DataIni(), "DOCTOR", B("陳大文")), "A123456789");

  // The staff file from TITLE.DBF: the doctor, the second person, the pharmacist of data.ini.
  const fs::path member_scr = ServerDataFolder(c.work_tree, c.clinic.code) / "MEMBER.SCR";
  EXPECT_THAT(
      ReadMemberScr(member_scr),
      ElementsAre(
          StaffRecord{"A123456789", B("陳大文"), "3817", "DP0AAA", "M", "01", kConversionDay},
          StaffRecord{"B223456789", B("林美玲"), "6459", "P00AAA", "F", "01", kConversionDay},
          StaffRecord{"C200000001", B("王藥師"), "6459", "P00AAA", "F", "", kConversionDay}));
}

// Runs of the step on a clinic of its own, with prepared files where a test puts them.
class RealSunOrdersStepTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = DeliveredProgramFolder();
    source_ = temp_ / "source";
    CreateFolders(source_);
    clinic_folder_ = ClinicFolder(program_, kRealSunArea, code_);
    fs::remove_all(clinic_folder_);
    work_tree_ = clinic_folder_ / "1151201_2";
    CreateWorkTree(work_tree_);
    place_.program_folder = program_;
    place_.now = *EncodeDateTime({2026, 12, 1, 9, 30, 0, 0});
    place_.clock = [now = place_.now] { return now; };
    input_.folder.his = B("耀聖");
    input_.folder.source_folder = source_;
    input_.folder.clinic_id = " " + code_ + " ";  // trimmed for the clinic folder
    input_.folder.work_tree = work_tree_ / "";
    input_.chart.split_date = "";
    input_.chart.mode = MakeDateMode::kBefore;
  }
  void TearDown() override { fs::remove_all(clinic_folder_); }

  fs::path DataIni() const { return clinic_folder_ / "data.ini"; }
  fs::path Corvix() const { return work_tree_ / "Corvix"; }
  fs::path MemberScr() const { return ServerDataFolder(work_tree_, code_) / "MEMBER.SCR"; }
  // The demo conversion's catalogue as the clinic folder's prepared one, one row less.
  void PrepareCatalogue() {
    const RealSunConversion& c = DemoConversion();
    CopyFileTo(c.Corvix() / "OPD.mdb", clinic_folder_ / "OPD.mdb", true);
    Database::Open(clinic_folder_ / "OPD.mdb").Execute("delete from MX where Tname='PARA2'");
    CopyFileTo(c.Corvix() / "PERSONAL.mdb", clinic_folder_ / "PERSONAL.MDB", true);
  }
  bool HasLine(const std::string& line) const {
    return std::find(context_.lines().begin(), context_.lines().end(), line) !=
           context_.lines().end();
  }

  TempDir temp_;
  std::string code_ = "3512345678";
  fs::path program_, source_, clinic_folder_, work_tree_;
  RealSunOrdersInput input_;
  Workplace place_;
  RunFlags flags_;
  RecordingStepContext context_{flags_};
};

TEST_F(RealSunOrdersStepTest, PreconditionsStopBeforeAnythingIsWritten) {
  input_.folder.his = B("展望");
  flags_.SetStepMessages(true);
  EXPECT_EQ(BuildRealSunClinicAndOrders(input_, place_, context_), StepResult::kStopped);
  input_.folder.his = B("耀聖");
  input_.chart.split_date = "  ";
  input_.chart.mode = MakeDateMode::kOnAndAfter;
  EXPECT_EQ(BuildRealSunClinicAndOrders(input_, place_, context_), StepResult::kStopped);
  EXPECT_THAT(context_.MessageTexts(),
              ElementsAre("請先選取正確耀聖來源目錄", "沒有填寫切割日期,製作方式必須設為之前"));
  EXPECT_THAT(context_.lines(), IsEmpty());
  EXPECT_THAT(testing::FolderFiles(work_tree_), IsEmpty());
  EXPECT_FALSE(fs::exists(DataIni()));
  EXPECT_EQ(input_.chart.split_date, "  ");  // nothing written back either
}

// A blank split date in mode "之前日期" goes on. Every prepared file is taken: the source folder
// is not even read.
TEST_F(RealSunOrdersStepTest, PreparedFilesOfTheClinicFolderAreTaken) {
  PrepareCatalogue();
  testing::WriteFileBytes(clinic_folder_ / "CORVIX.INI", B("[System]\r\n就醫科別=內科\r\n"));
  MemoryTable prepared = DefineStaffTable();
  for (const NewStaffMember& member :
       {NewStaffMember{"A111111111", "Dr A", "1", "DP0AAA", "", 0},
        NewStaffMember{"P211111111", "Ph One", "2", "P00AAA", "", 0},
        NewStaffMember{"P211111112", "Ph Two", "3", "P00AAA", "", 0}}) {
    AddConvertedStaffMember(prepared, member, 45000);
  }
  SaveStaffFile(prepared, clinic_folder_ / "MEMBER.SCR");
  WriteProfileString(DataIni(), "system", "MainDrID", "A111111111");

  ASSERT_EQ(BuildRealSunClinicAndOrders(input_, place_, context_), StepResult::kDone);
  EXPECT_FALSE(HasLine("製作OPD.MDB檔"));
  EXPECT_FALSE(HasLine("***無藥師紀錄***"));
  EXPECT_THAT(context_.MessageTexts(), IsEmpty());  // no completion box without StepMessages
  EXPECT_EQ(Database::Open(Corvix() / "OPD.mdb")
                .Query("select * from MX where Tname='PARA2'")
                .RecordCount(),
            0u);
  EXPECT_GT(Database::Open(Corvix() / "PERSONAL.mdb").Query("select * from DXtoMX").RecordCount(),
            0u);
  EXPECT_EQ(ReadProfileString(Corvix() / "CORVIX.INI", "System", B("就醫科別")), B("內科"));
  EXPECT_EQ(ReadProfileString(Corvix() / "CORVIX.INI", "System", B("診所名稱")), "");
  EXPECT_EQ(ReadProfileString(DataIni(), "system", "ClinicTypeNo"), "02");
  EXPECT_EQ(ReadProfileString(DataIni(), "DOCTOR", "Dr A"), "A111111111");
  // Each pharmacist replaces the one before; no numbered keys.
  EXPECT_EQ(ReadProfileString(DataIni(), "system", "Pharmacistname"), "Ph Two");
  EXPECT_EQ(ReadProfileString(DataIni(), "system", "PharmacistID"), "P211111112");
  EXPECT_EQ(ReadProfileString(DataIni(), "system", "Pharmacistname2", "(none)"), "(none)");
  std::vector<StaffRecord> staff = ReadMemberScr(MemberScr());
  ASSERT_EQ(staff.size(), 3u);
  EXPECT_EQ(staff[0].level, "DPMAAA");  // the main doctor of data.ini
  EXPECT_EQ(staff[1].level, "P00AAA");
  EXPECT_EQ(staff[0].birthday, 45000);
}

// Staff from TITLE.DBF with data.ini's pharmacist incomplete: the second person of the clinic
// table is the pharmacist by name, so neither is added.
TEST_F(RealSunOrdersStepTest, StaffFromTheClinicTableWithoutAPharmacist) {
  PrepareCatalogue();
  testing::WriteFileBytes(clinic_folder_ / "CORVIX.INI", B("[System]\r\n就醫科別=不存在科\r\n"));
  demo::WriteRealSunTitleTable(source_, {B("測試診所"), code_});
  WriteProfileString(DataIni(), "system", "Pharmacistname", B("林美玲"));
  flags_.SetStepMessages(true);

  ASSERT_EQ(BuildRealSunClinicAndOrders(input_, place_, context_), StepResult::kDone);
  EXPECT_THAT(context_.MessageTexts(),
              ElementsAre("沒有就醫科別", "診所基本資料及處置資料庫OPD.mdb完成"));
  EXPECT_TRUE(HasLine("***無藥師紀錄***"));
  EXPECT_EQ(ReadProfileString(DataIni(), "system", "ClinicTypeNo", "(none)"), "");
  EXPECT_EQ(ReadProfileString(DataIni(), "DOCTOR", B("陳大文")), "A123456789");
  EXPECT_THAT(ReadMemberScr(MemberScr()),
              ElementsAre(StaffRecord{"A123456789", B("陳大文"), "3817", "DP0AAA", "M", "01",
                                      kConversionDay}));
  EXPECT_EQ(context_.elapsed_label(), "耗時: 00:00:00");
}

}  // namespace
}  // namespace zuvo
