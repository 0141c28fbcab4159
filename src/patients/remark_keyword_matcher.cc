#include "patients/remark_keyword_matcher.h"

#include <algorithm>
#include <deque>

namespace zuvo {
namespace {
constexpr uint32_t kRoot = 0;
constexpr uint32_t kNoState = UINT32_MAX;
}  // namespace

KeywordMatcher::KeywordMatcher(const std::vector<Keyword>& keywords) {
  for (const Keyword& keyword : keywords) {
    for (unsigned char byte : keyword.bytes) {
      if (byte_class_[byte] == 0) byte_class_[byte] = static_cast<uint16_t>(class_count_++);
    }
  }

  // The trie of the keywords; missing transitions are kNoState until the links are built.
  next_.assign(class_count_, kNoState);
  lowest_rank_.assign(1, kNoRank);
  for (const Keyword& keyword : keywords) {
    uint32_t state = kRoot;
    for (unsigned char byte : keyword.bytes) {
      uint32_t& target = next_[state * class_count_ + byte_class_[byte]];
      if (target == kNoState) {
        target = static_cast<uint32_t>(lowest_rank_.size());
        lowest_rank_.push_back(kNoRank);
        next_.resize(next_.size() + class_count_, kNoState);
      }
      state = next_[state * class_count_ + byte_class_[byte]];
    }
    lowest_rank_[state] = std::min(lowest_rank_[state], keyword.rank);
  }

  // Breadth first: each state learns the longest proper suffix that is also a trie state, takes
  // over the keywords ending there, and its missing transitions become those of that suffix.
  std::vector<uint32_t> suffix(lowest_rank_.size(), kRoot);
  std::deque<uint32_t> pending;
  for (uint32_t cls = 0; cls < class_count_; ++cls) {
    uint32_t& target = next_[kRoot * class_count_ + cls];
    if (target == kNoState) {
      target = kRoot;
    } else {
      suffix[target] = kRoot;
      lowest_rank_[target] = std::min(lowest_rank_[target], lowest_rank_[kRoot]);
      pending.push_back(target);
    }
  }
  while (!pending.empty()) {
    uint32_t state = pending.front();
    pending.pop_front();
    for (uint32_t cls = 0; cls < class_count_; ++cls) {
      uint32_t& target = next_[state * class_count_ + cls];
      uint32_t via_suffix = next_[suffix[state] * class_count_ + cls];
      if (target == kNoState) {
        target = via_suffix;
      } else {
        suffix[target] = via_suffix;
        lowest_rank_[target] = std::min(lowest_rank_[target], lowest_rank_[via_suffix]);
        pending.push_back(target);
      }
    }
  }
}

std::optional<uint32_t> KeywordMatcher::LowestRankIn(std::string_view text) const {
  uint32_t lowest = lowest_rank_[kRoot];
  uint32_t state = kRoot;
  for (unsigned char byte : text) {
    state = Next(state, byte);
    lowest = std::min(lowest, lowest_rank_[state]);
  }
  if (lowest == kNoRank) return std::nullopt;
  return lowest;
}

}  // namespace zuvo
