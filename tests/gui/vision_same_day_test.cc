// The Vision window's folder button on a day whose work tree already holds a conversion: it asks,
// Yes replaces the tree, No takes the next free name.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>

#include "demo/demo_clinic.h"
#include "main_window.h"
#include "platform/file_ops.h"
#include "support/folder_files.h"
#include "support/temp_dir.h"
#include "test_application.h"
#include "text_fields.h"
#include "workspace/conversion_guard.h"
#include "workspace/path_text.h"
// GCC's flow analysis sees the optional QString of the scripted folder answers as possibly
// uninitialised once it is inlined here; it is not.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include "scripted_prompts.h"
#pragma GCC diagnostic pop

namespace zuvo::gui {
namespace {

namespace fs = std::filesystem;
using zuvo::testing::FolderFiles;
using zuvo::testing::TempDir;

const DateTime kRunTime = *EncodeDateTime({2026, 12, 1, 10, 0, 0, 0});

TEST(VisionSameDay, FolderButtonAsksBeforeItTouchesAConvertedTree) {
  testing::EnsureApplication();
  TempDir home;
  TempDir source;
  demo::WriteVisionParameterTable(source.path(), {"clinic", "3501200000"});
  RunFlags flags;
  testing::ScriptedPrompts prompts;
  WorkbenchEnvironment environment{home.path(), flags, prompts};
  environment.clock = [] { return kRunTime; };
  TFdataedit window(environment);
  TFVISW& vision = window.vision_window();
  auto choose_folder = [&] {
    prompts.AnswerNextFolder(FromPath(source.path()));
    vision.findChild<QPushButton*>("CVISWselectPath")->click();
    return WithoutTrailingSeparator(ToPath(vision.findChild<QLineEdit*>("CVISWqmxDir")->text()));
  };
  const fs::path clinic = home / "VISW" / "3501200000";
  const fs::path first = clinic / "1151201_1";

  ASSERT_EQ(choose_folder(), first);
  const size_t asked = prompts.messages().size();
  {
    ConversionGuard guard(first, "vision run", SourceSystem::kVision, {}, [] { return kRunTime; });
    guard.Finish(true, {});
  }
  const auto converted = FolderFiles(first);

  prompts.AnswerNextMessage(MessageAnswer::kNo);
  EXPECT_EQ(choose_folder(), clinic / "1151201_1-2");
  ASSERT_EQ(prompts.messages().size(), asked + 1);
  EXPECT_TRUE(prompts.messages().back().startsWith("今天的工作資料夾已有轉檔結果:\n"))
      << prompts.messages().back().toStdString();
  EXPECT_EQ(FolderFiles(first), converted);

  prompts.AnswerNextMessage(MessageAnswer::kYes);
  EXPECT_EQ(choose_folder(), first);
  EXPECT_EQ(prompts.messages().size(), asked + 2);
  EXPECT_FALSE(ReadConversionRecord(first)) << "the replaced tree is made anew";
  EXPECT_TRUE(fs::is_directory(clinic / "1151201_1-2" / "Corvix"));
}

}  // namespace
}  // namespace zuvo::gui
