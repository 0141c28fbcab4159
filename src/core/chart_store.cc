#include "core/chart_store.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <system_error>

#include "core/chart_reader.h"

namespace zuvo {

std::string ChartFileName(int32_t file_code) {
  unsigned code = static_cast<unsigned>(file_code) & 0xFFFFu;
  char name[32];
  std::snprintf(name, sizeof name, "D000%03u.%03u", code >> 8, code & 0xFFu);
  return name;
}

std::filesystem::path ChartFilePath(const StoreLocation& store, int32_t file_code) {
  return FindWithoutCase(store.ChartFolder(), ChartFileName(file_code));
}

bool ReadChartEntryHead(const StoreLocation& store, int32_t file_code, int32_t offset,
                        ChartHeader& header, VisitRecord& visit, const MessageSink& messages) {
  if (offset == 0) return false;
  std::filesystem::path path = ChartFilePath(store, file_code);
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return false;
  BinaryFile file(path, BinaryFile::Mode::kRead);
  bool have_header = false;
  bool have_visit = false;
  uint64_t at = static_cast<uint64_t>(static_cast<int64_t>(offset) - 1);
  std::string problem;
  // A negative offset names no byte of the file; it reads as damaged.
  if (offset < 0) at = file.size();
  while (!(have_header && have_visit)) {
    std::optional<BlockFrame> frame = ReadBlockFrame(file, at, problem);
    if (!frame) {
      Show(messages, "病歷讀取錯誤" + std::to_string(file_code) + ":" + std::to_string(offset));
      break;
    }
    if (frame->tag == chart_tag::kEnd) break;
    if (frame->tag == chart_tag::kHeader) {
      file.ReadAt(frame->payload, kChartHeaderSize, header.data());
      have_header = true;
    } else if (frame->tag == chart_tag::kVisit) {
      file.ReadAt(frame->payload, kVisitRecordSize, visit.data());
      have_visit = true;
    }
    at = frame->end;
  }
  return have_header && have_visit;
}

int32_t RoundHalfUp(double x) {
  if (std::isnan(x)) return 0;
  double whole = std::trunc(x);
  // The fraction keeps the sign of x, so negative values are always truncated.
  double rounded = x - whole < 0.49999 ? whole : whole + 1;
  if (rounded >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
    return std::numeric_limits<int32_t>::max();
  }
  if (rounded <= static_cast<double>(std::numeric_limits<int32_t>::min())) {
    return std::numeric_limits<int32_t>::min();
  }
  return static_cast<int32_t>(rounded);
}

}  // namespace zuvo
