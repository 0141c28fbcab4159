#pragma once

// A chart entry of the recent set as the merge carries it into the merged store. The chart text
// and the findings become one chart text (findings rendered by FindingText, each after a ","),
// the exam and other texts and the diagnosis and order blocks are kept in their order, the
// header and visit record unchanged but for the header's chain links, which the merged store
// sets when it appends the entry.

#include <optional>
#include <string>

#include "core/chart_reader.h"
#include "core/chart_records.h"

namespace zuvo {

struct MergedEntry {
  ChartHeader header;
  VisitRecord visit;
  std::string text;     // tag 21
  std::string texts;    // the tag 20 and 60 blocks, encoded, in their order
  std::string records;  // the tag 17 and 24 blocks (with remarks), encoded, in their order
};

// The entry as the merge writes it; empty for an entry that is not well formed (read with
// EntryDetail::kFull) or whose visit record has no visit date.
std::optional<MergedEntry> TakeRecentEntry(const ChartEntryRead& read);

// Appends the entry's blocks: 1, 2, 21 (only when the text is not empty), the kept texts, the
// diagnosis and order blocks, 128.
void EncodeMergedEntry(const MergedEntry& entry, std::string& out);

}  // namespace zuvo
