#pragma once

// The patients' names and national IDs where the visits mention them in free text: chart texts,
// exam texts, order remarks (a referral names the patient), findings. Each mention is replaced in
// place by a text of the same byte length, so that no length word, block or chain position of a
// chart file moves.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace zuvo {

class PatientTextScrubber {
 public:
  // Shorter values (a one-character name) would hit ordinary words; they are not looked for.
  static constexpr size_t kMinValueBytes = 4;

  // Looks for `value` (Big5, trimmed by the caller): a mention becomes `replacement` when that
  // has the same byte length, else NeutralMark of the value's length. The first replacement
  // given for a value wins (two patients of one name).
  void AddName(std::string_view value, std::string_view replacement);
  // The same for a national ID, found with its letters in either case. IDs the converters made
  // up ("@" and digits) are no one's and are not looked for.
  void AddNationalId(std::string_view id, std::string_view replacement);

  // Replaces every value that starts on a character boundary of the Big5 `text`, the longest
  // when several start there, and goes on after it. Returns how many it replaced.
  size_t Scrub(char* text, size_t size) const;

  bool empty() const { return replacements_.empty(); }

  // `bytes` bytes of "○" (Big5), with one "*" at the end for an odd count.
  static std::string NeutralMark(size_t bytes);

 private:
  void Add(std::string value, std::string_view replacement);
  // The replacement of the longest value that starts at `at`; nullptr when none does.
  const std::string* ReplacementAt(std::string_view text, size_t at) const;

  std::unordered_map<std::string, std::string> replacements_;
  // The first kMinValueBytes bytes of every value, a quick test before the lengths are tried.
  std::unordered_set<uint32_t> prefixes_;
  std::vector<size_t> lengths_;  // the values' lengths, longest first
};

}  // namespace zuvo
