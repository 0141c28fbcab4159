#pragma once

// Where the claim correction finds the visits a claim names. The chart files are read once,
// front to back, when the first visit is asked for: each whole entry with a header and one visit
// record is kept with its patient-chain link, its card sequence and visit day, and the places of
// its visit record and end tag (some 40 bytes an entry). A patient's chain is then followed in
// memory, once per patient, and its visits are sorted by (visit day, card sequence), so that a
// claim costs a look-up and the reading and writing of the visits it names.
//
// The correction writes visit records and order lines only in fields that are neither the card
// sequence, the visit date-time nor an order line's remark flag, so what the index holds stays
// true while the step writes.

#include <array>
#include <climits>
#include <cstdint>
#include <optional>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "core/chart_reader.h"
#include "core/roc_date.h"

namespace zuvo {

class ClaimVisitIndex {
 public:
  struct Visit {
    ChartPosition entry;
    uint64_t record = 0;  // 0-based offset of its visit record in the entry's file
    uint64_t end = 0;     // 0-based offset of the entry's end tag: the blocks after the record
                          // lie between
  };

  // Reads the files of `files`, which must outlive the index. Visits found stay valid as long as
  // the index.
  explicit ClaimVisitIndex(ChartFileSet& files) : files_(files) {}

  // The visits of the chain from `head` that VisitMatchesClaim(visit, sequence, day) accepts,
  // in the order a walk of the chain meets them (newest first); `patient` names the chain for
  // the next look-ups, which follow it again only when its head has changed. Empty when none
  // matches. nullopt when the chain does not lead through whole entries, each with a header and
  // exactly one visit record, to an offset <= 0 (a damaged entry, a missing chart file, an
  // offset inside an entry or past its file, a cycle), and for a day beyond the 32-bit day
  // numbers (no claim has one): the caller then walks the chain itself, which tells what is
  // wrong with it.
  std::optional<std::vector<Visit>> Find(int32_t patient, ChartPosition head,
                                         std::string_view sequence, DateTime day);

 private:
  // Visit days are kept as whole numbers; a day outside their range is kept as none.
  static constexpr int32_t kNoDay = INT32_MIN;
  struct Entry {
    ChartPosition position;
    ChartPosition previous;  // of the patient chain, from the entry's last header
    int32_t day = kNoDay;    // the visit date-time without its time
    uint32_t record = 0;     // the visit record, from the entry's first byte
    uint32_t end = 0;        // its end tag, from its first byte
    uint32_t last_walk = 0;  // the chain walk that last passed it, for cycles
    std::array<char, 4> sequence{};
    uint8_t sequence_size = 0;
  };
  struct Chain {
    ChartPosition head;
    bool whole = false;
    uint32_t first = 0;  // its entries with a visit day in chain_visits_
    uint32_t count = 0;
  };
  // A visit of a followed chain, with what it is found by; a chain's visits are kept sorted by
  // (day, card), each run of equals in chain order.
  struct ChainVisit {
    int32_t day;
    std::array<char, 4> sequence;
    uint8_t sequence_size;
    uint32_t entry;  // in entries_
  };

  using VisitKey = std::tuple<int32_t, std::string_view>;  // (visit day, card sequence)
  static VisitKey KeyOf(const ChainVisit& visit) {
    return {visit.day, std::string_view(visit.sequence.data(), visit.sequence_size)};
  }
  // The whole day of `date_time`; kNoDay for one that is no number or out of range.
  static int32_t DayOf(double date_time);
  void ReadFiles();
  void KeepEntry(ByteSource& file, ChartPosition position, const std::vector<BlockFrame>& blocks);
  size_t SlotOf(ChartPosition position) const;
  // The entry at `position`, or nullptr when no whole entry begins there.
  Entry* EntryAt(ChartPosition position);
  Chain Follow(ChartPosition head);

  ChartFileSet& files_;
  bool read_ = false;
  std::vector<Entry> entries_;
  // entries_ by position: open addressing, each slot an index + 1 (0 for none).
  std::vector<uint32_t> slots_;
  std::unordered_map<int32_t, Chain> chains_;  // by patient
  std::vector<ChainVisit> chain_visits_;
  uint32_t walks_ = 0;
};

}  // namespace zuvo
