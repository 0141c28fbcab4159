#pragma once

// One visit as the chart converters assemble it, and its byte form in a chart file.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/chart_records.h"

namespace zuvo {

struct OrderLine {
  OrderRecord record;
  // Written after the record when present (also when empty); the record's remark flag is set
  // or cleared to match when the entry is encoded.
  std::optional<std::string> remark;
};

struct ChartEntry {
  // The chart store's writer fills the signature, patient number, visit date, the two chain
  // links and the constant fields; whatever else the header holds is written as it stands.
  ChartHeader header;
  VisitRecord visit;
  std::string chart_text;  // tag 21: always written, also when empty
  std::vector<DiagnosisRecord> diagnoses;
  std::vector<OrderLine> orders;
  std::string exam_text;  // tag 20: written only when not empty
};

// Fills the header's constant parts: signature, patient number and visit date-time from the
// visit record, 0 at 40, "00" and "reserveXXX".
void FillHeaderConstants(ChartHeader& header, const VisitRecord& visit);

// Appends the entry's blocks in the order 1, 2, 21, 17..., 24... (each with its remark), 20 when
// the exam text is not empty, 128. Throws Error for a text longer than an int32 length can say.
void EncodeChartEntry(const ChartEntry& entry, std::string& out);

// Appends one block: the tag and the payload as given.
void AppendBlock(int16_t tag, std::string_view payload, std::string& out);
// Appends a text block (tag, int32 length, bytes).
void AppendTextBlock(int16_t tag, std::string_view text, std::string& out);

}  // namespace zuvo
