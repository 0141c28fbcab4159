#include "app/pipeline_run.h"

#include <gtest/gtest.h>

#include "app/conversion_report.h"
#include "app/run_summary.h"
#include "app/vision_pipeline.h"
#include "platform/big5.h"
#include "platform/error.h"
#include "platform/file_ops.h"
#include "support/recording_step_context.h"
#include "support/temp_dir.h"
#include "workspace/conversion_guard.h"

namespace zuvo {
namespace {

using testing::TempDir;

const DateTime kStart = *EncodeDateTime({2026, 12, 9, 8, 0, 0, 0});

// The Vision pipeline with steps that read `records` rows each, processing events after every
// row, honouring the stop flag and taking 13 seconds of the test's clock; they log what ran.
class FakePipeline {
 public:
  explicit FakePipeline(DateTime& now) : now_(now) {}

  Pipeline Make(int records = 3) {
    Pipeline pipeline = VisionPipeline();
    for (PipelineStep& step : pipeline.steps) {
      step.run = [this, word = step.word, records](RunFields& fields, const Workplace& place,
                                                   StepContext& context) -> StepResult {
        const std::string name(word);
        log.push_back(name + " pharmacist=" + big5::ToUtf8(fields.folder.pharmacist_name) +
                      " messages=" + (context.StepMessages() ? "on" : "off") +
                      " dated=" + (place.now == now_ ? "now" : "stale"));
        now_ += 13.0 / 86400.0;
        if (count_rows) context.SetTotal(records);
        for (int row = 0; row < records && !context.StopRequested(); ++row) {
          context.AddLine(name + " row:" + std::to_string(row));
          if (count_rows) context.SetDone(row + 1);
          context.ProcessEvents();
        }
        if (fail_in == name) throw Error(name + " failed");
        return refuse_in == name ? StepResult::kStopped : StepResult::kDone;
      };
    }
    return pipeline;
  }

  std::vector<std::string> log;
  bool count_rows = false;  // report the record count and the rows done as the window shows them
  std::string fail_in;
  std::string refuse_in;

 private:
  DateTime& now_;
};

class PipelineRunTest : public ::testing::Test {
 protected:
  PipelineRunTest() {
    fields.folder.his = big5::Literal("展望");
    fields.folder.work_tree = work_tree;
    fields.folder.pharmacist_id = "A123456789";
    fields.chart.split_date = "1070101";
    flags.SetStepMessages(true);
    flags.SetStopRequested(true);  // left over from an earlier stop
    place.now = kStart;
    place.clock = [this] { return now; };
    CreateFolders(work_tree);
  }

  std::optional<ConversionRecord> Record() { return ReadConversionRecord(work_tree); }

  TempDir dir;
  std::filesystem::path work_tree = dir / "3501" / "1151209_1";
  DateTime now = kStart;
  Workplace place;
  RunFields fields;
  RunFlags flags;
  RecordingStepContext context{flags};
  FakePipeline fake{now};
};

TEST_F(PipelineRunTest, RunsEveryStepSilentlyThenReportsOnceAndRecordsTheRun) {
  RunOutcome outcome = RunOneShot(fake.Make(), fields, place, context);
  ASSERT_TRUE(outcome.completed);
  EXPECT_EQ(outcome.steps_done, (std::vector<std::string_view>{"catalogue", "patients", "prepass",
                                                               "charts", "screen"}));
  std::vector<std::string> expected;
  for (const char* step : {"catalogue", "patients", "prepass", "charts", "screen"}) {
    expected.push_back(std::string(step) + " pharmacist=釋出處方箋 messages=off dated=now");
  }
  EXPECT_EQ(fake.log, expected);
  EXPECT_TRUE(fields.folder.pharmacist_id.empty());
  EXPECT_EQ(context.MessageTexts(), (std::vector<std::string>{"Zuvo病歷資料製作完成"}));
  EXPECT_EQ(context.elapsed_label(), "耗時:00:01:05");
  EXPECT_TRUE(flags.StepMessages());

  std::string report = ReadWholeFile(outcome.report);
  EXPECT_EQ(outcome.report.parent_path(), work_tree);
  EXPECT_NE(report.find("一次性轉換 (展望): 完成\r\n"), std::string::npos);
  EXPECT_NE(report.find("3\tpatients row\r\n"), std::string::npos);
  EXPECT_NE(report.find("1\tmessage box\r\n"), std::string::npos);
  EXPECT_NE(report.find("charts row:2\r\nscreen row:0\r\n"), std::string::npos);

  std::optional<ConversionRecord> record = Record();
  ASSERT_TRUE(record);
  EXPECT_EQ(record->activity, "vision run");
  EXPECT_EQ(record->state, ConversionState::kCompleted);
  EXPECT_EQ(record->started, "1151209080000");
  EXPECT_EQ(record->ended, "1151209080105");
  EXPECT_EQ(record->chart.split_date, "1070101");
}

TEST_F(PipelineRunTest, StopInsideThePatientStepSkipsTheRest) {
  fields.folder.pharmacist_name = big5::Literal("王藥師");
  fields.folder.pharmacist_id = "B1";
  context.RequestStopAfterEvents(4);  // three catalogue rows, then the first patient row
  RunOutcome outcome = RunOneShot(fake.Make(), fields, place, context);
  EXPECT_FALSE(outcome.completed);
  EXPECT_EQ(outcome.steps_done, (std::vector<std::string_view>{"catalogue"}));
  ASSERT_EQ(fake.log.size(), 2u);
  EXPECT_EQ(fake.log[1], "patients pharmacist=王藥師 messages=off dated=now");
  EXPECT_EQ(fields.folder.pharmacist_id, "B1");
  EXPECT_EQ(context.lines().back(), "patients row:0");
  EXPECT_TRUE(context.MessageTexts().empty());
  EXPECT_TRUE(context.elapsed_label().empty());
  EXPECT_FALSE(flags.StepMessages());
  EXPECT_NE(ReadWholeFile(outcome.report).find("已停止"), std::string::npos);
  EXPECT_EQ(Record()->state, ConversionState::kStopped);
}

TEST_F(PipelineRunTest, AStepThatStopsOnAMessageEndsTheRunWithoutCompletion) {
  fake.refuse_in = "charts";
  RunOutcome outcome = RunOneShot(fake.Make(), fields, place, context);
  EXPECT_FALSE(outcome.completed);
  EXPECT_EQ(outcome.steps_done.size(), 3u);
  EXPECT_EQ(fake.log.size(), 4u);
  EXPECT_TRUE(context.MessageTexts().empty());
  EXPECT_FALSE(flags.StepMessages());
  EXPECT_EQ(Record()->state, ConversionState::kStopped);
}

TEST_F(PipelineRunTest, AStepErrorEndsTheRunAndStillLeavesAReport) {
  fake.fail_in = "prepass";
  EXPECT_THROW(RunOneShot(fake.Make(), fields, place, context), Error);
  EXPECT_EQ(fake.log.size(), 3u);
  EXPECT_FALSE(flags.StepMessages());
  std::vector<std::filesystem::path> reports = ListByWildcard(work_tree, "ConversionReport_*.txt");
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(ReadWholeFile(reports[0]).find("錯誤,後面的步驟沒有執行: prepass failed\r\n"),
            std::string::npos);
  EXPECT_EQ(Record()->state, ConversionState::kFailed);
}

// A report that cannot be written (here a folder stands where it belongs; on a full disk the
// write fails the same way) must not hide why the step failed.
TEST_F(PipelineRunTest, TheStepsOwnErrorComesFirstWhenTheReportCannotBeWritten) {
  CreateFolders(work_tree / "ConversionReport_1151209080000.txt");
  fake.fail_in = "catalogue";
  try {
    RunOneShot(fake.Make(), fields, place, context);
    ADD_FAILURE() << "no error";
  } catch (const Error& error) {
    EXPECT_TRUE(std::string(error.what()).starts_with("catalogue failed (轉檔報告也無法寫入: "))
        << error.what();
  }
}

// The end of a run as the window and the command line tell it: how it ended and in which step,
// each step's rows done of its record count, and the warnings by kind (the run's "begin time"
// lines and its boxes are none).
TEST_F(PipelineRunTest, TheEndOfARunTellsHowItEndedWhatEachStepCountedAndItsWarnings) {
  fake.count_rows = true;
  fake.fail_in = "prepass";
  RunOutcome failed = RunOneShotToEnd(fake.Make(2), fields, place, context);
  EXPECT_EQ(failed.end, RunEnd::kFailed);
  EXPECT_FALSE(failed.completed);
  EXPECT_EQ(failed.error, "prepass failed");
  EXPECT_TRUE(std::filesystem::is_regular_file(failed.report));
  EXPECT_EQ(Record()->state, ConversionState::kFailed);
  EXPECT_EQ(RunSummaryLines(failed),
            (std::vector<std::string>{"失敗 (製作主訴,轉診,醫令連結檔): prepass failed",
                                      "製作診所及醫令資料: 2/2 筆", "製作病人資料: 2/2 筆",
                                      "警告: catalogue row 2, patients row 2, prepass row 2"}));

  fake.fail_in.clear();
  fake.refuse_in = "patients";
  RunOutcome stopped = RunOneShotToEnd(fake.Make(1), fields, place, context);
  EXPECT_EQ(stopped.end, RunEnd::kStopped);
  EXPECT_EQ(
      RunSummaryLines(stopped),
      (std::vector<std::string>{"已停止 (製作病人資料)", "製作診所及醫令資料: 1/1 筆",
                                "製作病人資料: 1/1 筆", "警告: catalogue row 1, patients row 1"}));

  fake.refuse_in.clear();
  RunOutcome completed = RunOneShotToEnd(fake.Make(0), fields, place, context);
  EXPECT_EQ(completed.end, RunEnd::kCompleted);
  EXPECT_EQ(RunSummaryLines(completed),
            (std::vector<std::string>{"完成", "製作診所及醫令資料: 0/0 筆", "製作病人資料: 0/0 筆",
                                      "製作主訴,轉診,醫令連結檔: 0/0 筆", "製作Zuvo病歷檔: 0/0 筆",
                                      "篩選常用診斷及醫令: 0/0 筆", "警告: 無"}));

  // A step pressed on its own.
  fake.fail_in = "charts";
  const Pipeline pipeline = fake.Make(1);
  RunOutcome step = RunSingleStepToEnd(pipeline, pipeline.steps[3], fields, place, context);
  EXPECT_EQ(RunEndText(step), "失敗 (製作Zuvo病歷檔): charts failed");
  EXPECT_EQ(RunCountLines(step), (std::vector<std::string>{"製作Zuvo病歷檔: 1/1 筆"}));
}

TEST_F(PipelineRunTest, OtherSystemRunsNothing) {
  fields.folder.his = big5::Literal("耀聖");
  RunOutcome outcome = RunOneShot(fake.Make(), fields, place, context);
  EXPECT_FALSE(outcome.completed);
  EXPECT_TRUE(fake.log.empty());
  EXPECT_EQ(context.MessageTexts(), (std::vector<std::string>{"請先正確選取原始系統目錄"}));
  EXPECT_TRUE(fields.folder.pharmacist_name.empty());
  EXPECT_TRUE(ListByWildcard(work_tree, "*").empty());
}

// While a conversion of the clinic holds its lock, another run or step refuses at once and
// changes nothing, not even the record.
TEST_F(PipelineRunTest, ASecondConversionOfTheClinicIsRefused) {
  const Pipeline pipeline = fake.Make();
  {
    FileLock held = LockClinicFolder(work_tree.parent_path(), "vision run (another window)");
    try {
      RunOneShot(pipeline, fields, place, context);
      ADD_FAILURE() << "ran";
    } catch (const Error& error) {
      EXPECT_NE(std::string(error.what()).find("vision run (another window)"), std::string::npos)
          << error.what();
    }
    EXPECT_THROW(RunSingleStep(pipeline, pipeline.steps[1], fields, place, context), Error);
    EXPECT_TRUE(fake.log.empty());
    EXPECT_FALSE(Record());
  }
  EXPECT_EQ(RunSingleStep(pipeline, pipeline.steps[1], fields, place, context), StepResult::kDone);
}

TEST_F(PipelineRunTest, ASingleStepClearsAnEarlierStopAndRecordsItself) {
  const Pipeline pipeline = fake.Make();
  std::vector<std::string_view> ticked;
  auto tick = [&](const PipelineStep& step) { ticked.push_back(step.word); };
  EXPECT_EQ(RunSingleStep(pipeline, pipeline.steps[3], fields, place, context, tick),
            StepResult::kDone);
  EXPECT_EQ(fake.log, (std::vector<std::string>{"charts pharmacist= messages=on dated=now"}));
  EXPECT_EQ(ticked, (std::vector<std::string_view>{"charts"}));
  EXPECT_EQ(Record()->activity, "vision step charts");
  EXPECT_EQ(Record()->state, ConversionState::kCompleted);

  fake.refuse_in = "screen";
  EXPECT_EQ(RunSingleStep(pipeline, pipeline.steps[4], fields, place, context, tick),
            StepResult::kStopped);
  EXPECT_EQ(ticked.size(), 1u);
  EXPECT_EQ(Record()->state, ConversionState::kStopped);

  // A step of another system's window records nothing; the step refuses by itself.
  fields.folder.his = big5::Literal("耀聖");
  fake.refuse_in.clear();
  RunSingleStep(pipeline, pipeline.steps[0], fields, place, context, tick);
  EXPECT_EQ(Record()->activity, "vision step screen");
}

}  // namespace
}  // namespace zuvo
