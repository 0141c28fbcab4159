// Archives and claim documents the claim correction must refuse or survive: members that would
// land outside the extraction folder, documents that are cut off or not Big5.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "core/byte_layout.h"
#include "postprocess/claims_fixture.h"
#include "support/folder_files.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using testing::ClaimDocumentXml;
using testing::ClaimTree;
using testing::ClaimXml;
using ::testing::Contains;
using ::testing::ElementsAre;
using testing::I16At;
using testing::VisitAt;

// Runs the test with the process's current folder in an empty folder of its own, which must
// stay empty: archives were once extracted into the current folder.
class CurrentFolder {
 public:
  explicit CurrentFolder(const fs::path& folder) : previous_(fs::current_path()) {
    fs::create_directories(folder);
    fs::current_path(folder);
  }
  ~CurrentFolder() { fs::current_path(previous_); }

 private:
  fs::path previous_;
};

std::string ClaimOf(const std::string& id, const std::string& day) {
  return ClaimXml(
      "01", {{"d3", id}, {"d9", day}, {"d15", "D10"}, {"d27", "3"}, {"d44", "3"}, {"d29", "0001"}});
}

class ClaimArchiveTest : public ::testing::Test, public ClaimTree {
 protected:
  ClaimArchiveTest() {
    AddPatient(1, "A100000001");
    AddPatient(2, "A100000002");
    AddPatient(3, "A100000003");
    visits = WriteVisits(
        {Visit(1, kDay1, "0001", {}), Visit(2, kDay1, "0001", {}), Visit(3, kDay2, "0001", {})});
  }
  bool Corrected(size_t visit) {
    return I16At(ChartBytes(), VisitAt(visits[visit]) + 109) == 0x1043;
  }

  const DateTime kDay1 = *EncodeDateTime({2019, 1, 3, 9, 0, 0, 0});
  const DateTime kDay2 = *EncodeDateTime({2019, 2, 4, 9, 0, 0, 0});
  std::vector<ChartPosition> visits;
};

TEST_F(ClaimArchiveTest, MembersEscapingTheScratchFolderAreRefusedAndTheMonthSkipped) {
  const std::string document =
      ClaimDocumentXml(ClaimOf("A100000001", "1080103") + ClaimOf("A100000003", "1080204"));
  CreateFolders(source / "02");
  for (const char* hostile : {"../../evil.txt", "sub/../../../evil.txt", "/tmp/evil.txt",
                              "C:\\evil.txt", "NUL", "..\\evil.txt"}) {
    SCOPED_TRACE(hostile);
    WriteZipArchive(source / "02" / "10801XML.zip",
                    {{"TOTFA.XML", document}, {hostile, "escaped"}});
    WriteArchive("10802", document);
    context.ClearLines();
    {
      CurrentFolder here(dir / "current");
      ASSERT_EQ(RunStep(), StepResult::kDone);
    }
    EXPECT_THAT(context.lines(), Contains("10801XML.zip內有不安全的檔名,不解壓縮,本月略過"));
    EXPECT_EQ(context.MessageTexts().back(), "下列月份的申報檔無法讀取,病歷沒有用它們修正:10801");
    EXPECT_THAT(input.skipped_months, ElementsAre("10801"));
    // Nothing of either archive outside the work tree: the source folder holds only what the
    // test wrote, the current folder nothing, and no evil.txt anywhere.
    EXPECT_TRUE(testing::FolderFiles(dir / "current").empty());
    for (const auto& [name, digest] : testing::FolderFiles(dir.path())) {
      EXPECT_EQ(name.find("evil"), std::string::npos) << name;
      EXPECT_TRUE(name.starts_with("RS/") || name.starts_with("source/")) << name;
    }
    EXPECT_FALSE(fs::exists("/tmp/evil.txt"));
    EXPECT_FALSE(fs::exists(store.server_data_folder / "INSUdata" / "M10801.XML"));
    EXPECT_TRUE(fs::exists(store.server_data_folder / "INSUdata" / "M10802.XML"));
    EXPECT_FALSE(fs::exists(work_tree / kClaimScratchFolderName));
    EXPECT_TRUE(Corrected(0));  // by the February archive
  }
}

// Months of 10711 to 10802 (mode "之前日期"): an archive that expands beyond the limit, one cut
// off, a file that is no zip archive, then a good one.
TEST_F(ClaimArchiveTest, ArchivesTooLargeCutOffOrNoZipAreSkippedAndTheOtherMonthsCorrected) {
  constexpr unsigned long long kLimit = 64 * 1024;
  input.archive_limit = kLimit;
  input.chart.mode = MakeDateMode::kBefore;
  // The claim of patient 1 followed by a megabyte of blanks: some kilobytes once compressed.
  WriteArchive("10711",
               ClaimDocumentXml(ClaimOf("A100000001", "1080103")) + std::string(1 << 20, ' '));
  const fs::path bomb = source / "02" / "10711XML.zip";
  EXPECT_LT(fs::file_size(bomb), kLimit / 8);
  WriteArchive("10712", ClaimDocumentXml(ClaimOf("A100000002", "1080103")));
  const fs::path cut = source / "02" / "10712XML.zip";
  const std::string whole = testing::ReadFileBytes(cut);
  testing::WriteFileBytes(cut, whole.substr(0, whole.size() / 2));
  testing::WriteFileBytes(source / "02" / "10801XML.zip", "<ddata>no archive</ddata>");
  WriteArchive("10802", ClaimDocumentXml(ClaimOf("A100000003", "1080204")));

  ASSERT_EQ(RunStep(), StepResult::kDone);
  const fs::path scratch = fs::absolute(work_tree / kClaimScratchFolderName).lexically_normal();
  EXPECT_THAT(context.lines(), Contains("10711XML.zip解壓縮後超過65536位元組,本月略過"));
  EXPECT_THAT(
      context.lines(),
      Contains("cannot extract the zip archive " + bomb.string() + " into " + scratch.string() +
               ": member \"TOTFA.XML\": the members expand to more than 65536 bytes"));
  EXPECT_THAT(context.lines(), Contains("10712XML.zip已損壞或不是zip檔,本月略過"));
  EXPECT_THAT(context.lines(), Contains("10801XML.zip已損壞或不是zip檔,本月略過"));
  EXPECT_THAT(input.skipped_months, ElementsAre("10711", "10712", "10801"));
  EXPECT_THAT(context.MessageTexts(),
              ElementsAre("下列月份的申報檔無法讀取,病歷沒有用它們修正:10711,10712,10801"));
  EXPECT_EQ(context.lines().back(), "病歷修正完成");

  EXPECT_FALSE(Corrected(0)) << "the claim inside the archive that was too large";
  EXPECT_FALSE(Corrected(1)) << "the claim inside the cut archive";
  EXPECT_TRUE(Corrected(2));
  // Nothing of the skipped archives stays in the work tree.
  EXPECT_EQ(testing::FolderFiles(store.server_data_folder / "INSUdata").size(), 1u);
  for (const auto& entry : fs::recursive_directory_iterator(work_tree)) {
    EXPECT_EQ(entry.path().string().find("INSUunzip"), std::string::npos) << entry.path();
  }
}

// The limit the step works with unless told otherwise: an archive of exactly 64 MB is read, one
// byte more is skipped.
TEST_F(ClaimArchiveTest, ArchivesAreReadUpToSixtyFourMegabytesAndNoFurther) {
  constexpr size_t kSixtyFourMegabytes = 64u << 20;
  const std::string first = ClaimDocumentXml(ClaimOf("A100000001", "1080103"));
  WriteArchive("10801", first + std::string(kSixtyFourMegabytes - first.size(), ' '));
  const std::string second = ClaimDocumentXml(ClaimOf("A100000002", "1080103"));
  WriteZipArchive(source / "02" / "10802XML.zip",
                  {{"TOTFA.XML", second},
                   {"pad.bin", std::string(kSixtyFourMegabytes - second.size() + 1, '0')}});
  ASSERT_EQ(RunStep(), StepResult::kDone);
  EXPECT_THAT(input.skipped_months, ElementsAre("10802"));
  EXPECT_THAT(context.lines(), Contains("10802XML.zip解壓縮後超過64MB,本月略過"));
  EXPECT_TRUE(Corrected(0));
  EXPECT_FALSE(Corrected(1));
}

TEST_F(ClaimArchiveTest, MalformedDocumentsEndTheirMonthOnly) {
  const std::string first = ClaimOf("A100000001", "1080103");
  const std::string later = ClaimOf("A100000002", "1080103");
  const std::string cut_body =
      "<ddata><dhead><d1>01</d1></dhead><dbody><d3>A100000002</d3><d9>1080103</d9>";
  const std::string cut_element = "<ddata><dhead><d1>01</d1></dhead><dbody><d3>A10000</dbody>";
  const std::string cut_order_line =
      "<ddata><dhead><d1>01</d1></dhead><dbody><d3>A100000002</d3><pdata><p4>X</p4><p1>3"
      "</dbody></ddata>";
  const std::string no_body = "<ddata><dhead><d1>01</d1></dhead></ddata>";
  for (const std::string& broken : {cut_body, cut_element, cut_order_line, no_body}) {
    SCOPED_TRACE(broken);
    ClaimTree tree;
    tree.AddPatient(1, "A100000001");
    tree.AddPatient(2, "A100000002");
    tree.AddPatient(3, "A100000003");
    std::vector<ChartPosition> written = tree.WriteVisits(
        {Visit(1, kDay1, "0001", {}), Visit(2, kDay1, "0001", {}), Visit(3, kDay2, "0001", {})});
    tree.WriteArchive("10801", ClaimDocumentXml(first + broken + later));
    tree.WriteArchive("10802", ClaimDocumentXml(ClaimOf("A100000003", "1080204")));
    ASSERT_EQ(tree.RunStep(), StepResult::kDone);
    EXPECT_THAT(tree.context.MessageTexts(), ElementsAre("10801XML.zip內XML格式錯誤"));
    const std::string chart = tree.ChartBytes();
    EXPECT_EQ(I16At(chart, VisitAt(written[0]) + 109), 0x1043);
    EXPECT_EQ(I16At(chart, VisitAt(written[1]) + 109), kVisitFlagsBase);  // after the fault
    EXPECT_EQ(I16At(chart, VisitAt(written[2]) + 109), 0x1043);           // next month
  }
}

TEST_F(ClaimArchiveTest, BytesThatAreNotBig5AreCarriedAndListedEscaped) {
  // An ID with a lead byte that no trail byte follows, and a d48 ending in a lone lead byte.
  WriteArchive("10801", ClaimDocumentXml(ClaimXml("01", {{"d3",
                                                          "\xA4"
                                                          "0Z"},
                                                         {"d27", "1"},
                                                         {"d44", "1"}}) +
                                         ClaimXml("01", {{"d3", "A100000001"},
                                                         {"d9", "1080103"},
                                                         {"d27", "3"},
                                                         {"d44", "3"},
                                                         {"d29", "0001"},
                                                         {"d48", "AB\xA4"}})));
  ASSERT_EQ(RunStep(), StepResult::kDone);
  EXPECT_THAT(context.lines(), Contains("病人資料庫內找不到ID:\\xA40Z"));
  EXPECT_EQ(ChartBytes().substr(VisitAt(visits[0]) + 244, 4),
            "\x03"
            "AB\xA4");
}

TEST_F(ClaimArchiveTest, AMonthWithoutItsDocumentDoesNotReadTheMonthBefore) {
  WriteArchive("10801", ClaimDocumentXml(ClaimOf("A100000001", "1080103")));
  WriteZipArchive(source / "02" / "10802XML.zip", {{"readme.txt", "no claims"}});
  ASSERT_EQ(RunStep(), StepResult::kDone);
  EXPECT_THAT(context.lines(), Contains("10802XML.zip內沒有TOTFA.XML"));
  EXPECT_FALSE(fs::exists(store.server_data_folder / "INSUdata" / "M10802.XML"));
  EXPECT_TRUE(Corrected(0));
}

}  // namespace
}  // namespace zuvo
