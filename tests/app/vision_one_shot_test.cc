#include "app/vision_one_shot.h"

#include <gtest/gtest.h>

#include "app/conversion_report.h"
#include "platform/big5.h"
#include "platform/error.h"
#include "platform/file_ops.h"
#include "support/recording_step_context.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

using testing::TempDir;

// Steps that read `records` rows each, processing events after every row and honouring the stop
// flag, and log what ran.
class FakePipeline {
 public:
  std::vector<VisionStep> Steps(int records = 3) {
    std::vector<VisionStep> steps;
    for (const auto& step :
         {std::pair{VisionStepId::kCatalogue, "catalogue"},
          std::pair{VisionStepId::kPatients, "patients"},
          std::pair{VisionStepId::kPrepass, "prepass"}, std::pair{VisionStepId::kCharts, "charts"},
          std::pair{VisionStepId::kScreening, "screening"}}) {
      const char* name = step.second;
      steps.push_back(
          {step.first, name,
           [this, name, records](VisionRunFields& fields, StepContext& context) -> StepResult {
             log.push_back(std::string(name) +
                           " pharmacist=" + big5::ToUtf8(fields.folder.pharmacist_name) +
                           " messages=" + (context.StepMessages() ? "on" : "off"));
             for (int row = 0; row < records && !context.StopRequested(); ++row) {
               context.AddLine(std::string(name) + " row:" + std::to_string(row));
               context.ProcessEvents();
             }
             if (fail_in == name) throw Error(std::string(name) + " failed");
             return refuse_in == name ? StepResult::kStopped : StepResult::kDone;
           }});
    }
    return steps;
  }
  std::vector<std::string> log;
  std::string fail_in;
  std::string refuse_in;
};

class VisionOneShotTest : public ::testing::Test {
 protected:
  VisionOneShotTest() {
    fields.folder.his = big5::Literal("展望");
    fields.folder.work_tree = dir.path();
    fields.folder.pharmacist_id = "A123456789";
    flags.SetStepMessages(true);
    flags.SetStopRequested(true);  // left over from an earlier stop
  }
  // A clock that advances 13 seconds at every reading.
  std::function<DateTime()> clock = [t = *EncodeDateTime({2026, 12, 9, 8, 0, 0, 0})]() mutable {
    t += 13.0 / 86400.0;
    return t;
  };

  TempDir dir;
  VisionRunFields fields;
  RunFlags flags;
  RecordingStepContext context{flags};
  FakePipeline pipeline;
};

TEST_F(VisionOneShotTest, RunsEveryStepSilentlyThenReportsOnce) {
  VisionRunOutcome outcome = CVISWallClick(fields, pipeline.Steps(), context, clock);
  ASSERT_TRUE(outcome.completed);
  EXPECT_EQ(outcome.steps_done.size(), 5u);
  EXPECT_EQ(pipeline.log,
            (std::vector<std::string>{"catalogue pharmacist=釋出處方箋 messages=off",
                                      "patients pharmacist=釋出處方箋 messages=off",
                                      "prepass pharmacist=釋出處方箋 messages=off",
                                      "charts pharmacist=釋出處方箋 messages=off",
                                      "screening pharmacist=釋出處方箋 messages=off"}));
  EXPECT_TRUE(fields.folder.pharmacist_id.empty());
  EXPECT_EQ(context.MessageTexts(), (std::vector<std::string>{"Zuvo病歷資料製作完成"}));
  EXPECT_EQ(context.elapsed_label(), "耗時:00:00:13");
  EXPECT_TRUE(flags.StepMessages());

  std::string report = ReadWholeFile(outcome.report);
  EXPECT_EQ(outcome.report.parent_path(), dir.path());
  EXPECT_NE(report.find("一次性轉換 (展望): 完成\r\n"), std::string::npos);
  EXPECT_NE(report.find("3\tpatients row\r\n"), std::string::npos);
  EXPECT_NE(report.find("1\tmessage box\r\n"), std::string::npos);
  EXPECT_NE(report.find("charts row:2\r\nscreening row:0\r\n"), std::string::npos);
}

TEST_F(VisionOneShotTest, StopInsideThePatientStepSkipsTheRest) {
  fields.folder.pharmacist_name = big5::Literal("王藥師");
  fields.folder.pharmacist_id = "B1";
  context.RequestStopAfterEvents(4);  // three catalogue rows, then the first patient row
  VisionRunOutcome outcome = CVISWallClick(fields, pipeline.Steps(), context, clock);
  EXPECT_FALSE(outcome.completed);
  EXPECT_EQ(outcome.steps_done, (std::vector<VisionStepId>{VisionStepId::kCatalogue}));
  ASSERT_EQ(pipeline.log.size(), 2u);
  EXPECT_EQ(pipeline.log[1], "patients pharmacist=王藥師 messages=off");
  EXPECT_EQ(fields.folder.pharmacist_id, "B1");
  EXPECT_EQ(context.lines().back(), "patients row:0");
  EXPECT_TRUE(context.MessageTexts().empty());
  EXPECT_TRUE(context.elapsed_label().empty());
  EXPECT_FALSE(flags.StepMessages());
  EXPECT_NE(ReadWholeFile(outcome.report).find("已停止"), std::string::npos);
}

TEST_F(VisionOneShotTest, AStepThatStopsOnAMessageEndsTheRunWithoutCompletion) {
  pipeline.refuse_in = "charts";
  VisionRunOutcome outcome = CVISWallClick(fields, pipeline.Steps(), context, clock);
  EXPECT_FALSE(outcome.completed);
  EXPECT_EQ(outcome.steps_done.size(), 3u);
  EXPECT_EQ(pipeline.log.size(), 4u);
  EXPECT_TRUE(context.MessageTexts().empty());
  EXPECT_FALSE(flags.StepMessages());
}

TEST_F(VisionOneShotTest, AStepErrorEndsTheRunAndStillLeavesAReport) {
  pipeline.fail_in = "prepass";
  EXPECT_THROW(CVISWallClick(fields, pipeline.Steps(), context, clock), Error);
  EXPECT_EQ(pipeline.log.size(), 3u);
  EXPECT_FALSE(flags.StepMessages());
  std::vector<std::filesystem::path> reports = ListByWildcard(dir.path(), "ConversionReport_*.txt");
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(ReadWholeFile(reports[0]).find("錯誤,後面的步驟沒有執行: prepass failed\r\n"),
            std::string::npos);
}

TEST_F(VisionOneShotTest, OtherSystemRunsNothing) {
  fields.folder.his = big5::Literal("耀聖");
  VisionRunOutcome outcome = CVISWallClick(fields, pipeline.Steps(), context, clock);
  EXPECT_FALSE(outcome.completed);
  EXPECT_TRUE(pipeline.log.empty());
  EXPECT_EQ(context.MessageTexts(), (std::vector<std::string>{"請先正確選取原始系統目錄"}));
  EXPECT_TRUE(fields.folder.pharmacist_name.empty());
  EXPECT_TRUE(ListByWildcard(dir.path(), "*").empty());
}

TEST(ConversionReportTest, MessageKindsAreTheReasonsBeforeTheColon) {
  EXPECT_EQ(MessageKindOf("病歷號為0錯誤:123"), "病歷號為0錯誤");
  EXPECT_EQ(MessageKindOf("begin time10:20:30"), "begin time");
  EXPECT_EQ(MessageKindOf("身分證號錯誤：A1"), "身分證號錯誤");
  EXPECT_EQ(MessageKindOf("篩選常用診斷及醫令完成"), "篩選常用診斷及醫令完成");
  auto counts = CountMessageKinds({"b:1", "a:2", "b:3"});
  EXPECT_EQ(counts, (std::vector<std::pair<std::string, long>>{{"b", 2}, {"a", 1}}));
}

}  // namespace
}  // namespace zuvo
