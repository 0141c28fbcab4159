#pragma once

// Reading chart entries block by block. Every position and length is checked against the file
// before it is read: a damaged entry (unknown tag, a length past the end, a truncated file) is
// reported in the result and the walk stops there; chains are walked with cycle detection.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/binary_file.h"
#include "core/chart_records.h"
#include "core/store_location.h"

namespace zuvo {

// Where one block lies in its file (0-based byte offsets).
struct BlockFrame {
  int16_t tag = 0;
  uint64_t start = 0;    // the tag
  uint64_t payload = 0;  // the record, or a text's bytes after its length
  uint64_t payload_size = 0;
  uint64_t remark = 0;  // an order line's remark text, when remark_size is set
  std::optional<uint64_t> remark_size;
  uint64_t end = 0;  // the byte after the block
};

// Reads the frame of the block at `at`. Empty with `problem` set when the tag is not a chart
// block or the block runs past the end of the source.
std::optional<BlockFrame> ReadBlockFrame(ByteSource& source, uint64_t at, std::string& problem);

// Walks the blocks of the entry at the 1-based `offset` of `source` in file order, calling `block`
// with each block before the end tag until it returns false. False when a block is damaged (an
// unknown tag, a block or text past the end of the source, an offset <= 0 or past the end); true
// at the end tag or when `block` ended the walk.
bool ForEachEntryBlock(ByteSource& source, int32_t offset,
                       const std::function<bool(const BlockFrame&)>& block);

struct ChartBlock {
  int16_t tag = 0;
  uint64_t start = 0;
  std::string payload;  // record bytes or text; empty unless read in full
  std::optional<std::string> remark;
};

enum class EntryDetail {
  kFraming,  // header and visit record, the other blocks' tags and places
  kFull      // every payload and remark as well
};

struct ChartEntryRead {
  ChartPosition position;
  std::optional<ChartHeader> header;
  std::optional<VisitRecord> visit;
  std::vector<ChartBlock> blocks;  // in file order, the end tag left out
  bool well_formed = false;        // header, visit record, known blocks, end tag
  std::string problem;             // why not well formed
  uint64_t end = 0;  // 0-based offset after the last block read whole (the start if none)
};

// Reads the entry at `position` of `file`: a header, a visit record, then blocks 16, 17, 20,
// 21, 24 and 60 in any order, then the end tag; anything else makes it damaged.
ChartEntryRead ReadChartEntry(ByteSource& file, ChartPosition position, EntryDetail detail);

// Walks the entries of a chart file laid end to end from its first byte, as a chain reaches each
// of them: calls `entry` with each entry's 1-based offset and the frames of its blocks before
// the end tag, in file order (the frames are those ForEachEntryBlock meets from that offset).
// True when the last entry ends at the end of the file; false at a damaged block, an entry cut
// off by the end of the file, or an entry beyond the offsets a position can name (the entries
// before it were handed on).
bool ForEachEntryInFile(
    ByteSource& file,
    const std::function<void(int32_t offset, const std::vector<BlockFrame>& blocks)>& entry);

// The chart files of one store, opened on demand (for reading, or for reading and writing in
// place) and closed with the set. At most `max_open` files are open at a time: the one used
// longest ago is closed to make room for another. The folder is listed once, when the first
// file is asked for; a file code the list lacks is looked for by its name, so that a chart file
// an append created since is found.
class ChartFileSet {
 public:
  static constexpr size_t kMaxOpenFiles = 128;
  explicit ChartFileSet(StoreLocation store, BinaryFile::Mode mode = BinaryFile::Mode::kRead,
                        size_t max_open = kMaxOpenFiles)
      : store_(std::move(store)), mode_(mode), max_open_(std::max<size_t>(1, max_open)) {}
  // The file of `file_code`; nullptr when the code is outside 0..65535 or the file is missing.
  // The pointer stays valid until the set closes the file to make room for another. A file let
  // go is closed with Close(), so a failed write throws.
  BinaryFile* Open(int32_t file_code);
  // The store's chart files by file code, as listed (and found since).
  const std::map<int32_t, std::filesystem::path>& Files();
  bool IsOpen(int32_t file_code) const { return open_.contains(file_code); }
  // Closes every open file; throws Error when a file's writes cannot be completed.
  void Close();

 private:
  struct OpenFile {
    std::unique_ptr<BinaryFile> file;
    std::list<int32_t>::iterator use;
  };
  void CloseLeastRecent();
  StoreLocation store_;
  BinaryFile::Mode mode_;
  size_t max_open_;
  std::optional<std::map<int32_t, std::filesystem::path>> paths_;
  std::unordered_map<int32_t, OpenFile> open_;
  std::list<int32_t> uses_;  // the open files' codes, the one used last first
};

enum class ChainKind { kPatient, kDay };

struct ChainWalkResult {
  size_t entries = 0;  // entries visited
  bool clean = true;   // ended at an offset of 0 without a problem
  ChartPosition stopped_at;
  std::string problem;
};

// Walks the chain from `head` through each header's previous-of-patient (or previous-of-day)
// link until an offset <= 0, calling `visit` for each entry read, damaged ones included. Stops at
// a missing file, an offset outside its file, an entry without a readable header, or a position
// met before (a cycle).
ChainWalkResult WalkChain(ChartFileSet& files, ChartPosition head, ChainKind kind,
                          EntryDetail detail,
                          const std::function<void(const ChartEntryRead&)>& visit);

// The previous entry named by `header` for the chain kind.
ChartPosition PreviousInChain(const ChartHeader& header, ChainKind kind);

}  // namespace zuvo
