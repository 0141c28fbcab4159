#include "patients/catalogue_index.h"

#include <gtest/gtest.h>

#include "platform/big5.h"

namespace zuvo {
namespace {

std::string SnameOr(const std::string* sname, std::string_view none = "(none)") {
  return sname ? *sname : std::string(none);
}

TEST(CatalogueIndex, FindsWholeValuesIgnoringLetterCaseFirstRowWins) {
  CatalogueIndex index;
  index.Add({"AMX250", "Amoxil", "A012345100", "oral"});
  index.Add({"amx250", "Second", "a012345100", "oral"});
  index.Add({"PANADOL", "Panadol", "", "oral"});
  EXPECT_EQ(SnameOr(index.SnameByTname("Amx250")), "Amoxil");
  EXPECT_EQ(SnameOr(index.SnameByInsuCode("a012345100")), "Amoxil");
  EXPECT_EQ(SnameOr(index.SnameByTname("AMX")), "(none)");      // no prefix match
  EXPECT_EQ(SnameOr(index.SnameByTname("AMX250 ")), "(none)");  // whole value
  EXPECT_EQ(index.row_count(), 3u);
}

TEST(CatalogueIndex, EmptyValuesNeverMatch) {
  CatalogueIndex index;
  index.Add({"", "Fee", "", "OPD"});
  index.Add({"PANADOL", "Panadol", "", "oral"});
  EXPECT_EQ(index.SnameByTname(""), nullptr);
  EXPECT_EQ(index.SnameByInsuCode(""), nullptr);
  EXPECT_EQ(index.DrugSnameByTname(""), nullptr);
}

TEST(CatalogueIndex, DrugLookUpSkipsRowsOfOtherClasses) {
  CatalogueIndex index;
  index.Add({"X1", "Procedure", "", "OPD"});
  index.Add({"X1", "Cream", "", "topical"});
  index.Add({"X2", "Shot", "", "INJ"});
  index.Add({"X3", "Kit", "", "material"});
  EXPECT_EQ(SnameOr(index.SnameByTname("X1")), "Procedure");
  EXPECT_EQ(SnameOr(index.DrugSnameByTname("x1")), "Cream");
  EXPECT_EQ(SnameOr(index.DrugSnameByTname("X2")), "Shot");
  EXPECT_EQ(index.DrugSnameByTname("X3"), nullptr);
}

TEST(CatalogueIndex, TrailBytesOfDoubleByteCharactersCompareExactly) {
  // 連 is B3 73 and 袖 is B3 53: their trail bytes are "s" and "S".
  const std::string lian = big5::FromUtf8("連");
  const std::string xiu = big5::FromUtf8("袖");
  ASSERT_EQ(lian, "\xB3\x73");
  ASSERT_EQ(xiu, "\xB3\x53");
  CatalogueIndex index;
  index.Add({lian + "a", "first", "", "oral"});
  EXPECT_EQ(SnameOr(index.SnameByTname(lian + "A")), "first");
  EXPECT_EQ(index.SnameByTname(xiu + "a"), nullptr);
  EXPECT_EQ(FoldedTextHash()("abc" + lian), FoldedTextHash()("ABC" + lian));
  EXPECT_FALSE(FoldedTextEqual()(lian, xiu));
  EXPECT_TRUE(FoldedTextEqual()("abc" + lian, "ABC" + lian));
}

TEST(CatalogueIndex, IsFilledFromARowReaderInStoredOrder) {
  std::vector<IndexedCatalogueRow> table = {{"T1", "One", "C1", "oral"},
                                            {"T1", "Two", "C2", "oral"}};
  size_t next = 0;
  CatalogueIndex index = IndexCatalogue([&](IndexedCatalogueRow& row) {
    if (next == table.size()) return false;
    row = table[next++];
    return true;
  });
  EXPECT_EQ(index.row_count(), 2u);
  EXPECT_EQ(SnameOr(index.SnameByTname("T1")), "One");
  EXPECT_EQ(SnameOr(index.SnameByInsuCode("C2")), "Two");
}

}  // namespace
}  // namespace zuvo
