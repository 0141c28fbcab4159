#include "maintenance/merged_entry.h"

#include "core/chart_entry.h"
#include "core/day_number.h"
#include "maintenance/finding_text.h"

namespace zuvo {

std::optional<MergedEntry> TakeRecentEntry(const ChartEntryRead& read) {
  if (!read.well_formed || !read.header || !read.visit) return std::nullopt;
  // The day index can file only an entry whose visit lies on a calendar day.
  std::optional<int32_t> day = DayNumberOf(read.visit->Get(visit_field::kVisitDateTime));
  if (!day || *day <= 0) return std::nullopt;
  MergedEntry entry;
  entry.header = *read.header;
  entry.visit = *read.visit;
  // Findings follow the chart text, wherever their blocks stand, so that none is lost to a
  // chart text block that comes after them.
  std::string findings;
  for (const ChartBlock& block : read.blocks) {
    switch (block.tag) {
      case chart_tag::kChartText:
        entry.text = block.payload;
        break;
      case chart_tag::kFinding: {
        FindingRecord finding;
        finding.Assign(block.payload);
        findings += ',';
        findings += FindingText(finding);
        break;
      }
      case chart_tag::kExamText:
      case chart_tag::kOtherText:
        AppendTextBlock(block.tag, block.payload, entry.texts);
        break;
      case chart_tag::kDiagnosis:
        AppendBlock(block.tag, block.payload, entry.records);
        break;
      case chart_tag::kOrder:
        AppendBlock(block.tag, block.payload, entry.records);
        // The record's flag says that its remark follows; the reader took both together.
        if (block.remark) {
          entry.records += I32Bytes(static_cast<int32_t>(block.remark->size()));
          entry.records += *block.remark;
        }
        break;
      default:  // header and visit record, taken above
        break;
    }
  }
  entry.text += entry.text.empty() && !findings.empty() ? findings.substr(1) : findings;
  return entry;
}

void EncodeMergedEntry(const MergedEntry& entry, std::string& out) {
  AppendBlock(chart_tag::kHeader, entry.header.view(), out);
  AppendBlock(chart_tag::kVisit, entry.visit.view(), out);
  // Unlike a converter, the merge writes a chart text block only for an entry that has text.
  if (!entry.text.empty()) AppendTextBlock(chart_tag::kChartText, entry.text, out);
  out += entry.texts;
  out += entry.records;
  AppendBlock(chart_tag::kEnd, {}, out);
}

}  // namespace zuvo
