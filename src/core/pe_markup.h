#pragma once

// PE markup: physical-exam and laboratory items inside a chart entry's exam text,
// <PE><n>NAME</n><data>VALUE</data></PE>, where VALUE is plain text or a run of nested items (a
// group). Item definitions come from the settings file PE.ini; ParsePEFieldSet reads one.
// All texts are Big5.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace zuvo {

// One item: plain data, or (when `items` is not empty) a group of nested items.
struct PEItem {
  std::string name;
  std::string data;
  std::vector<PEItem> items;
};

// <PE><n>name</n><data>data or the nested items</data></PE>
std::string WritePEItem(const PEItem& item);
// The items one after the other, as an exam text holds them.
std::string WritePEItems(const std::vector<PEItem>& items);

// A parsed item definition of PE.ini.
struct tPEfieldSet {
  std::string n, INSUcode, h1, show, input, unit, nvalue, align, items, data;
  int32_t size = 10;
  int32_t rows = 3;
  std::string help, method;
};

struct PEFieldSetResult {
  tPEfieldSet set;
  bool found = false;
};

// Parses `definition` (tagged values without an enclosing element). With a `field` name, the
// first element of the definition's `fd` run whose `n` equals it (without regard to case)
// overrides the item's values: `n`, `show` and `data` always, the others only when not empty.
// found is false when no such element exists; the item's own values are returned then.
PEFieldSetResult ParsePEFieldSet(std::string_view field, std::string_view definition);

// Windows profile read with a buffer of 6144 characters: the value (or `fallback` when the key
// is missing) cut to 6143 bytes without splitting a character. A key that is blank after
// trimming gives "" without reading the file.
inline constexpr size_t kLongIniBufferChars = 6144;
std::string ReadLongIniString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, std::string_view fallback);

}  // namespace zuvo
