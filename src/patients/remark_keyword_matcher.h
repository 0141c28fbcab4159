#pragma once

// Finds, in one pass over a text, which of many keywords occur in it. Remark analysis asks "which
// row of this ordered table is the first with a keyword contained in the phrase"; testing every
// keyword with a substring search costs (keywords x phrase length) per phrase, while this
// automaton (Aho-Corasick over bytes) costs one table step per byte of the phrase, whatever the
// number of keywords.
//
// Matching is on bytes, case-sensitive, and finds a keyword anywhere in the text, also where it
// starts or ends inside a double-byte character.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace zuvo {

class KeywordMatcher {
 public:
  struct Keyword {
    std::string_view bytes;
    uint32_t rank = 0;  // usually the keyword's row in its table
  };

  // The keywords' bytes are copied into the automaton; the views need not outlive the call.
  // An empty keyword occurs in every text.
  explicit KeywordMatcher(const std::vector<Keyword>& keywords);

  // The lowest rank among the keywords that occur in `text`; empty when none does.
  std::optional<uint32_t> LowestRankIn(std::string_view text) const;

 private:
  static constexpr uint32_t kNoRank = UINT32_MAX;

  uint32_t Next(uint32_t state, unsigned char byte) const {
    return next_[state * class_count_ + byte_class_[byte]];
  }

  // Bytes that occur in no keyword share class 0, which keeps the transition table small.
  std::array<uint16_t, 256> byte_class_{};
  uint32_t class_count_ = 1;
  std::vector<uint32_t> next_;         // state * class_count_ + class -> state
  std::vector<uint32_t> lowest_rank_;  // per state: lowest rank of a keyword ending there
};

}  // namespace zuvo
