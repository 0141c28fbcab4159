#include <gtest/gtest.h>

#include "demo/demo_clinic.h"
#include "platform/big5.h"
#include "platform/error.h"
#include "support/recording_step_context.h"
#include "support/temp_dir.h"
#include "workspace/conversion_guard.h"
#include "workspace/dataedit_ini.h"
#include "workspace/his_selection.h"
#include "workspace/path_text.h"
#include "workspace/realsun_selection.h"
#include "workspace/source_system.h"
#include "workspace/source_system_check.h"
#include "workspace/vision_selection.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using demo::DemoClinic;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

DateTime March(int day) { return *EncodeDateTime({2018, 3, day, 9, 30, 0, 0}); }

std::string B5(std::string_view utf8) { return big5::FromUtf8(utf8); }

struct SelectionTest : ::testing::Test {
  TempDir home;
  TempDir sources;
  RunFlags flags;
  RecordingStepContext context{flags};

  Workplace PlaceOn(int day) { return {home.path(), March(day), {}, Now}; }

  fs::path VisionSource(const DemoClinic& clinic) {
    fs::path folder = sources / "visw";
    fs::create_directories(folder);
    demo::WriteVisionParameterTable(folder, clinic);
    return folder;
  }
  fs::path RealSunSource(const DemoClinic& clinic) {
    fs::path folder = sources / "rs";
    fs::create_directories(folder);
    demo::WriteRealSunTitleTable(folder, clinic);
    return folder;
  }
  fs::path ClinicFolderOf(std::string_view area, std::string_view code) {
    return home.path() / PathFromUtf8(area) / code;
  }
};

TEST_F(SelectionTest, RecognisesTheSystemByTheFirstProbeThatHits) {
  fs::path folder = sources / "x";
  fs::create_directories(folder / "MainData");
  EXPECT_EQ(RecogniseSourceSystem(folder), SourceSystem::kUnknown);
  EXPECT_EQ(RecogniseSourceSystem(""), SourceSystem::kUnknown);
  WriteFileBytes(folder / "MainData" / "basicset.dbf", "");
  EXPECT_EQ(RecogniseSourceSystem(folder), SourceSystem::kChangCheng);
  demo::WriteRealSunTitleTable(folder, {"a", "1"});
  EXPECT_EQ(RecogniseSourceSystem(folder), SourceSystem::kChangCheng);
  fs::remove_all(folder / "MainData");
  EXPECT_EQ(RecogniseSourceSystem(folder), SourceSystem::kRealSun);
  WriteFileBytes(folder / "vispara.dbf", "");
  EXPECT_EQ(RecogniseSourceSystem(folder), SourceSystem::kVision);
  EXPECT_EQ(SourceSystemName(SourceSystem::kUnknown), "不明系統");
}

TEST_F(SelectionTest, VisionFolderMakesOneWorkTreePerDayInASharedClinicFolder) {
  fs::path source = VisionSource({B5("展望示範診所"), "3501200000"});
  fs::rename(source / "VISPARA.DBF", source / "Vispara.dbf");  // any letter case is found
  ClinicFolderFields fields;
  context.AnswerNextFolder(source);
  ASSERT_EQ(SelectVisionFolder(fields, PlaceOn(26), context), StepResult::kDone);
  EXPECT_EQ(fields.source_folder, WithTrailingSeparator(source));
  EXPECT_EQ(fields.clinic_name, B5("展望示範診所"));
  EXPECT_EQ(fields.clinic_id, "3501200000");
  EXPECT_EQ(fields.his, B5("展望"));
  fs::path clinic = ClinicFolderOf("VISW", "3501200000");
  EXPECT_EQ(fields.work_tree, WithTrailingSeparator(clinic / "1070326_1"));
  EXPECT_TRUE(fs::is_directory(clinic / "1070326_1" / "Tolsern"));
  EXPECT_TRUE(fs::is_directory(clinic / "1070326_1" / "Corvix"));
  EXPECT_TRUE(context.messages().empty());
  EXPECT_EQ(DataEditIni(home.path()).LastFolder(SourceSystem::kVision),
            WithTrailingSeparator(source));
  // The dialog started in the program folder, the field being empty.
  ASSERT_EQ(context.folder_requests().size(), 1u);
  EXPECT_EQ(context.folder_requests()[0].caption, "選擇系統檔案夾");
  EXPECT_EQ(context.folder_requests()[0].start, home.path());

  // The next day, the dialog is cancelled: the field's folder is used again.
  ASSERT_EQ(SelectVisionFolder(fields, PlaceOn(27), context), StepResult::kDone);
  EXPECT_EQ(context.folder_requests()[1].start, WithTrailingSeparator(source));
  EXPECT_EQ(fields.work_tree, WithTrailingSeparator(clinic / "1070327_1"));
  EXPECT_TRUE(fs::is_directory(clinic / "1070326_1"));
  EXPECT_TRUE(fs::is_directory(clinic / "1070327_1" / "Corvix"));
}

TEST_F(SelectionTest, VisionFolderFillsOnlyBlankFieldsFromDataIni) {
  fs::path source = VisionSource({"A", "X1"});
  fs::create_directories(ClinicFolderOf("VISW", "X1"));
  WriteFileBytes(ClinicFolderOf("VISW", "X1") / "data.ini",
                 B5("[System]\r\n開業日期=0870701\r\nPHARMACISTNAME=王藥師\r\n"
                    "PharmacistID=A123456789\r\npharmacistid=B2\r\n"));
  ClinicFolderFields fields;
  fields.source_folder = source;
  fields.pharmacist_name = B5("李藥師");
  fields.pharmacist_id = "  ";
  ASSERT_EQ(SelectVisionFolder(fields, PlaceOn(26), context), StepResult::kDone);
  EXPECT_EQ(fields.start_date, "0870701");
  EXPECT_EQ(fields.pharmacist_name, B5("李藥師"));
  EXPECT_EQ(fields.pharmacist_id, "A123456789");
  EXPECT_EQ(context.lines(),
            std::vector<std::string>{"data.ini [System] pharmacistid 重複,採用第一個值"});
}

TEST_F(SelectionTest, VisionFolderRefusesOtherSystemsBeforeWritingAnything) {
  fs::path source = RealSunSource({"A", "X1"});
  ClinicFolderFields fields;
  fields.source_folder = source;
  EXPECT_EQ(SelectVisionFolder(fields, PlaceOn(26), context), StepResult::kStopped);
  EXPECT_EQ(context.MessageTexts(),
            std::vector<std::string>{"你選取的系統是耀聖,與目前設定的系統不合"});
  EXPECT_FALSE(fs::exists(home / "VISW"));
  EXPECT_FALSE(fs::exists(home / "DataEdit.ini"));
  EXPECT_TRUE(fields.his.empty());

  fields.source_folder = sources / "nothing";
  EXPECT_EQ(SelectVisionFolder(fields, PlaceOn(26), context), StepResult::kStopped);
  EXPECT_EQ(context.MessageTexts().back(), "你選取的系統是不明系統,與目前設定的系統不合");
}

TEST_F(SelectionTest, VisionFolderRefusesACodeThatCannotNameAFolder) {
  for (std::string code : {"35 012", "../..", ""}) {
    fs::remove_all(sources.path() / "visw");
    ClinicFolderFields fields;
    fields.source_folder = VisionSource({"A", code});
    EXPECT_EQ(SelectVisionFolder(fields, PlaceOn(26), context), StepResult::kStopped) << code;
  }
  EXPECT_EQ(context.MessageTexts()[0], "健保代碼含有空白或不能做為資料夾名稱的字元:35 012");
  EXPECT_EQ(context.MessageTexts()[2], "沒有健保代碼,無法建立診所資料夾");
  EXPECT_FALSE(fs::exists(home / "VISW" / "35 012"));
  EXPECT_FALSE(fs::exists(home / "VISW")) << "nothing was made";
}

TEST_F(SelectionTest, VisionFolderUsesReadyDatabasesOnlyAsAPair) {
  fs::path source = VisionSource({"A", "X1"});
  fs::path clinic = ClinicFolderOf("VISW", "X1");
  fs::create_directories(clinic);
  WriteFileBytes(clinic / "opd.MDB", "catalogue");
  ClinicFolderFields fields;
  fields.source_folder = source;
  ASSERT_EQ(SelectVisionFolder(fields, PlaceOn(26), context), StepResult::kDone);
  EXPECT_EQ(context.MessageTexts(), std::vector<std::string>{"做好的只有OPD.mdb沒有PERSONAL.mdb"});
  EXPECT_TRUE(fs::is_empty(clinic / "1070326_1" / "Corvix"));

  WriteFileBytes(clinic / "PERSONAL.mdb", "staff");
  WriteFileBytes(clinic / "1070326_1" / "Corvix" / "OPD.mdb", "older");
  ASSERT_EQ(SelectVisionFolder(fields, PlaceOn(26), context), StepResult::kDone);
  EXPECT_EQ(context.MessageTexts().back(), "OPD資料庫用已經做好的");
  EXPECT_EQ(ReadFileBytes(clinic / "1070326_1" / "Corvix" / "OPD.mdb"), "catalogue");
  EXPECT_EQ(ReadFileBytes(clinic / "1070326_1" / "Corvix" / "PERSONAL.MDB"), "staff");
}

TEST_F(SelectionTest, DamagedParameterTableEndsTheStepWithAnErrorNamingIt) {
  fs::path source = sources / "broken";
  fs::create_directories(source);
  WriteFileBytes(source / "VISPARA.DBF", "not a table");
  ClinicFolderFields fields;
  fields.source_folder = source;
  try {
    SelectVisionFolder(fields, PlaceOn(26), context);
    FAIL() << "a damaged VISPARA.DBF must raise an error";
  } catch (const Error& error) {
    EXPECT_NE(std::string(error.what()).find("VISPARA.DBF"), std::string::npos) << error.what();
  }
  EXPECT_FALSE(fs::exists(home / "VISW"));
}

TEST_F(SelectionTest, RealSunFolderRemovesBlanksFromTheNameAndFollowsTheMode) {
  fs::path source = RealSunSource({B5("耀聖示範診所"), "3502200000"});
  RealSunFolderFields fields;
  fields.source_folder = source;
  fields.mode = MakeDateMode::kBefore;
  fields.pharmacist_name = B5("舊值");
  ASSERT_EQ(SelectRealSunFolder(fields, PlaceOn(26), context), StepResult::kDone);
  EXPECT_EQ(fields.clinic_name, B5("耀聖示範診所"));
  EXPECT_EQ(fields.his, B5("耀聖"));
  fs::path clinic = ClinicFolderOf("RS", "3502200000");
  EXPECT_EQ(fields.work_tree, WithTrailingSeparator(clinic / "1070326_2"));
  EXPECT_TRUE(fs::is_directory(clinic / "1070326_2" / "Tolsern" / "3502200000"));
  EXPECT_TRUE(fs::is_directory(clinic / "1070326_2" / "Corvix"));
  EXPECT_TRUE(fields.pharmacist_name.empty()) << "data.ini replaces the fields";
  EXPECT_EQ(context.MessageTexts(),
            (std::vector<std::string>{"沒有藥師資料,無藥師請忽略", "尚未設定開業日期"}));
  EXPECT_EQ(DataEditIni(home.path()).LastFolder(SourceSystem::kRealSun), source);

  fields.mode = MakeDateMode::kOnAndAfter;
  ASSERT_EQ(ChangeRealSunMakeDateMode(fields, PlaceOn(26), context), StepResult::kDone);
  EXPECT_EQ(fields.work_tree, WithTrailingSeparator(clinic / "1070326_1"));
  EXPECT_TRUE(fs::is_directory(clinic / "1070326_1" / "Tolsern" / "3502200000"));
}

TEST_F(SelectionTest, RealSunRemindersDependOnThePharmacistAndOpeningDate) {
  fs::path source = RealSunSource({"A", "X2"});
  fs::create_directories(ClinicFolderOf("RS", "X2"));
  WriteFileBytes(ClinicFolderOf("RS", "X2") / "data.ini",
                 B5("[system]\r\nPharmacistName=釋出處方箋\r\n開業日期=0900101\r\n"));
  RealSunFolderFields fields;
  fields.source_folder = source;
  ASSERT_EQ(SelectRealSunFolder(fields, PlaceOn(26), context), StepResult::kDone);
  EXPECT_TRUE(context.messages().empty());
  EXPECT_EQ(fields.start_date, "0900101");

  WriteFileBytes(ClinicFolderOf("RS", "X2") / "data.ini",
                 B5("[system]\r\nPharmacistName=王藥師\r\n開業日期=0900101\r\n"));
  ASSERT_EQ(SelectRealSunFolder(fields, PlaceOn(26), context), StepResult::kDone);
  EXPECT_EQ(context.MessageTexts(), std::vector<std::string>{"沒有藥師資料,無藥師請忽略"});
}

TEST_F(SelectionTest, RealSunPageRefusesAFolderThatIsFirstOfAllVision) {
  fs::path source = RealSunSource({"A", "X1"});
  demo::WriteVisionParameterTable(source, {"B", "X2"});
  RealSunFolderFields fields;
  fields.source_folder = source;
  EXPECT_EQ(SelectRealSunFolder(fields, PlaceOn(26), context), StepResult::kStopped);
  EXPECT_EQ(context.MessageTexts(),
            std::vector<std::string>{"你選取的系統是展望,與目前設定要耀聖系統不合"});
  EXPECT_FALSE(fs::exists(home / "RS"));
}

TEST_F(SelectionTest, ModeChangeWithoutAClinicCodeDoesNothing) {
  RealSunFolderFields fields;
  fields.mode = MakeDateMode::kBefore;
  EXPECT_EQ(ChangeRealSunMakeDateMode(fields, PlaceOn(26), context), StepResult::kDone);
  EXPECT_TRUE(fields.work_tree.empty());
  EXPECT_FALSE(fs::exists(home / "RS"));
}

TEST_F(SelectionTest, HisFolderMakesTheSearchTreeBelowTheSystemName) {
  fs::path source = RealSunSource({B5("耀聖示範診所"), "X3"});
  HisFolderFields fields;
  fields.source_folder = source;
  fields.clinic_id = "stale";
  ASSERT_EQ(SelectHisFolder(fields, PlaceOn(26), context), StepResult::kDone);
  EXPECT_EQ(fields.system_name, B5("耀聖"));
  EXPECT_EQ(fields.clinic_id, "X3") << "the code is read from the folder, not kept";
  EXPECT_EQ(fields.work_tree, WithTrailingSeparator(ClinicFolderOf("耀聖", "X3") / "1070326_H"));
  EXPECT_TRUE(fs::is_directory(ClinicFolderOf("耀聖", "X3") / "1070326_H" / "Tolsern"));
}

TEST_F(SelectionTest, HisSearchProbesTheDriveFoldersInOrder) {
  TempDir c, d;
  Workplace place{home.path(), March(26), {c.path(), d.path(), {}}, Now};
  HisFolderFields fields;
  fields.clinic_name = "stale";
  EXPECT_EQ(SearchHisSystem(fields, place, context), StepResult::kStopped);
  EXPECT_EQ(context.MessageTexts(), std::vector<std::string>{"找不到任何HIS系統"});
  EXPECT_TRUE(fields.clinic_name.empty());

  fs::create_directories(d / "visw");
  demo::WriteVisionParameterTable(d / "visw", {B5("展望診所"), "V1"});
  ASSERT_EQ(SearchHisSystem(fields, place, context), StepResult::kDone);
  EXPECT_EQ(fields.source_folder, WithTrailingSeparator(d / "visw"));
  EXPECT_EQ(fields.system_name, B5("展望"));
  EXPECT_TRUE(fs::is_directory(ClinicFolderOf("展望", "V1") / "1070326_H" / "Corvix"));

  // RealSun on any drive comes before Vision; its folders are not made.
  demo::WriteRealSunTitleTable(d.path(), {B5("耀聖診所"), "R1"});
  fields.work_tree.clear();
  ASSERT_EQ(SearchHisSystem(fields, place, context), StepResult::kDone);
  EXPECT_EQ(fields.source_folder, WithTrailingSeparator(d.path()));
  EXPECT_EQ(fields.clinic_id, "R1");
  EXPECT_TRUE(fields.work_tree.empty());
  EXPECT_FALSE(fs::exists(home.path() / PathFromUtf8("耀聖")));
}

// A step of one system runs only when the HIS field names it and neither the source folder nor
// the work tree tells of another system; a folder or tree that tells nothing does not refuse.
TEST_F(SelectionTest, TheSystemCheckHearsTheFieldTheSourceAndTheWorkTree) {
  ClinicFolderFields clinic;
  clinic.his = B5(" 耀聖 ");
  clinic.source_folder = sources / "unrecognised";
  clinic.work_tree = sources / "trees" / "1150101_1";
  EXPECT_TRUE(IsClinicOf(SourceSystem::kRealSun, clinic));
  EXPECT_FALSE(IsClinicOf(SourceSystem::kVision, clinic)) << "the field names RealSun";

  // A source folder that is first of all Vision, with RealSun's tables beside.
  clinic.source_folder = RealSunSource({"A", "X1"});
  EXPECT_TRUE(IsClinicOf(SourceSystem::kRealSun, clinic));
  demo::WriteVisionParameterTable(clinic.source_folder, {"A", "X1"});
  EXPECT_FALSE(IsClinicOf(SourceSystem::kRealSun, clinic));
  clinic.source_folder.clear();

  // The work tree's record.
  fs::create_directories(clinic.work_tree);
  {
    ConversionGuard run(clinic.work_tree, "vision run", SourceSystem::kVision, {}, Now);
    run.Finish(true, {});
  }
  EXPECT_EQ(WorkTreeSystem(clinic), SourceSystem::kVision);
  EXPECT_FALSE(IsClinicOf(SourceSystem::kRealSun, clinic));
  // A merge records no system: the tree tells nothing.
  {
    ConversionGuard merge(clinic.work_tree, "merge", SourceSystem::kUnknown, {}, Now);
    merge.Finish(true, {});
  }
  EXPECT_EQ(ReadConversionRecord(clinic.work_tree)->system, SourceSystem::kVision)
      << "the earlier note stays";
  fs::remove(clinic.work_tree / "ZuvoConversion.ini");
  EXPECT_EQ(WorkTreeSystem(clinic), SourceSystem::kUnknown);

  // The area of the program folder a tree lies in.
  clinic.work_tree = home / "VISW" / "3501200000" / "1150101_1";
  EXPECT_EQ(WorkTreeSystem(clinic), SourceSystem::kVision);
  EXPECT_FALSE(IsClinicOf(SourceSystem::kRealSun, clinic));
  clinic.work_tree = home / "RS" / "3501200000" / "1150101_2" / "";
  EXPECT_EQ(WorkTreeSystem(clinic), SourceSystem::kRealSun);
  EXPECT_TRUE(IsClinicOf(SourceSystem::kRealSun, clinic));

  EXPECT_FALSE(CheckSourceSystem(SourceSystem::kVision, clinic, kVisionWrongSourceUtf8, context));
  EXPECT_EQ(context.MessageTexts(), (std::vector<std::string>{"請先選取正確展望來源目錄"}));
}

}  // namespace
}  // namespace zuvo
