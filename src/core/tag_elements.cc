#include "core/tag_elements.h"

#include "platform/big5.h"

namespace zuvo {
namespace {

char FoldCase(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

bool StartsWithIgnoringCase(std::string_view text, size_t at, std::string_view prefix) {
  return at <= text.size() && text.size() - at >= prefix.size() &&
         EqualsIgnoringCase(text.substr(at, prefix.size()), prefix);
}

// 0-based index of "<name>" at or after `from`, npos when absent.
size_t FindOpeningTag(std::string_view text, size_t from, std::string_view opening) {
  for (size_t at = text.find('<', from); at != std::string_view::npos;
       at = text.find('<', at + 1)) {
    if (StartsWithIgnoringCase(text, at, opening)) return at;
  }
  return std::string_view::npos;
}

size_t ReadElements(std::string_view text, size_t start, std::string_view tag,
                    std::vector<std::string>& lines, bool skip_empty) {
  lines.clear();
  if (text.empty()) return 0;
  std::string outer(big5::Trim(tag));
  size_t from = start > 0 ? start - 1 : 0;
  size_t opening_at = FindOpeningTag(text, from, "<" + outer + ">");
  if (opening_at == std::string_view::npos) return 0;
  size_t at = opening_at + outer.size() + 2;
  int depth = 0;
  for (;;) {
    size_t open_bracket = text.find('<', at);
    if (open_bracket == std::string_view::npos) return 0;
    size_t close_bracket = text.find('>', open_bracket + 1);
    if (close_bracket == std::string_view::npos) return 0;
    std::string_view name = text.substr(open_bracket + 1, close_bracket - open_bracket - 1);
    at = close_bracket + 1;
    if (!name.empty() && name.front() == '/') {
      if (EqualsIgnoringCase(name.substr(1), outer)) {
        if (depth == 0) return at + 1;
        --depth;
      }
      continue;  // a stray closing tag of another element
    }
    if (EqualsIgnoringCase(name, outer)) {
      ++depth;
      continue;
    }
    std::string child = skip_empty ? big5::Trim(name) : std::string(name);
    if (skip_empty && !child.empty() && child.back() == '/') continue;
    size_t closing = FindClosingTag(child, text, at + 1);
    if (closing == 0) return 0;
    lines.push_back(child + "=" + std::string(text.substr(at, closing - 1 - at)));
    at = closing - 1 + big5::Trim(child).size() + 3;
  }
}

}  // namespace

size_t FindClosingTag(std::string_view name, std::string_view text, size_t start) {
  std::string trimmed = big5::Trim(name);
  std::string opening = "<" + trimmed + ">";
  std::string closing = "</" + trimmed + ">";
  int depth = 0;
  for (size_t at = text.find('<', start > 0 ? start - 1 : 0); at != std::string_view::npos;
       at = text.find('<', at + 1)) {
    if (StartsWithIgnoringCase(text, at, closing)) {
      if (depth == 0) return at + 1;
      --depth;
    } else if (StartsWithIgnoringCase(text, at, opening)) {
      ++depth;
    }
  }
  return 0;
}

size_t ReadTagElements(std::string_view text, size_t start, std::string_view tag,
                       std::vector<std::string>& lines) {
  return ReadElements(text, start, tag, lines, /*skip_empty=*/false);
}

size_t ReadTagElementsSkipEmpty(std::string_view text, size_t start, std::string_view tag,
                                std::vector<std::string>& lines) {
  return ReadElements(text, start, tag, lines, /*skip_empty=*/true);
}

std::string ElementValue(const std::vector<std::string>& lines, std::string_view name) {
  for (const std::string& line : lines) {
    size_t equals = line.find('=');
    if (equals != std::string::npos &&
        EqualsIgnoringCase(std::string_view(line).substr(0, equals), name)) {
      return line.substr(equals + 1);
    }
  }
  return {};
}

}  // namespace zuvo
