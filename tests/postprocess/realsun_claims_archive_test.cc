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
    EXPECT_EQ(context.MessageTexts().back(), "10801XML.zip內有不安全的檔名,不解壓縮,本月略過");
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
