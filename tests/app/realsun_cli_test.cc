// The RealSun conversion from the command line, as a support engineer runs it: the one-shot run,
// the steps one by one, the restore of the patient step's snapshot, and the demo of both clinics.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/store_verify.h"
#include "demo/demo_clinic.h"
#include "platform/big5.h"
#include "support/cli_runner.h"
#include "support/folder_files.h"
#include "support/temp_dir.h"
#include "workspace/clinic_settings.h"
#include "workspace/conversion_guard.h"
#include "workspace/folder_layout.h"
#include "workspace/path_text.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using testing::CliRun;
using testing::FolderFiles;
using testing::PrintedWorkTree;
using testing::Quoted;
using testing::RunCli;
using testing::TempDir;

class RealSunCli : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::HaveCli()) GTEST_SKIP() << "ZUVO_CLI names no zuvoconv";
    clinic_ = demo::WriteRealSunDemoSource(source_, 4);
  }
  CliRun Run(const std::string& arguments) {
    return RunCli("--home " + Quoted(home_.path()) + " " + arguments);
  }
  fs::path ClinicFolder() const { return home_ / "RS" / clinic_.code; }
  ClinicSettings DataIni() const { return ClinicSettings(ClinicFolder()); }
  StoreVerifyReport Verify(const fs::path& work_tree) const {
    return VerifyStore(WorkTreeStoreLocation(work_tree, clinic_.code));
  }

  TempDir home_;
  TempDir sources_;
  fs::path source_ = sources_ / "rs";
  demo::DemoClinic clinic_;
};

std::string LastLine(const std::string& out) {
  size_t end = out.size() - (out.empty() || out.back() != '\n' ? 0 : 1);
  size_t start = out.rfind('\n', end - 1);
  return out.substr(start == std::string::npos ? 0 : start + 1, end - start - 1);
}

// A new clinic converts whole in one command and is applied (a blank split date: every visit up to
// today): its data.ini lacks the opening date and the pharmacist, which the command brings; the
// doctors the clinic's tables do not name are listed once each, RealSun's placeholder names never.
TEST_F(RealSunCli, RunConvertsTheWholeClinicWithTheSettingsItIsGiven) {
  CliRun run = Run("realsun run " + Quoted(source_) +
                   " --split-date '' --start-date 0990101 --pharmacist 林美玲"
                   " --pharmacist-id B223456789");
  ASSERT_EQ(run.status, 0) << run.out;
  fs::path work_tree = PrintedWorkTree(run.out);
  EXPECT_EQ(LastLine(run.out), "work tree: " + PathToUtf8(work_tree));
  EXPECT_EQ(work_tree.parent_path().parent_path(), ClinicFolder());
  EXPECT_EQ(PathToUtf8(work_tree).substr(PathToUtf8(work_tree).size() - 3), "_2/")
      << "a blank split date runs in the mode before";
  EXPECT_NE(run.out.find("message: Zuvo病歷資料製作完成"), std::string::npos) << run.out;

  StoreVerifyReport verified = Verify(work_tree);
  EXPECT_TRUE(verified.clean()) << (verified.findings.empty() ? "" : verified.findings[0].problem);
  EXPECT_GT(verified.entries, 500);
  EXPECT_GT(verified.patients, 150);

  ClinicStartSettings noted = DataIni().StartSettings();
  EXPECT_EQ(noted.opening_date, "0990101");
  EXPECT_EQ(big5::ToUtf8(noted.pharmacist_name), "林美玲");
  EXPECT_EQ(noted.pharmacist_id, "B223456789");

  size_t unknown = 0;
  for (size_t at = run.out.find("不明醫師: "); at != std::string::npos;
       at = run.out.find("不明醫師: ", at + 1)) {
    ++unknown;
    std::string name = run.out.substr(at, run.out.find('\n', at) - at);
    EXPECT_EQ(name.find("護士小姐"), std::string::npos);
    EXPECT_EQ(run.out.find(name, at + 1), std::string::npos) << name << " listed twice";
  }
  EXPECT_GT(unknown, 0u) << run.out;

  // Applied as a Vision work tree is: the live store is the converted one and verifies clean.
  fs::create_directories(home_ / "live");
  CliRun applied = Run("apply " + Quoted(work_tree) + " --yes");
  ASSERT_EQ(applied.status, 0) << applied.out;
  StoreVerifyReport live = VerifyStore(WorkTreeStoreLocation(home_ / "live", clinic_.code));
  EXPECT_TRUE(live.clean());
  EXPECT_EQ(live.entries, verified.entries);
  EXPECT_TRUE(fs::is_regular_file(home_ / "live" / "Corvix" / "OPD.mdb"));
}

// A claim archive that cannot be read skips its month only: the run and the claims step complete,
// say which month they skipped and end with status 1; the work tree is recorded as completed and
// applies.
TEST_F(RealSunCli, ClaimArchiveThatCannotBeReadSkipsItsMonthWithStatusOne) {
  std::vector<fs::path> archives;
  for (const auto& entry : fs::directory_iterator(source_ / "02")) archives.push_back(entry.path());
  std::sort(archives.begin(), archives.end());
  ASSERT_GT(archives.size(), 1u) << "the demo clinic claims more than one month";
  // One in the middle: months before the first claimed one are never read.
  const fs::path cut = archives[archives.size() / 2];
  const std::string month = cut.filename().string().substr(0, 5);
  const std::string whole = testing::ReadFileBytes(cut);
  testing::WriteFileBytes(cut, whole.substr(0, whole.size() / 2));

  auto run_with_errors = [&](const std::string& arguments) {
    return RunCli("--home " + Quoted(home_.path()) + " " + arguments, testing::WithErrors());
  };
  CliRun run = run_with_errors("realsun run " + Quoted(source_) +
                               " --split-date '' --start-date 0990101 --pharmacist 林美玲"
                               " --pharmacist-id B223456789");
  EXPECT_EQ(run.status, 1) << run.out;
  EXPECT_NE(run.out.find(month + "XML.zip已損壞或不是zip檔,本月略過\n"), std::string::npos);
  EXPECT_NE(run.out.find("message: 下列月份的申報檔無法讀取,病歷沒有用它們修正:" + month + "\n"),
            std::string::npos);
  EXPECT_NE(run.out.find("message: Zuvo病歷資料製作完成"), std::string::npos);
  EXPECT_NE(run.out.find("zuvoconv realsun run: some months were skipped (" + month +
                         "); the other months were corrected and the work tree can be applied\n"),
            std::string::npos)
      << run.out;
  const fs::path work_tree = PrintedWorkTree(run.out);
  std::optional<ConversionRecord> record = ReadConversionRecord(work_tree);
  ASSERT_TRUE(record.has_value());
  EXPECT_EQ(record->state, ConversionState::kCompleted);

  CliRun step = run_with_errors("realsun step claims --work-tree " + Quoted(work_tree));
  EXPECT_EQ(step.status, 1) << step.out;
  EXPECT_NE(step.out.find("zuvoconv realsun step claims: some months were skipped (" + month + ")"),
            std::string::npos)
      << step.out;
  EXPECT_EQ(ReadConversionRecord(work_tree)->state, ConversionState::kCompleted);
  fs::create_directories(home_ / "live");
  CliRun applied = Run("apply " + Quoted(work_tree) + " --yes");
  EXPECT_EQ(applied.status, 0) << applied.out;
}

// Without an opening date anywhere the chart step stops on its box, and the run says so.
TEST_F(RealSunCli, RunWithoutAnOpeningDateStopsAtTheChartStep) {
  CliRun run =
      Run("realsun run " + Quoted(source_) + " --pharmacist 林美玲 --pharmacist-id B223456789");
  EXPECT_EQ(run.status, 2) << run.out;
  EXPECT_NE(run.out.find("message: 沒有開業日期記錄"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("Zuvo病歷資料製作完成"), std::string::npos);
}

// Step by step; the restore puts the work tree back as the patient step left it (no chart store
// entries), and the chart step then runs again to the same store.
TEST_F(RealSunCli, StepsOneByOneAndTheRestoreBeforeTheChartsAgain) {
  CliRun selected = Run("realsun select --mode before " + Quoted(source_));
  ASSERT_EQ(selected.status, 0) << selected.out;
  const std::string tree = " --work-tree " + Quoted(PrintedWorkTree(selected.out));
  for (const char* step :
       {"catalogue --split-date 1151201 --pharmacist 林美玲 --pharmacist-id B223456789", "patients",
        "charts --start-date 0990101 --split-date 1151201", "screen"}) {
    CliRun run = Run(std::string("realsun step ") + step + tree);
    ASSERT_EQ(run.status, 0) << step << "\n" << run.out;
  }
  fs::path work_tree = PrintedWorkTree(selected.out);
  StoreVerifyReport converted = Verify(work_tree);
  ASSERT_TRUE(converted.clean());
  ASSERT_GT(converted.entries, 0);

  CliRun restored = Run("realsun restore" + tree);
  ASSERT_EQ(restored.status, 0) << restored.out;
  EXPECT_NE(restored.out.find("返還完成,可以直接[製作Zuvo病歷檔]"), std::string::npos);
  EXPECT_EQ(Verify(work_tree).entries, 0) << "the snapshot was taken before the charts";

  CliRun again = Run("realsun step charts --start-date 0990101 --split-date 1151201" + tree);
  ASSERT_EQ(again.status, 0) << again.out;
  StoreVerifyReport reconverted = Verify(work_tree);
  EXPECT_TRUE(reconverted.clean());
  EXPECT_EQ(reconverted.entries, converted.entries);
}

// The system is what the folders are, never the command's own name: a RealSun step refuses a
// Vision work tree and a source folder recognised as Vision (VISPARA.DBF beside S\TITLE.DBF),
// and a Vision step refuses a RealSun work tree. Nothing is written.
TEST_F(RealSunCli, StepsOfOneSystemRefuseTheOthersFolders) {
  const fs::path vision_source = sources_ / "visw";
  demo::WriteVisionDemoSource(vision_source, 4);
  const fs::path both = sources_ / "both";
  demo::WriteRealSunDemoSource(both, 4);
  demo::WriteVisionParameterTable(both, clinic_);
  CliRun vision = Run("vision select " + Quoted(vision_source));
  ASSERT_EQ(vision.status, 0) << vision.out;
  const fs::path vision_tree = PrintedWorkTree(vision.out);
  CliRun realsun = Run("realsun select " + Quoted(source_));
  ASSERT_EQ(realsun.status, 0) << realsun.out;
  const fs::path realsun_tree = PrintedWorkTree(realsun.out);
  const auto before = FolderFiles(home_.path());

  for (const std::string step : {"catalogue --split-date 1151201", "patients",
                                 "charts --start-date 0990101", "screen", "claims"}) {
    for (const fs::path& source : {both, source_}) {
      CliRun run = Run("realsun step " + step + " --work-tree " + Quoted(vision_tree) +
                       " --source " + Quoted(source));
      EXPECT_EQ(run.status, 2) << step << "\n" << run.out;
      EXPECT_NE(run.out.find("請先選取正確耀聖來源目錄"), std::string::npos) << step << run.out;
    }
  }
  CliRun wrong_source = Run("realsun step patients --work-tree " + Quoted(realsun_tree) +
                            " --source " + Quoted(both));
  EXPECT_EQ(wrong_source.status, 2) << wrong_source.out;
  for (const char* step : {"catalogue", "patients", "prepass", "charts", "screen", "labs"}) {
    CliRun run = Run(std::string("vision step ") + step + " --work-tree " + Quoted(realsun_tree) +
                     " --source " + Quoted(vision_source));
    EXPECT_EQ(run.status, 2) << step << "\n" << run.out;
  }
  EXPECT_EQ(FolderFiles(home_.path()), before);
}

TEST_F(RealSunCli, RestoreWithoutASnapshotIsRefused) {
  CliRun selected = Run("realsun select " + Quoted(source_));
  ASSERT_EQ(selected.status, 0) << selected.out;
  CliRun run = Run("realsun restore --work-tree " + Quoted(PrintedWorkTree(selected.out)));
  EXPECT_EQ(run.status, 2) << run.out;
  EXPECT_NE(run.out.find("InitBak"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace zuvo
