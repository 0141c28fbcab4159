#include "core/chart_entry.h"

#include <limits>

#include "platform/big5.h"
#include "platform/error.h"

namespace zuvo {
namespace {

void AppendTag(int16_t tag, std::string& out) {
  char bytes[kTagSize];
  StoreI16(bytes, tag);
  out.append(bytes, kTagSize);
}

void AppendLengthPrefixed(std::string_view text, std::string& out) {
  if (text.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    throw Error("a chart text of " + std::to_string(text.size()) + " bytes is too long to store");
  }
  out += I32Bytes(static_cast<int32_t>(text.size()));
  out.append(text);
}

}  // namespace

void FillHeaderConstants(ChartHeader& header, const VisitRecord& visit) {
  using namespace header_field;
  header.Set(kSignature, big5::Literal(kChartSignatureUtf8));
  header.Set(kPatientNumber, visit.Get(visit_field::kPatientNumber));
  header.Set(kVisitDateTime, visit.Get(visit_field::kVisitDateTime));
  header.Set(kReserved40, 0);
  header.Set(kZeroZero, "00");
  header.Set(kReserveText, "reserveXXX");
}

void AppendBlock(int16_t tag, std::string_view payload, std::string& out) {
  AppendTag(tag, out);
  out.append(payload);
}

void AppendTextBlock(int16_t tag, std::string_view text, std::string& out) {
  AppendTag(tag, out);
  AppendLengthPrefixed(text, out);
}

void EncodeChartEntry(const ChartEntry& entry, std::string& out) {
  AppendBlock(chart_tag::kHeader, entry.header.view(), out);
  AppendBlock(chart_tag::kVisit, entry.visit.view(), out);
  AppendTextBlock(chart_tag::kChartText, entry.chart_text, out);
  for (const DiagnosisRecord& diagnosis : entry.diagnoses) {
    AppendBlock(chart_tag::kDiagnosis, diagnosis.view(), out);
  }
  for (const OrderLine& line : entry.orders) {
    OrderRecord record = line.record;
    int16_t flags = record.Get(order_field::kFlags1);
    flags = line.remark ? static_cast<int16_t>(flags | kOrderFlagHasRemark)
                        : static_cast<int16_t>(flags & ~kOrderFlagHasRemark);
    record.Set(order_field::kFlags1, flags);
    AppendBlock(chart_tag::kOrder, record.view(), out);
    if (line.remark) AppendLengthPrefixed(*line.remark, out);
  }
  if (!entry.exam_text.empty()) AppendTextBlock(chart_tag::kExamText, entry.exam_text, out);
  AppendTag(chart_tag::kEnd, out);
}

}  // namespace zuvo
