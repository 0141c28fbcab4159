#include "workspace/settings_file_check.h"

#include <set>
#include <sstream>
#include <utility>

#include "platform/big5.h"
#include "platform/error.h"
#include "platform/file_ops.h"
#include "workspace/path_text.h"

namespace zuvo {

namespace fs = std::filesystem;

namespace {

// The file's bytes; empty when there is no such file.
std::optional<std::string> ReadIfPresent(const fs::path& file) {
  std::error_code error;
  if (!fs::exists(file, error)) return std::nullopt;
  return ReadWholeFile(file);
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// Offset of the first single-byte `wanted` (never a trail byte of a Big5 character), or npos.
size_t FindSingleByte(std::string_view text, char wanted) {
  size_t found = std::string::npos;
  big5::ForEachChar(text, [&](std::string_view character, size_t offset) {
    if (found == std::string::npos && character.size() == 1 && character[0] == wanted) {
      found = offset;
    }
  });
  return found;
}

std::string WrongEncodingMessage(const fs::path& file, std::string_view looks_like) {
  return PathToUtf8(file) + " is not Big5 text (" + std::string(looks_like) +
         "); save it in Big5 (code page 950)";
}

}  // namespace

void RequireBig5SettingsFile(const fs::path& file) {
  std::optional<std::string> bytes = ReadIfPresent(file);
  if (!bytes) return;
  if (StartsWith(*bytes, "\xEF\xBB\xBF")) throw Error(WrongEncodingMessage(file, "UTF-8"));
  if (StartsWith(*bytes, "\xFF\xFE") || StartsWith(*bytes, "\xFE\xFF") ||
      bytes->find('\0') != std::string::npos) {
    throw Error(WrongEncodingMessage(file, "UTF-16"));
  }
  if (!big5::TryToUtf8(*bytes)) {
    throw Error(WrongEncodingMessage(file, "a byte sequence does not decode as Big5"));
  }
}

std::vector<std::string> DuplicateKeyWarnings(const fs::path& file) {
  std::optional<std::string> bytes = ReadIfPresent(file);
  std::vector<std::string> warnings;
  if (!bytes) return warnings;
  std::istringstream lines(*bytes);
  std::string section;
  std::set<std::pair<std::string, std::string>> seen;
  std::set<std::pair<std::string, std::string>> reported;
  for (std::string line; std::getline(lines, line);) {
    std::string text = big5::Trim(line);
    if (text.empty() || text[0] == ';') continue;
    if (text[0] == '[') {
      size_t close = FindSingleByte(text, ']');
      section =
          big5::Trim(text.substr(1, close == std::string::npos ? std::string::npos : close - 1));
      continue;
    }
    size_t equals = FindSingleByte(text, '=');
    if (equals == std::string::npos) continue;
    std::string key = big5::Trim(text.substr(0, equals));
    auto id = std::make_pair(big5::LowerAscii(section), big5::LowerAscii(key));
    if (!seen.insert(id).second && reported.insert(id).second) {
      warnings.push_back(PathToUtf8(file.filename()) + " [" + big5::ToUtf8Escaped(section) + "] " +
                         big5::ToUtf8Escaped(key) + " 重複,採用第一個值");
    }
  }
  return warnings;
}

}  // namespace zuvo
