// Fuzzes the markup readers: input = start position byte, tag name, 0x00, text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/pe_markup.h"
#include "core/tag_elements.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  size_t start = data[0];
  size_t split = input.find('\0');
  std::string_view tag = split == std::string_view::npos ? "PE" : input.substr(0, split);
  std::string_view text = split == std::string_view::npos ? input : input.substr(split + 1);
  std::vector<std::string> lines;
  size_t end = zuvo::ReadTagElements(text, start, tag, lines);
  if (end > text.size() + 1) __builtin_trap();
  end = zuvo::ReadTagElementsSkipEmpty(text, start, tag, lines);
  if (end > text.size() + 1) __builtin_trap();
  size_t closing = zuvo::FindClosingTag(tag, text, start);
  if (closing > text.size()) __builtin_trap();
  zuvo::ParsePEFieldSet(tag, text);
  return 0;
}
