#pragma once

// Chart entries read back from a chart file by walking its blocks by hand, for checking the
// RealSun conversion at raw byte offsets independently of the chart reader.

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "core/byte_layout.h"

namespace zuvo::testing {

struct RawEntry {
  std::string header, visit, chart_text;
  std::vector<std::string> diagnoses;
  std::vector<std::pair<std::string, std::optional<std::string>>> orders;  // record, remark
  bool has_exam_text = false;
};

inline double F64At(const std::string& bytes, size_t offset) {
  double value;
  std::memcpy(&value, bytes.data() + offset, sizeof value);
  return value;
}
inline float F32At(const std::string& bytes, size_t offset) {
  float value;
  std::memcpy(&value, bytes.data() + offset, sizeof value);
  return value;
}
// A length-prefixed text field.
inline std::string TextAt(const std::string& bytes, size_t offset) {
  return bytes.substr(offset + 1, static_cast<uint8_t>(bytes[offset]));
}

// Every entry of a chart file's bytes, in file order; an unknown tag ends the walk.
inline std::vector<RawEntry> RawEntries(const std::string& file) {
  std::vector<RawEntry> entries;
  size_t at = 0;
  auto take = [&](size_t size) {
    std::string bytes = file.substr(at, size);
    at += size;
    return bytes;
  };
  auto text = [&] {
    const size_t length = static_cast<size_t>(I32At(file, at));
    at += 4;
    return take(length);
  };
  RawEntry entry;
  while (at + 2 <= file.size()) {
    const int16_t tag = I16At(file, at);
    at += 2;
    if (tag == 1) {
      entry = RawEntry{};
      entry.header = take(56);
    } else if (tag == 2) {
      entry.visit = take(292);
    } else if (tag == 21) {
      entry.chart_text = text();
    } else if (tag == 17) {
      entry.diagnoses.push_back(take(364));
    } else if (tag == 24) {
      std::string record = take(272);
      std::optional<std::string> remark;
      if (I16At(record, 142) & 0x0200) remark = text();
      entry.orders.emplace_back(std::move(record), std::move(remark));
    } else if (tag == 20) {
      entry.has_exam_text = true;
      text();
    } else if (tag == 128) {
      entries.push_back(std::move(entry));
    } else {
      break;
    }
  }
  return entries;
}

}  // namespace zuvo::testing
