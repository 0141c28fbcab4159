// A conversion over a source table cut short at a record boundary: the step that reads it ends
// the run with an error naming the file and both counts, the work tree records the run as
// failed, and apply refuses the tree. Through the engine and through zuvoconv.

#include <gtest/gtest.h>

#include "app/apply_live.h"
#include "app/pipeline_run.h"
#include "app/program_folder.h"
#include "app/realsun_pipeline.h"
#include "app/vision_pipeline.h"
#include "demo/demo_clinic.h"
#include "platform/error.h"
#include "platform/file_ops.h"
#include "platform/profile_file.h"
#include "support/cli_runner.h"
#include "support/recording_step_context.h"
#include "support/temp_dir.h"
#include "workspace/conversion_guard.h"
#include "workspace/path_text.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using testing::CliRun;
using testing::PrintedWorkTree;
using testing::Quoted;
using testing::ReadFileBytes;
using testing::RunCli;
using testing::TempDir;
using testing::WriteFileBytes;

const DateTime kRunTime = *EncodeDateTime({2026, 12, 1, 10, 0, 0, 0});

// Cuts the dBase table `file` after its first `kept` records, its header left as it was.
// Returns the record count the header states.
uint32_t CutTable(const fs::path& file, size_t kept) {
  const std::string bytes = ReadFileBytes(file);
  auto byte = [&](size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at]));
  };
  const uint32_t stated = byte(4) | byte(5) << 8 | byte(6) << 16 | byte(7) << 24;
  const size_t header_length = byte(8) | byte(9) << 8;
  const size_t record_length = byte(10) | byte(11) << 8;
  EXPECT_GT(stated, kept);
  WriteFileBytes(file, bytes.substr(0, header_length + kept * record_length));
  return stated;
}

std::string Refusal(const fs::path& file, uint32_t stated, size_t kept) {
  return PathToUtf8(file) + ": 資料表不完整,表頭宣告 " + std::to_string(stated) + " 筆,檔案只有 " +
         std::to_string(kept) + " 筆";
}

std::string StateOf(const fs::path& work_tree) {
  return ReadProfileString(work_tree / "ZuvoConversion.ini", "Conversion", "State");
}

class ShortSourceTableRun : public ::testing::Test {
 protected:
  ShortSourceTableRun() { InstallDeliveredFiles(home.path()); }

  // Chooses `source` with the pipeline's folder choice and runs the whole conversion; returns
  // the error that ended it.
  std::string RunAndFail(const Pipeline& pipeline) {
    Workplace place{home.path(), kRunTime, {}, [] { return kRunTime; }};
    fields.chart.split_date = pipeline.default_split_date;
    context.AnswerNextFolder(source);
    EXPECT_EQ(pipeline.select(fields, place, context), StepResult::kDone);
    try {
      RunOneShot(pipeline, fields, place, context);
    } catch (const Error& error) {
      return error.what();
    }
    return "the run ended without an error";
  }
  // What apply says of the work tree, which must be refused before anything is asked.
  void ExpectApplyRefused() {
    const fs::path work_tree = WithoutTrailingSeparator(fields.folder.work_tree);
    RecordingStepContext apply_context(flags);
    ApplyOutcome outcome = ApplyWorkTree(work_tree, home / "live", kRunTime, apply_context);
    EXPECT_EQ(outcome.result, StepResult::kStopped);
    ASSERT_EQ(apply_context.MessageTexts().size(), 1u);
    EXPECT_NE(apply_context.MessageTexts()[0].find("這個工作資料夾不能套用"), std::string::npos)
        << apply_context.MessageTexts()[0];
    EXPECT_NE(apply_context.MessageTexts()[0].find("沒有完成: failed"), std::string::npos)
        << apply_context.MessageTexts()[0];
    EXPECT_FALSE(fs::exists(home / "live" / "Tolsern"));
  }

  TempDir home;
  TempDir sources;
  fs::path source = sources / "clinic";
  RunFields fields;
  RunFlags flags;
  RecordingStepContext context{flags};
};

TEST_F(ShortSourceTableRun, VisionPatientTableCutShortFailsThePatientStep) {
  demo::WriteVisionDemoSource(source, 1);
  const uint32_t stated = CutTable(source / "CO01M.DBF", 100);
  EXPECT_EQ(stated, 224u);  // 24 showcase rows and 200 generated ones
  EXPECT_EQ(RunAndFail(VisionPipeline()), Refusal(source / "CO01M.DBF", 224, 100));
  const fs::path work_tree = WithoutTrailingSeparator(fields.folder.work_tree);
  std::optional<ConversionRecord> record = ReadConversionRecord(work_tree);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->activity, "vision run");
  EXPECT_EQ(record->state, ConversionState::kFailed);
  EXPECT_EQ(StateOf(work_tree), "failed");
  // The catalogue step before it completed; no patient was written.
  EXPECT_TRUE(fs::is_regular_file(work_tree / "Corvix" / "OPD.mdb"));
  EXPECT_TRUE(ListByWildcard(work_tree / "Tolsern" / fields.folder.clinic_id, "PtData.*").empty());
  ExpectApplyRefused();
}

TEST_F(ShortSourceTableRun, RealSunDrugTableCutShortFailsTheCatalogueStep) {
  demo::WriteRealSunDemoSource(source, 1);
  const fs::path drugs = *ResolvePath(source, "Z/DRUG.DBF");
  const uint32_t stated = CutTable(drugs, 3);
  EXPECT_EQ(RunAndFail(RealSunPipeline()), Refusal(drugs, stated, 3));
  const fs::path work_tree = WithoutTrailingSeparator(fields.folder.work_tree);
  EXPECT_EQ(StateOf(work_tree), "failed");
  ExpectApplyRefused();
}

// zuvoconv: the one-shot run and the single step fail with the refusal on standard error and
// exit status 1; apply refuses the work tree.
TEST_F(ShortSourceTableRun, CommandLineRunAndStepFailAndApplyRefuses) {
  if (!testing::HaveCli()) GTEST_SKIP() << "ZUVO_CLI names no zuvoconv";
  demo::WriteVisionDemoSource(source, 1);
  const std::string home_option = "--home " + Quoted(home.path()) + " ";
  const std::string refusal = Refusal(source / "CO01M.DBF", 224, 100);
  CutTable(source / "CO01M.DBF", 100);

  CliRun run = RunCli(home_option + "vision run " + Quoted(source), testing::WithErrors());
  EXPECT_EQ(run.status, 1) << run.out;
  EXPECT_NE(run.out.find(refusal), std::string::npos) << run.out;
  const fs::path work_tree = WithoutTrailingSeparator(PrintedWorkTree(run.out));
  ASSERT_FALSE(work_tree.empty()) << run.out;
  EXPECT_EQ(StateOf(work_tree), "failed");
  CliRun applied = RunCli(home_option + "apply " + Quoted(work_tree) + " --yes");
  EXPECT_EQ(applied.status, 2) << applied.out;
  EXPECT_NE(applied.out.find("這個工作資料夾不能套用,最後一次轉檔 vision run"), std::string::npos)
      << applied.out;
  EXPECT_FALSE(fs::exists(home / "live" / "Tolsern"));

  CliRun step = RunCli(home_option + "vision step patients --work-tree " + Quoted(work_tree) +
                           " --source " + Quoted(source),
                       testing::WithErrors());
  EXPECT_EQ(step.status, 1) << step.out;
  EXPECT_NE(step.out.find(refusal), std::string::npos) << step.out;
  std::optional<ConversionRecord> record = ReadConversionRecord(work_tree);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->activity, "vision step patients");
  EXPECT_EQ(record->state, ConversionState::kFailed);
}

}  // namespace
}  // namespace zuvo
