#include "core/tag_elements.h"

#include <gtest/gtest.h>

#include "core/pe_markup.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

using Lines = std::vector<std::string>;

TEST(TagElements, ReadsChildrenAndReturnsThePositionAfterTheElement) {
  Lines lines;
  std::string text = "x<CC><name>cough</name></CC>y";
  EXPECT_EQ(ReadTagElements(text, 1, "CC", lines), 29u);
  EXPECT_EQ(lines, Lines{"name=cough"});
  // Case-insensitive names, raw inner text with nested elements of the child's own name.
  text = "<pe><n>G</n><DATA><PE><n>A</n><data>1</data></PE></data></Pe>";
  EXPECT_EQ(ReadTagElements(text, 1, "PE", lines), text.size() + 1);
  EXPECT_EQ(lines, (Lines{"n=G", "DATA=<PE><n>A</n><data>1</data></PE>"}));
  // Searching from a later position finds the next element.
  text = "<P><a>1</a></P><P><a>2</a></P>";
  size_t next = ReadTagElements(text, 1, "P", lines);
  EXPECT_EQ(ReadTagElements(text, next, "P", lines), text.size() + 1);
  EXPECT_EQ(lines, Lines{"a=2"});
}

TEST(TagElements, ReportsMissingAndUnclosedElements) {
  Lines lines{"stale"};
  EXPECT_EQ(ReadTagElements("", 1, "CC", lines), 0u);
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(ReadTagElements("<CC><name>x</CC>", 1, "CC", lines), 0u);
  EXPECT_EQ(ReadTagElements("<CC><name>x</name>", 1, "CC", lines), 0u);
  EXPECT_EQ(ReadTagElements("<C><name>x</name></C>", 1, "CC", lines), 0u);
  EXPECT_EQ(ReadTagElements("<CC><name>x</name></CC>", 2, "CC", lines), 0u);
  EXPECT_EQ(ReadTagElements("<CC><name", 1, "CC", lines), 0u);
  EXPECT_EQ(ReadTagElements("<CC>", 99, "CC", lines), 0u);
}

TEST(TagElements, SkipEmptyTrimsNamesAndLeavesOutSelfClosingChildren) {
  Lines lines;
  std::string text = "<CC>< name ><br/>x</name><br/></CC>";
  EXPECT_NE(ReadTagElementsSkipEmpty(text, 1, "CC", lines), 0u);
  EXPECT_EQ(lines, Lines{"name=<br/>x"});
  EXPECT_EQ(ReadTagElements(text, 1, "CC", lines), 0u);  // "<br/>" has no closing tag
}

TEST(TagElements, FindClosingTagBalancesNestedElements) {
  std::string text = "<a><a></a></A>";
  EXPECT_EQ(FindClosingTag(" a ", text, 4), 11u);
  EXPECT_EQ(FindClosingTag("a", text, 7), 7u);
  EXPECT_EQ(FindClosingTag("a", text, 8), 11u);
  EXPECT_EQ(FindClosingTag("b", text, 1), 0u);
}

TEST(PEMarkup, WritesItemsAndNestedGroups) {
  PEItem group{"LIPID", "", {{"HDL", "45", {}}, {"LDL", "120", {}}}};
  EXPECT_EQ(WritePEItems({{"BP", "120/80", {}}, group}),
            "<PE><n>BP</n><data>120/80</data></PE>"
            "<PE><n>LIPID</n><data><PE><n>HDL</n><data>45</data></PE>"
            "<PE><n>LDL</n><data>120</data></PE></data></PE>");
  Lines lines;
  std::string text = WritePEItem(group);
  EXPECT_EQ(ReadTagElements(text, 1, "PE", lines), text.size() + 1);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "data=" + WritePEItems(group.items));
}

TEST(PEMarkup, ParsesADefinitionWithDefaults) {
  PEFieldSetResult result = ParsePEFieldSet("",
                                            "<n>BP</n><INSUcode> 09001C , x</INSUcode>"
                                            "<show>血壓</show><size>abc</size>");
  EXPECT_TRUE(result.found);
  EXPECT_EQ(result.set.n, "BP");
  EXPECT_EQ(result.set.INSUcode, " 09001C , x");
  EXPECT_EQ(result.set.size, 10);
  EXPECT_EQ(result.set.rows, 3);
  result = ParsePEFieldSet("", "<size>25</size><rows>7</rows>");
  EXPECT_EQ(result.set.size, 25);
  EXPECT_EQ(result.set.rows, 7);
}

TEST(PEMarkup, AFieldOverridesTheItemWhereItHasValues) {
  std::string definition =
      "<n>LIPID</n><show>Lipids</show><unit>mg/dL</unit><size>8</size><data>d</data>"
      "<fd><PE><n>ldl</n><show>LDL</show></PE>"
      "<PE><n>hdl</n><show></show><unit></unit><rows>5</rows><input>petext</input></PE></fd>";
  PEFieldSetResult result = ParsePEFieldSet("HDL", definition);
  EXPECT_TRUE(result.found);
  EXPECT_EQ(result.set.n, "hdl");
  EXPECT_EQ(result.set.show, "");       // always taken, also when empty
  EXPECT_EQ(result.set.data, "");       // likewise
  EXPECT_EQ(result.set.unit, "mg/dL");  // empty in the field: the item's unit stays
  EXPECT_EQ(result.set.size, 8);
  EXPECT_EQ(result.set.rows, 5);
  EXPECT_EQ(result.set.input, "petext");

  result = ParsePEFieldSet("TG", definition);
  EXPECT_FALSE(result.found);
  EXPECT_EQ(result.set.n, "LIPID");
  EXPECT_EQ(result.set.show, "Lipids");
}

TEST(PEMarkup, LongIniValuesAreCutToTheBufferAndBlankKeysReadNothing) {
  testing::TempDir dir;
  // 6142 'a' and one double-byte character (A4 40) would need 6144 bytes: the character goes.
  std::string value(6142, 'a');
  value += "\xA4\x40";
  testing::WriteFileBytes(dir / "PE.ini", "[PE]\r\nBP=" + value + "\r\nHR=<n>HR</n>\r\n");
  EXPECT_EQ(ReadLongIniString(dir / "PE.ini", "pe", "BP", ""), std::string(6142, 'a'));
  EXPECT_EQ(ReadLongIniString(dir / "PE.ini", "PE", "hr", ""), "<n>HR</n>");
  EXPECT_EQ(ReadLongIniString(dir / "PE.ini", "PE", "XX", "none"), "none");
  // A folder where the file should be cannot be read; a blank key does not try.
  EXPECT_EQ(ReadLongIniString(dir.path(), "PE", "  ", "fallback"), "");
}

}  // namespace
}  // namespace zuvo
