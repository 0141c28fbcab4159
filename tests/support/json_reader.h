#pragma once

// A small JSON reader for tests that read back what a command printed with --json. Throws
// std::runtime_error at the first byte that is not JSON.

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace zuvo::testing {

struct JsonValue {
  enum class Kind { kNull, kBool, kNumber, kText, kArray, kObject } kind = Kind::kNull;
  bool boolean = false;
  double number = 0;
  std::string text;  // UTF-8
  std::vector<JsonValue> elements;
  std::map<std::string, JsonValue> members;

  // The member `name`; a null value when there is none.
  const JsonValue& operator[](const std::string& name) const;
};

// Reads one JSON value filling the whole of `text` (blanks around it allowed).
JsonValue ReadJson(std::string_view text);

}  // namespace zuvo::testing
