#include "charts/order_frequency.h"

#include <gtest/gtest.h>

#include "core/run_flags.h"
#include "support/recording_step_context.h"
#include "support/temp_dir.h"
#include "workspace/clinic_settings.h"

namespace zuvo {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

// The clinic's mapped frequencies replace a text; an entry still marked "X" replaces nothing
// and is not noted again; a new unreadable text is noted once, whatever its letter case.
TEST(UseMethodFixes, MappedTextsReplaceAndUnreadableOnesAreNotedOnce) {
  TempDir folder;
  WriteFileBytes(folder / "data.ini", "[UseMethodFix]\r\nQ2D=X\r\nbid pc = BID\r\nEMPTY=\r\n");
  ClinicSettings settings(folder.path());
  std::vector<std::string> noted;
  UseMethodFixes fixes(FrequencyFixes::Read(settings),
                       [&](const std::string& text) { noted.push_back(text); });

  EXPECT_EQ(fixes.Apply("BID PC"), "BID");
  EXPECT_EQ(fixes.Apply("Q2D"), "Q2D");
  EXPECT_EQ(fixes.Apply("EMPTY"), "EMPTY");
  EXPECT_EQ(fixes.Apply("TID"), "TID");

  fixes.NoteUnreadable("Q2D");
  fixes.NoteUnreadable("weird");
  fixes.NoteUnreadable("WEIRD");
  EXPECT_EQ(noted, std::vector<std::string>{"weird"});
  EXPECT_EQ(fixes.Apply("weird"), "weird");
}

TEST(UseMethodFixes, TheClinicsFixesNoteIntoItsSettings) {
  TempDir folder;
  ClinicSettings settings(folder.path());
  RunFlags flags;
  RecordingStepContext context(flags);
  UseMethodFixes fixes = ClinicUseMethodFixes(settings, context);
  fixes.NoteUnreadable("QOD HS");
  fixes.NoteUnreadable("QOD HS");
  EXPECT_EQ(ReadFileBytes(folder / "data.ini"), "[UseMethodFix]\r\nQOD HS=X\r\n");
  EXPECT_EQ(context.lines(), std::vector<std::string>{"不明使用頻率語法:[QOD HS]"});
}

}  // namespace
}  // namespace zuvo
