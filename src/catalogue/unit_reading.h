#pragma once

// Reading a unit word typed by the clinic (package unit or dose unit) into a catalogue code.

#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

namespace zuvo {

struct UnitReading {
  int code = 0;
  // Empty when the text is one of the known unit words; otherwise the text as compared (Big5,
  // trimmed, without a trailing full stop), or "空白" when that is empty.
  std::string unrecognised;
};

// The words (UTF-8 literals, Latin letters in any case) that stand for one code.
struct UnitWordGroup {
  int code;
  std::span<const std::string_view> words;
};

// A fixed table of unit words. A text is trimmed and loses one trailing "."; the first group
// holding it (letters compared without regard to case) gives the code. Any other text gets
// `other_code`, and counts as recognised only when it is one of `other_words`.
class UnitWordTable {
 public:
  UnitWordTable(std::span<const UnitWordGroup> groups, int other_code,
                std::span<const std::string_view> other_words);
  UnitReading Read(std::string_view big5_text) const;

 private:
  std::unordered_map<std::string, int> code_of_word_;  // upper-cased Big5 word → code
  int other_code_;
};

}  // namespace zuvo
