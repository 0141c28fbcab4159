#include "postprocess/realsun_claim_visit_index.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <tuple>

#include "platform/big5.h"

namespace zuvo {
namespace {

// A chart file is read in pieces of this size while its entries are walked.
constexpr size_t kScanWindow = 1 << 20;

template <typename Number>
bool Fits(uint64_t value) {
  return value <= std::numeric_limits<Number>::max();
}

}  // namespace

void ClaimVisitIndex::ReadFiles() {
  read_ = true;
  std::vector<int32_t> codes;
  for (const auto& [code, path] : files_.Files()) codes.push_back(code);
  for (int32_t code : codes) {
    BinaryFile* file = files_.Open(code);
    if (file == nullptr) continue;
    WindowedSource source(*file, kScanWindow);
    // Entries after a damaged block are not kept: chains that reach them are walked by the
    // caller, which reports the damage.
    ForEachEntryInFile(source, [&](int32_t offset, const std::vector<BlockFrame>& blocks) {
      KeepEntry(source, {code, offset}, blocks);
    });
  }
  // At most three slots in four taken.
  slots_.assign(std::bit_ceil(entries_.size() + entries_.size() / 3 + 1), 0);
  for (size_t entry = 0; entry < entries_.size(); ++entry) {
    slots_[SlotOf(entries_[entry].position)] = static_cast<uint32_t>(entry + 1);
  }
}

size_t ClaimVisitIndex::SlotOf(ChartPosition position) const {
  const uint64_t key = uint64_t{static_cast<uint32_t>(position.file_code)} << 32 |
                       static_cast<uint32_t>(position.offset);
  const size_t mask = slots_.size() - 1;
  for (size_t slot = static_cast<size_t>((key * 0x9E3779B97F4A7C15u) >> 32) & mask;;
       slot = (slot + 1) & mask) {
    if (slots_[slot] == 0 || entries_[slots_[slot] - 1].position == position) return slot;
  }
}

void ClaimVisitIndex::KeepEntry(ByteSource& file, ChartPosition position,
                                const std::vector<BlockFrame>& blocks) {
  const uint64_t start = static_cast<uint64_t>(position.offset) - 1;
  const BlockFrame* header = nullptr;
  const BlockFrame* visit = nullptr;
  size_t visits = 0;
  for (const BlockFrame& block : blocks) {
    if (block.tag == chart_tag::kHeader) {
      header = &block;  // the last header gives the link, as a walk reads it
    } else if (block.tag == chart_tag::kVisit) {
      visit = &block;
      ++visits;
    }
  }
  if (header == nullptr || visits != 1 || !Fits<uint32_t>(blocks.back().end - start) ||
      entries_.size() >= UINT32_MAX) {
    return;
  }
  ChartHeader header_record;
  file.ReadAt(header->payload, kChartHeaderSize, header_record.data());
  VisitRecord visit_record;
  file.ReadAt(visit->payload, kVisitRecordSize, visit_record.data());
  Entry entry;
  entry.position = position;
  entry.previous = PreviousInChain(header_record, ChainKind::kPatient);
  entry.record = static_cast<uint32_t>(visit->payload - start);
  entry.end = static_cast<uint32_t>(blocks.back().end - start);
  entry.day = DayOf(visit_record.Get(visit_field::kVisitDateTime));
  const std::string sequence = big5::Trim(visit_record.Get(visit_field::kCardSequence));
  entry.sequence_size = static_cast<uint8_t>(std::min(sequence.size(), entry.sequence.size()));
  std::copy_n(sequence.begin(), entry.sequence_size, entry.sequence.begin());
  entries_.push_back(entry);
}

int32_t ClaimVisitIndex::DayOf(double date_time) {
  const double day = std::floor(date_time);
  return day > INT32_MIN && day <= INT32_MAX ? static_cast<int32_t>(day) : kNoDay;
}

ClaimVisitIndex::Entry* ClaimVisitIndex::EntryAt(ChartPosition position) {
  const uint32_t slot = slots_[SlotOf(position)];
  return slot != 0 ? &entries_[slot - 1] : nullptr;
}

ClaimVisitIndex::Chain ClaimVisitIndex::Follow(ChartPosition head) {
  Chain chain;
  chain.head = head;
  chain.first = static_cast<uint32_t>(chain_visits_.size());
  const uint32_t walk = ++walks_;
  for (ChartPosition position = head; position.offset > 0;) {
    Entry* entry = EntryAt(position);
    if (entry == nullptr || entry->last_walk == walk) {  // no whole entry there, or a cycle
      chain_visits_.resize(chain.first);
      return chain;
    }
    entry->last_walk = walk;
    // A visit whose date-time is no number matches no claim.
    if (entry->day != kNoDay) {
      chain_visits_.push_back({entry->day, entry->sequence, entry->sequence_size,
                               static_cast<uint32_t>(entry - entries_.data())});
    }
    position = entry->previous;
  }
  chain.whole = true;
  chain.count = static_cast<uint32_t>(chain_visits_.size()) - chain.first;
  std::stable_sort(chain_visits_.begin() + chain.first, chain_visits_.end(),
                   [](const ChainVisit& a, const ChainVisit& b) { return KeyOf(a) < KeyOf(b); });
  return chain;
}

std::optional<std::vector<ClaimVisitIndex::Visit>> ClaimVisitIndex::Find(int32_t patient,
                                                                         ChartPosition head,
                                                                         std::string_view sequence,
                                                                         DateTime day) {
  if (!read_) ReadFiles();
  auto known = chains_.find(patient);
  if (known == chains_.end() || known->second.head != head) {
    known = chains_.insert_or_assign(patient, Follow(head)).first;
  }
  const Chain& chain = known->second;
  if (!chain.whole) return std::nullopt;
  std::vector<Visit> visits;
  if (day == 0 || std::isnan(day)) return visits;
  // A day no kept visit can have; no claim's day is one.
  if (DayOf(day) == kNoDay) return std::nullopt;
  const VisitKey wanted{DayOf(day), sequence};
  const auto first = chain_visits_.begin() + chain.first;
  const auto last = first + chain.count;
  const auto from = std::partition_point(
      first, last, [&](const ChainVisit& visit) { return KeyOf(visit) < wanted; });
  const auto to = std::partition_point(
      from, last, [&](const ChainVisit& visit) { return !(wanted < KeyOf(visit)); });
  for (auto visit = from; visit != to; ++visit) {
    const Entry& entry = entries_[visit->entry];
    const uint64_t start = static_cast<uint64_t>(entry.position.offset) - 1;
    visits.push_back({entry.position, start + entry.record, start + entry.end});
  }
  return visits;
}

}  // namespace zuvo
