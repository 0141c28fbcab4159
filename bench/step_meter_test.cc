// The benchmarks' measuring tools: what StepMeter says a step read, wrote, used and held, and how
// a run of steps adds up.
#include "step_meter.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "bench_table.h"
#include "support/temp_dir.h"

namespace zuvo::bench {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

TEST(StepMeterTest, CountsTheExistingFilesAStepOpensAndTheBytesItWrites) {
  TempDir dir;
  fs::create_directories(dir / "source" / "deep");
  WriteFileBytes(dir / "source" / "deep" / "read.dbf", std::string(3000, 'r'));
  WriteFileBytes(dir / "source" / "untouched.dbf", std::string(5000, 'u'));
  WriteFileBytes(dir / "outside.txt", "not watched");

  StepMeter meter({dir / "source", dir / "work"});  // work does not exist: it is left out
  EXPECT_EQ(ReadFileBytes(dir / "source" / "deep" / "read.dbf").size(), 3000u);
  EXPECT_EQ(ReadFileBytes(dir / "outside.txt"), "not watched");
  // Files the step writes and reads back: beside the one it reads, and in a folder it makes.
  WriteFileBytes(dir / "source" / "deep" / "made.tmp", std::string(50'000, 'm'));
  EXPECT_EQ(ReadFileBytes(dir / "source" / "deep" / "made.tmp").size(), 50'000u);
  fs::create_directories(dir / "source" / "new");
  WriteFileBytes(dir / "source" / "new" / "out.bin", std::string(200'000, 'o'));
  EXPECT_EQ(ReadFileBytes(dir / "source" / "new" / "out.bin").size(), 200'000u);
  const StepFigures figures = meter.Stop();

  // Only the file that existed under a watched folder and was opened; read once, at its size.
  EXPECT_EQ(figures.read, (FileSizes{{dir / "source" / "deep" / "read.dbf", 3000}}));
  EXPECT_EQ(figures.read_bytes(), 3000u);
  EXPECT_TRUE(figures.files_complete);
  EXPECT_GE(figures.written_bytes, 250'000u);
  EXPECT_LT(figures.written_bytes, 260'000u);
  EXPECT_GT(figures.cpu_seconds, 0);
  EXPECT_GT(figures.peak_kb, 0);
}

TEST(StepMeterTest, PeakIsTheStepsOwnHighWaterMark) {
  constexpr size_t kBytes = 64 << 20;
  {
    std::vector<char> earlier(kBytes, 'e');  // held and freed before the step
    ASSERT_EQ(earlier[kBytes - 1], 'e');
  }
  StepMeter quiet({});
  const StepFigures nothing = quiet.Stop();

  StepMeter busy({});
  std::vector<char> held(kBytes, 'h');
  ASSERT_EQ(held[kBytes / 2], 'h');
  const StepFigures holding = busy.Stop();
  EXPECT_GE(holding.peak_kb - nothing.peak_kb, static_cast<long>(kBytes / 1024) * 9 / 10);
  EXPECT_TRUE(nothing.read.empty());
}

TEST(StepMeterTest, ARunOfStepsAddsUpAndReadsOnlyWhatWasThereAtTheStart) {
  StepFigures first, second;
  first.cpu_seconds = 1.5;
  first.peak_kb = 300;
  first.written_bytes = 1000;
  first.read = {{"source/a.dbf", 10}};
  second.cpu_seconds = 0.5;
  second.peak_kb = 700;
  second.written_bytes = 24;
  second.files_complete = false;
  // The second step reads what the first wrote, and a source file grown since the start.
  second.read = {{"work/made.tmp", 1000}, {"source/b.dbf", 99}};
  const StepFigures all =
      InSequence({first, second}, {{"source/a.dbf", 10}, {"source/b.dbf", 20}, {"other", 5}});
  EXPECT_DOUBLE_EQ(all.cpu_seconds, 2.0);
  EXPECT_EQ(all.peak_kb, 700);
  EXPECT_EQ(all.written_bytes, 1024u);
  EXPECT_FALSE(all.files_complete);
  EXPECT_EQ(all.read, (FileSizes{{"source/a.dbf", 10}, {"source/b.dbf", 20}}));
}

TEST(StepMeterTest, ThePlainReadAndWriteLeavesNoFileBehind) {
  TempDir dir;
  WriteFileBytes(dir / "input", std::string(1 << 20, 'i'));
  StepFigures figures;
  figures.read = {{dir / "input", 1 << 20}};
  figures.written_bytes = 4 << 20;
  EXPECT_GT(PlainCpuSeconds(figures, dir / "plain.out"), 0);
  EXPECT_FALSE(fs::exists(dir / "plain.out"));
  EXPECT_EQ(fs::file_size(dir / "input"), 1u << 20);
}

}  // namespace
}  // namespace zuvo::bench
