#pragma once

// How often each diagnosis code and order code occurs in the visits of the last two years of a
// chart store, the input of the common-item screening.

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "core/roc_date.h"
#include "core/step_context.h"
#include "core/store_location.h"

namespace zuvo {

// Codes (Big5, as the records hold them) with the number of lines that carry them.
using CodeTally = std::map<std::string, long>;

struct CommonItemTallies {
  CodeTally diagnoses;    // ICD-10 code of each diagnosis record
  CodeTally drop_orders;  // order lines whose flags 1 has bit 0x01 ("drop")
  CodeTally oral_orders;  // bit 0x02 without 0x01 ("oral")
  CodeTally other_orders;
  long entries = 0;  // entries counted
};

// Order-line flags 1 bits set from the catalogue class.
inline constexpr int16_t kOrderClassDrop = 0x01;
inline constexpr int16_t kOrderClassOral = 0x02;

// Walks the day index from the day of `now` back to the day after the same moment two calendar
// years earlier (29 February going back to 28 February): every entry of each day's chain, each
// block by its size. A damaged entry adds "chart readerror:" + the patient number of the last
// visit record read to the message list; its blocks before the damage are counted and the walk
// goes on with the previous entry of the day when the entry's header could be read. Throws Error
// when DayLink.Dat cannot be read.
CommonItemTallies CountCommonItems(const StoreLocation& store, DateTime now, StepContext& context);
// The same walk over the days from `through` back to the last day after `after`.
CommonItemTallies CountChartItems(const StoreLocation& store, DateTime after, DateTime through,
                                  StepContext& context);
// The number of lines a tally counted.
long TotalCount(const CodeTally& tally);

// The codes of `tally` from the highest count down, at most `limit` of them. Equal counts keep
// the order of their codes.
std::vector<std::string> RankByCount(const CodeTally& tally, size_t limit);

}  // namespace zuvo
