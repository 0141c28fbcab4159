// A source table whose file holds fewer records than its header states was cut short: the steps
// refuse it, naming the file in the source folder and both counts.
#include <gtest/gtest.h>

#include "demo/demo_clinic.h"
#include "platform/dbf_writer.h"
#include "platform/error.h"
#include "platform/file_ops.h"
#include "support/recording_step_context.h"
#include "support/temp_dir.h"
#include "workspace/path_text.h"
#include "workspace/source_table.h"
#include "workspace/vision_selection.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

// 32 + 32 + 1 header bytes; a record is the deletion flag and a C(6) field.
constexpr size_t kHeaderLength = 65;
constexpr size_t kRecordLength = 7;

// The error message of `open`, or "opened".
template <typename Open>
std::string ErrorOf(Open open) {
  try {
    open();
    return "opened";
  } catch (const Error& error) {
    return error.what();
  }
}

TEST(ShortSourceTable, IsRefusedNamingTheSourceFileAndBothCounts) {
  TempDir dir;
  const fs::path source = dir / "source";
  const fs::path work_tree = dir / "program" / "VISW" / "3501" / "1151209_1";
  CreateFolders(source);
  CreateFolders(work_tree);
  {
    DbfWriter writer(source / "co01m.dbf", {{"KCSTMR", 'C', 6}});
    for (int record = 1; record <= 224; ++record) writer.Append({std::to_string(record)});
    writer.Close();
  }
  std::string bytes = ReadFileBytes(source / "co01m.dbf");
  ASSERT_EQ(bytes.size(), kHeaderLength + 224 * kRecordLength + 1);
  WriteFileBytes(source / "co01m.dbf", bytes.substr(0, kHeaderLength + 100 * kRecordLength));
  RunFlags flags;
  RecordingStepContext context(flags);
  const std::string refused =
      PathToUtf8(source / "co01m.dbf") + ": 資料表不完整,表頭宣告 224 筆,檔案只有 100 筆";
  EXPECT_EQ(ErrorOf([&] { SourceTable::Open(source, "CO01M.DBF", work_tree, context); }), refused);
  EXPECT_EQ(ErrorOf([&] { SourceTable::OpenIfPresent(source, "CO01M.DBF", work_tree, context); }),
            refused);
  // Cut inside record 101: that record is missing too.
  WriteFileBytes(source / "co01m.dbf", bytes.substr(0, kHeaderLength + 100 * kRecordLength + 3));
  EXPECT_EQ(ErrorOf([&] { SourceTable::Open(source, "CO01M.DBF", work_tree, context); }), refused);
  EXPECT_TRUE(context.lines().empty());

  // The folder choice reads VISPARA.DBF in place and refuses it cut short the same way.
  const fs::path vision = dir / "visw";
  CreateFolders(vision);
  demo::WriteVisionParameterTable(vision, {"clinic", "3501200000"});
  const std::string parameters = ReadFileBytes(vision / "VISPARA.DBF");
  const size_t header_length =
      static_cast<unsigned char>(parameters[8]) + 256 * static_cast<unsigned char>(parameters[9]);
  WriteFileBytes(vision / "VISPARA.DBF", parameters.substr(0, header_length));
  ClinicFolderFields fields;
  context.AnswerNextFolder(vision);
  EXPECT_EQ(
      ErrorOf([&] {
        SelectVisionFolder(fields, {dir / "program", *EncodeDate(2026, 12, 9), {}, Now}, context);
      }),
      PathToUtf8(vision / "VISPARA.DBF") + ": 資料表不完整,表頭宣告 1 筆,檔案只有 0 筆");
  EXPECT_FALSE(fs::exists(dir / "program" / "VISW" / "3501200000"));
}

}  // namespace
}  // namespace zuvo
