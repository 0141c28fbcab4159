#include "postprocess/common_item_tally.h"

#include <algorithm>
#include <cmath>

#include "core/chart_reader.h"
#include "core/day_index.h"
#include "core/day_number.h"

namespace zuvo {
namespace {

void CountBlock(const ChartBlock& block, CommonItemTallies& tallies) {
  if (block.tag == chart_tag::kDiagnosis && block.payload.size() == kDiagnosisRecordSize) {
    DiagnosisRecord diagnosis;
    diagnosis.Assign(block.payload);
    ++tallies.diagnoses[diagnosis.Get(diagnosis_field::kCode)];
  } else if (block.tag == chart_tag::kOrder && block.payload.size() == kOrderRecordSize) {
    OrderRecord order;
    order.Assign(block.payload);
    int16_t flags = order.Get(order_field::kFlags1);
    std::string code = order.Get(order_field::kInsuranceCode);
    if ((flags & kOrderClassDrop) != 0) {
      ++tallies.drop_orders[code];
    } else if ((flags & kOrderClassOral) != 0) {
      ++tallies.oral_orders[code];
    } else {
      ++tallies.other_orders[code];
    }
  }
}

}  // namespace

CommonItemTallies CountCommonItems(const StoreLocation& store, DateTime now, StepContext& context) {
  return CountChartItems(store, YearsEarlier(now, 2), now, context);
}

long TotalCount(const CodeTally& tally) {
  long total = 0;
  for (const auto& [code, count] : tally) total += count;
  return total;
}

CommonItemTallies CountChartItems(const StoreLocation& store, DateTime after, DateTime through,
                                  StepContext& context) {
  CommonItemTallies tallies;
  DayIndex days = LoadDayIndex(store);
  ChartFileSet files(store);
  int32_t last_patient = 0;
  for (DateTime day = through; day > after; day -= 1) {
    std::optional<int32_t> day_number = DayNumberOf(day);
    if (!day_number) break;
    std::optional<size_t> record = days.RecordOf(*day_number);
    if (!record || *record == 0) continue;
    WalkChain(files, days.record(*record).newest, ChainKind::kDay, EntryDetail::kFull,
              [&](const ChartEntryRead& entry) {
                if (!entry.header) return;
                if (entry.visit) last_patient = entry.visit->Get(visit_field::kPatientNumber);
                ++tallies.entries;
                for (const ChartBlock& block : entry.blocks) CountBlock(block, tallies);
                if (!entry.well_formed) {
                  context.AddLine("chart readerror:" + std::to_string(last_patient));
                }
              });
  }
  return tallies;
}

std::vector<std::string> RankByCount(const CodeTally& tally, size_t limit) {
  std::vector<std::pair<std::string, long>> ranked(tally.begin(), tally.end());
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const auto& a, const auto& b) { return a.second > b.second; });
  std::vector<std::string> codes;
  for (size_t i = 0; i < ranked.size() && i < limit; ++i) codes.push_back(ranked[i].first);
  return codes;
}

}  // namespace zuvo
