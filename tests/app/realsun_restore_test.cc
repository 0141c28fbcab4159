#include "app/realsun_restore.h"

#include <gtest/gtest.h>

#include "platform/big5.h"
#include "platform/file_ops.h"
#include "support/folder_files.h"
#include "support/recording_step_context.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using testing::FolderFiles;
using testing::TempDir;

void Write(const fs::path& file, std::string_view bytes) {
  CreateFolders(file.parent_path());
  testing::WriteFileBytes(file, bytes);
}

class RealSunRestoreTest : public ::testing::Test {
 protected:
  RealSunRestoreTest() {
    fields.folder.his = big5::FromUtf8("耀聖");
    fields.folder.clinic_id = "X9";
    fields.folder.work_tree = work_tree / "";
    place.program_folder = dir.path();
    Write(work_tree / "Tolsern" / "X9" / "CHART" / "D000000.000", "charts of a later step");
    Write(work_tree / "Corvix" / "OPD.mdb", "catalogue after the chart step");
    Write(work_tree / "REF.txt", "left by the chart step");
  }

  TempDir dir;
  fs::path clinic = dir / "RS" / "X9";
  fs::path work_tree = clinic / "1151209_2";
  fs::path snapshot = clinic / "InitBak";
  RunFields fields;
  Workplace place;
  RunFlags flags;
  RecordingStepContext context{flags};
};

TEST_F(RealSunRestoreTest, TheWorkTreeBecomesExactlyTheSnapshot) {
  Write(snapshot / "Tolsern" / "X9" / "PtData.000", "patients");
  Write(snapshot / "Corvix" / "OPD.mdb", "catalogue of the first steps");
  Write(snapshot / "PATDB.DBF", "patient table copy");
  ASSERT_EQ(RestoreRealSunWorkTree(fields, place, context), StepResult::kDone);
  EXPECT_EQ(FolderFiles(work_tree), FolderFiles(snapshot));
  EXPECT_EQ(context.MessageTexts(),
            (std::vector<std::string>{"返還完成,可以直接[製作Zuvo病歷檔]"}));
  for (const char* leftover : {"1151209_2.restoring", "1151209_2.replaced", "ZuvoSwitch.journal"}) {
    EXPECT_FALSE(fs::exists(clinic / leftover)) << leftover;
  }
  EXPECT_FALSE(FolderFiles(snapshot).empty()) << "the snapshot stays for the next restore";
}

// Without a snapshot there is nothing to go back to: the work tree stays as it is.
TEST_F(RealSunRestoreTest, WithoutASnapshotTheWorkTreeStays) {
  const auto before = FolderFiles(work_tree);
  EXPECT_EQ(RestoreRealSunWorkTree(fields, place, context), StepResult::kStopped);
  EXPECT_EQ(context.MessageTexts(),
            (std::vector<std::string>{"沒有前二階段資料的備份,不能返還: " + PathToUtf8(snapshot)}));
  EXPECT_EQ(FolderFiles(work_tree), before);

  fields.folder.his = big5::FromUtf8("展望");
  RecordingStepContext other(flags);
  EXPECT_EQ(RestoreRealSunWorkTree(fields, place, other), StepResult::kStopped);
  EXPECT_EQ(other.MessageTexts(), (std::vector<std::string>{"請先選取正確耀聖來源目錄"}));
}

}  // namespace
}  // namespace zuvo
