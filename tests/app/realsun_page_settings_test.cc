// The RealSun page's pharmacist and start date reach the clinic's data.ini only through a step
// whose every precondition has passed: a refused step leaves data.ini as it was.
#include <gtest/gtest.h>

#include "app/pipeline_run.h"
#include "app/realsun_pipeline.h"
#include "platform/big5.h"
#include "platform/file_ops.h"
#include "support/recording_step_context.h"
#include "support/temp_dir.h"
#include "workspace/folder_layout.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

constexpr char kClinicCode[] = "3512340001";

class RealSunPageSettings : public ::testing::Test {
 protected:
  RealSunPageSettings() {
    CreateWorkTree(work_tree_);
    fields_.folder.his = big5::FromUtf8("耀聖");
    fields_.folder.clinic_id = kClinicCode;
    fields_.folder.work_tree = work_tree_ / "";
    fields_.folder.pharmacist_name = big5::FromUtf8("林美玲");
    fields_.folder.pharmacist_id = "B223456789";
    fields_.folder.start_date = "0990101";
    fields_.chart.split_date = "1151201";
    place_.program_folder = home_.path();
    place_.now = *EncodeDateTime({2026, 12, 9, 9, 0, 0, 0});
    place_.clock = [now = place_.now] { return now; };
  }

  void WriteDataIni(std::string_view utf8) { WriteFileBytes(DataIni(), big5::FromUtf8(utf8)); }
  fs::path DataIni() const { return clinic_ / "data.ini"; }

  // Runs the page's step `word` as its button does; the step's boxes are collected.
  StepResult Step(std::string_view word) {
    const Pipeline& pipeline = RealSunPipeline();
    return RunSingleStep(pipeline, *pipeline.Find(word), fields_, place_, context_);
  }

  TempDir home_;
  fs::path clinic_ = ClinicFolder(home_.path(), kRealSunArea, kClinicCode);
  fs::path work_tree_ = clinic_ / "1151209_1";
  RunFields fields_;
  Workplace place_;
  RunFlags flags_;
  RecordingStepContext context_{flags_};
};

TEST_F(RealSunPageSettings, ARefusedCatalogueStepNotesNothing) {
  fields_.chart.split_date = "";
  EXPECT_EQ(Step("catalogue"), StepResult::kStopped);
  fields_.chart.split_date = "1151201";
  fields_.folder.his = big5::FromUtf8("展望");
  EXPECT_EQ(Step("catalogue"), StepResult::kStopped);
  EXPECT_EQ(context_.MessageTexts(),
            (std::vector<std::string>{"沒有填寫切割日期,製作方式必須設為之前",
                                      "請先選取正確耀聖來源目錄"}));
  EXPECT_FALSE(fs::exists(DataIni()));
}

TEST_F(RealSunPageSettings, ARefusedChartStepNotesNothingAndTheStartDateOnlyFillsAGap) {
  const std::string clinic_only =
      "[system]\r\nClinicTypeNo=01\r\n[DOCTOR]\r\n王大明=A123456789\r\n";
  WriteDataIni(clinic_only);
  const std::string before = ReadFileBytes(DataIni());

  // A pharmacist without an ID.
  fields_.folder.pharmacist_id = "";
  EXPECT_EQ(Step("charts"), StepResult::kStopped);
  // No opening date in data.ini and none on the page.
  fields_.folder.pharmacist_id = "B223456789";
  fields_.folder.start_date = " ";
  EXPECT_EQ(Step("charts"), StepResult::kStopped);
  // Another system.
  fields_.folder.start_date = "0990101";
  fields_.folder.his = big5::FromUtf8("展望");
  EXPECT_EQ(Step("charts"), StepResult::kStopped);
  EXPECT_EQ(context_.MessageTexts(),
            (std::vector<std::string>{"沒有藥師資料,轉換停止", "沒有開業日期記錄",
                                      "請先選取正確耀聖來源目錄"}));
  EXPECT_EQ(ReadFileBytes(DataIni()), before);

  // Every check passed: the page's settings are noted before the step goes on (here it stops at
  // the missing visit tables).
  fields_.folder.his = big5::FromUtf8("耀聖");
  EXPECT_EQ(Step("charts"), StepResult::kStopped);
  EXPECT_EQ(context_.MessageTexts().back(), "找不到耀聖門診資料檔Z\\plut1.dbf");
  EXPECT_EQ(big5::ToUtf8(ReadFileBytes(DataIni())),
            "[system]\r\nClinicTypeNo=01\r\nPharmacistname=林美玲\r\nPharmacistID=B223456789\r\n"
            "開業日期=0990101\r\n[DOCTOR]\r\n王大明=A123456789\r\n");

  // A recorded opening date stays; the page's start date only fills a missing one.
  fields_.folder.start_date = "1000101";
  EXPECT_EQ(Step("charts"), StepResult::kStopped);
  EXPECT_NE(big5::ToUtf8(ReadFileBytes(DataIni())).find("開業日期=0990101"), std::string::npos);
}

}  // namespace
}  // namespace zuvo
