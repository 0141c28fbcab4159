#include "patients/remark_keywords.h"

#include <gtest/gtest.h>

#include "platform/big5.h"

namespace zuvo {
namespace {

TEST(RemarkKeywords, TablesHaveTheirFullSize) {
  const auto& dictionary = RemarkDictionary();
  ASSERT_EQ(dictionary.size(), 41u);
  size_t keywords = 0;
  for (const DictionaryRow& row : dictionary) {
    keywords += row.keywords.size();
    for (const std::string& keyword : row.keywords) EXPECT_FALSE(keyword.empty());
    if (!row.appended.empty()) {
      EXPECT_EQ(row.appended[0], ',');
    }
  }
  EXPECT_EQ(keywords, 374u);
  EXPECT_EQ(MmediKeywords().size(), 27u);
  EXPECT_EQ(MisnoKeywords().size(), 25u);
  EXPECT_EQ(FinalAllergyWords().size(), 15u);
  EXPECT_EQ(NoteTagWords().size(), 6u);
}

TEST(RemarkKeywords, RowsKeepTheirOrderListAndText) {
  const auto& dictionary = RemarkDictionary();
  // The boundary between history and allergy rows.
  EXPECT_EQ(dictionary[17].list, RemarkList::kHistory);
  EXPECT_EQ(dictionary[18].list, RemarkList::kAllergy);
  EXPECT_EQ(dictionary[18].appended, ",ibuprofen");
  EXPECT_EQ(dictionary[4].appended, ",G-6-P-D Deficiency");
  EXPECT_EQ(dictionary[4].keywords.back(), big5::FromUtf8("蠶豆"));
  EXPECT_EQ(dictionary[5].keywords.back(), big5::FromUtf8("乾燥症"));
  EXPECT_EQ(dictionary[40].keywords.back(), "itching");
  EXPECT_EQ(dictionary[36].keywords[2], big5::FromUtf8("藥"));

  EXPECT_EQ(MmediKeywords()[9].keyword, "\\D=0");
  EXPECT_EQ(MmediKeywords()[9].action, IdentityAction::kAccept);
  EXPECT_EQ(MmediKeywords()[26].keyword, big5::FromUtf8("油症"));
  EXPECT_EQ(MmediKeywords()[26].payment_class, 'D');
  EXPECT_EQ(MisnoKeywords()[10].action, IdentityAction::kRepeatInNotes);
  EXPECT_EQ(MisnoKeywords()[1].payment_class, 'G');
  EXPECT_EQ(NoteTagWords()[4], "pap smear");
}

}  // namespace
}  // namespace zuvo
