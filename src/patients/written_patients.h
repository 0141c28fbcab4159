#pragma once

// What a patient conversion remembers of the rows it has written: each chart number with the
// national ID stored for it, and each ID with the chart number it went to, so that a later row
// with the same chart number or the same ID is recognised in constant time. IDs compare without
// regard to the case of single-byte letters.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "patients/catalogue_index.h"

namespace zuvo {

// IDs shorter than this are replaced by a serial "@" ID and never count as duplicates.
inline constexpr size_t kShortestNationalId = 9;

class WrittenPatients {
 public:
  // The ID stored with `chart_number`; nullptr when that number was not written.
  const std::string* IdOfChartNumber(int32_t chart_number) const;
  // The chart number an equal ID was written with; 0 when none was.
  int32_t ChartNumberOfId(std::string_view national_id) const;
  // "@" and the next serial number in nine digits: "@000000001", "@000000002", ...
  std::string NextSerialId();
  void Remember(int32_t chart_number, const std::string& national_id);
  // A row whose ID was cut to fit the record: later rows are compared with the whole ID.
  void Remember(int32_t chart_number, const std::string& stored_id, const std::string& whole_id);

 private:
  std::unordered_map<int32_t, std::string> ids_by_chart_number_;
  std::unordered_map<std::string, int32_t, FoldedTextHash, FoldedTextEqual> chart_numbers_by_id_;
  uint32_t last_serial_ = 0;
};

}  // namespace zuvo
