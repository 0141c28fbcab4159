#include "patients/remark_keyword_matcher.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace zuvo {
namespace {

// The obvious way: test every keyword with a substring search.
std::optional<uint32_t> LowestRankBySearch(const std::vector<KeywordMatcher::Keyword>& keywords,
                                           std::string_view text) {
  std::optional<uint32_t> lowest;
  for (const auto& keyword : keywords) {
    if (text.find(keyword.bytes) != std::string_view::npos && (!lowest || keyword.rank < *lowest)) {
      lowest = keyword.rank;
    }
  }
  return lowest;
}

TEST(KeywordMatcher, ReportsTheLowestRankAmongKeywordsFoundAnywhere) {
  // Overlapping keywords: "he" ends inside "she" and "hers", and "s" inside all three.
  std::vector<KeywordMatcher::Keyword> keywords = {{"hers", 0}, {"she", 1}, {"he", 2}, {"s", 3}};
  KeywordMatcher matcher(keywords);
  EXPECT_EQ(matcher.LowestRankIn("ushers"), 0u);  // "hers" found through the suffix of "she"
  EXPECT_EQ(matcher.LowestRankIn("ushe"), 1u);
  EXPECT_EQ(matcher.LowestRankIn("the"), 2u);
  EXPECT_EQ(matcher.LowestRankIn("xsx"), 3u);
  EXPECT_EQ(matcher.LowestRankIn("xyz"), std::nullopt);
  EXPECT_EQ(matcher.LowestRankIn(""), std::nullopt);
}

TEST(KeywordMatcher, ComparesBytesCaseSensitivelyAcrossCharacterBoundaries) {
  KeywordMatcher matcher({{"H/T", 0}, {"DM", 1}});
  EXPECT_EQ(matcher.LowestRankIn("h/t"), std::nullopt);
  // 人 is A4 48: its trail byte is an "H", which starts the keyword.
  EXPECT_EQ(matcher.LowestRankIn("\xA4\x48/T"), 0u);
}

TEST(KeywordMatcher, EmptyKeywordOccursEverywhereAndNoKeywordsMatchNothing) {
  EXPECT_EQ(KeywordMatcher({{"", 7}}).LowestRankIn(""), 7u);
  EXPECT_EQ(KeywordMatcher({{"abc", 2}, {"", 7}}).LowestRankIn("xabc"), 2u);
  EXPECT_EQ(KeywordMatcher(std::vector<KeywordMatcher::Keyword>{}).LowestRankIn("x"), std::nullopt);
}

TEST(KeywordMatcher, AgreesWithSubstringSearchOnRandomTexts) {
  // A small alphabet with high bytes makes overlaps and shared prefixes frequent.
  const std::string alphabet = "abAB\xA4\x48\x5C,";
  std::mt19937 random(20240611);
  auto random_text = [&](size_t max_length) {
    std::string text(random() % (max_length + 1), ' ');
    for (char& byte : text) byte = alphabet[random() % alphabet.size()];
    return text;
  };
  for (int round = 0; round < 200; ++round) {
    std::vector<std::string> words;
    for (int i = 0; i < 12; ++i) words.push_back(random_text(4));
    std::vector<KeywordMatcher::Keyword> keywords;
    for (size_t i = 0; i < words.size(); ++i) {
      keywords.push_back({words[i], static_cast<uint32_t>(random() % 6)});
    }
    KeywordMatcher matcher(keywords);
    for (int probe = 0; probe < 50; ++probe) {
      std::string text = random_text(20);
      ASSERT_EQ(matcher.LowestRankIn(text), LowestRankBySearch(keywords, text))
          << "round " << round << " text " << testing::PrintToString(text);
    }
  }
}

}  // namespace
}  // namespace zuvo
