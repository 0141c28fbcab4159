// Fuzzes the chart entry reader: input = 1-based offset (2 bytes) and the chart file's bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/binary_file.h"
#include "core/chart_reader.h"
#include "core/day_index.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  int32_t offset = data[0] | data[1] << 8;
  std::string_view file(reinterpret_cast<const char*>(data) + 2, size - 2);
  zuvo::MemoryByteSource source(file);
  for (zuvo::EntryDetail detail : {zuvo::EntryDetail::kFraming, zuvo::EntryDetail::kFull}) {
    zuvo::ChartEntryRead entry = zuvo::ReadChartEntry(source, {0, offset}, detail);
    if (entry.end > file.size()) __builtin_trap();
    if (entry.well_formed && (!entry.header || !entry.visit)) __builtin_trap();
  }
  // The same bytes read as a day index.
  zuvo::DayIndex days = zuvo::DayIndex::Parse(file);
  if (days.size() > 0) days.Get(static_cast<double>(offset) + days.first_day());
  return 0;
}
