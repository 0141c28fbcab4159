#include "core/chart_reader.h"

#include <limits>
#include <set>
#include <system_error>

#include "core/chart_store.h"

namespace zuvo {
namespace {

std::string At(uint64_t offset) { return " at byte " + std::to_string(offset); }

// Reads an int32 text length at `at`; empty with `problem` set when it is negative or the text
// runs past the end.
std::optional<uint64_t> ReadTextLength(ByteSource& source, uint64_t at, std::string& problem) {
  if (source.size() < kTextLengthSize || at > source.size() - kTextLengthSize) {
    problem = "text length" + At(at) + " lies past the end of the file";
    return std::nullopt;
  }
  char bytes[kTextLengthSize];
  source.ReadAt(at, kTextLengthSize, bytes);
  int32_t length = LoadI32(bytes);
  if (length < 0) {
    problem = "negative text length " + std::to_string(length) + At(at);
    return std::nullopt;
  }
  if (static_cast<uint64_t>(length) > source.size() - at - kTextLengthSize) {
    problem = "text length " + std::to_string(length) + At(at) + " runs past the end of the file";
    return std::nullopt;
  }
  return static_cast<uint64_t>(length);
}

bool AllowedInBody(int16_t tag) {
  switch (tag) {
    case chart_tag::kFinding:
    case chart_tag::kDiagnosis:
    case chart_tag::kExamText:
    case chart_tag::kChartText:
    case chart_tag::kOrder:
    case chart_tag::kOtherText:
      return true;
    default:
      return false;
  }
}

}  // namespace

std::optional<BlockFrame> ReadBlockFrame(ByteSource& source, uint64_t at, std::string& problem) {
  if (source.size() < kTagSize || at > source.size() - kTagSize) {
    problem = "block" + At(at) + " lies past the end of the file";
    return std::nullopt;
  }
  BlockFrame frame;
  frame.start = at;
  char tag_bytes[kTagSize];
  source.ReadAt(at, kTagSize, tag_bytes);
  frame.tag = LoadI16(tag_bytes);
  frame.payload = at + kTagSize;
  if (IsTextTag(frame.tag)) {
    std::optional<uint64_t> length = ReadTextLength(source, frame.payload, problem);
    if (!length) return std::nullopt;
    frame.payload += kTextLengthSize;
    frame.payload_size = *length;
    frame.end = frame.payload + *length;
    return frame;
  }
  int fixed = FixedPayloadSize(frame.tag);
  if (fixed < 0) {
    problem = "unknown tag " + std::to_string(frame.tag) + At(at);
    return std::nullopt;
  }
  frame.payload_size = static_cast<uint64_t>(fixed);
  if (frame.payload_size > source.size() - frame.payload) {
    problem =
        "block of tag " + std::to_string(frame.tag) + At(at) + " runs past the end of the file";
    return std::nullopt;
  }
  frame.end = frame.payload + frame.payload_size;
  if (frame.tag == chart_tag::kOrder) {
    char flags[2];
    source.ReadAt(frame.payload + order_field::kFlags1.offset, 2, flags);
    if (LoadI16(flags) & kOrderFlagHasRemark) {
      std::optional<uint64_t> length = ReadTextLength(source, frame.end, problem);
      if (!length) {
        problem = "order remark: " + problem;
        return std::nullopt;
      }
      frame.remark = frame.end + kTextLengthSize;
      frame.remark_size = *length;
      frame.end = frame.remark + *length;
    }
  }
  return frame;
}

bool ForEachEntryBlock(ByteSource& source, int32_t offset,
                       const std::function<bool(const BlockFrame&)>& block) {
  // An offset <= 0 names no byte of the file; it reads as damaged.
  uint64_t at = offset > 0 ? static_cast<uint64_t>(offset) - 1 : source.size();
  std::string problem;
  for (;;) {
    std::optional<BlockFrame> frame = ReadBlockFrame(source, at, problem);
    if (!frame) return false;
    if (frame->tag == chart_tag::kEnd || !block(*frame)) return true;
    at = frame->end;
  }
}

ChartEntryRead ReadChartEntry(ByteSource& file, ChartPosition position, EntryDetail detail) {
  ChartEntryRead entry;
  entry.position = position;
  if (position.offset <= 0) {
    entry.problem = "offset " + std::to_string(position.offset) + " names no entry";
    return entry;
  }
  uint64_t at = static_cast<uint64_t>(position.offset) - 1;
  if (at >= file.size()) {
    entry.problem = "offset " + std::to_string(position.offset) + " lies past the end of " +
                    file.name() + " (" + std::to_string(file.size()) + " bytes)";
    return entry;
  }
  entry.end = at;
  for (size_t index = 0;; ++index) {
    std::optional<BlockFrame> frame = ReadBlockFrame(file, at, entry.problem);
    if (!frame) return entry;
    int16_t expected = index == 0 ? chart_tag::kHeader : index == 1 ? chart_tag::kVisit : 0;
    bool allowed = expected != 0 ? frame->tag == expected
                                 : frame->tag == chart_tag::kEnd || AllowedInBody(frame->tag);
    if (!allowed) {
      entry.problem = "tag " + std::to_string(frame->tag) + At(at) +
                      (expected == chart_tag::kHeader  ? " where the header should begin"
                       : expected == chart_tag::kVisit ? " where the visit record should follow"
                                                       : " does not belong in an entry");
      return entry;
    }
    entry.end = frame->end;
    if (frame->tag == chart_tag::kEnd) {
      entry.well_formed = true;
      return entry;
    }
    ChartBlock block;
    block.tag = frame->tag;
    block.start = frame->start;
    if (frame->tag == chart_tag::kHeader) {
      entry.header.emplace();
      file.ReadAt(frame->payload, kChartHeaderSize, entry.header->data());
    } else if (frame->tag == chart_tag::kVisit) {
      entry.visit.emplace();
      file.ReadAt(frame->payload, kVisitRecordSize, entry.visit->data());
    }
    if (detail == EntryDetail::kFull) {
      block.payload = file.ReadString(frame->payload, static_cast<size_t>(frame->payload_size));
      if (frame->remark_size) {
        block.remark = file.ReadString(frame->remark, static_cast<size_t>(*frame->remark_size));
      }
    }
    entry.blocks.push_back(std::move(block));
    at = frame->end;
  }
}

bool ForEachEntryInFile(
    ByteSource& file,
    const std::function<void(int32_t offset, const std::vector<BlockFrame>& blocks)>& entry) {
  std::vector<BlockFrame> blocks;
  std::string problem;
  for (uint64_t at = 0; at < file.size();) {
    if (at >= uint64_t{std::numeric_limits<int32_t>::max()}) return false;
    const uint64_t start = at;
    blocks.clear();
    for (;;) {
      std::optional<BlockFrame> frame = ReadBlockFrame(file, at, problem);
      if (!frame) return false;
      at = frame->end;
      if (frame->tag == chart_tag::kEnd) break;
      blocks.push_back(*frame);
    }
    entry(static_cast<int32_t>(start + 1), blocks);
  }
  return true;
}

const std::map<int32_t, std::filesystem::path>& ChartFileSet::Files() {
  if (!paths_) paths_ = ListChartFiles(store_);
  return *paths_;
}

BinaryFile* ChartFileSet::Open(int32_t file_code) {
  if (file_code < 0 || file_code > kHighestChartFileCode) return nullptr;
  auto found = open_.find(file_code);
  if (found != open_.end()) {
    uses_.splice(uses_.begin(), uses_, found->second.use);
    return found->second.file.get();
  }
  Files();
  auto path = paths_->find(file_code);
  if (path == paths_->end()) {
    std::filesystem::path created = ChartFilePath(store_, file_code);
    std::error_code error;
    if (!std::filesystem::is_regular_file(created, error)) return nullptr;
    path = paths_->emplace(file_code, std::move(created)).first;
  }
  if (open_.size() >= max_open_) CloseLeastRecent();
  auto file = std::make_unique<BinaryFile>(path->second, mode_);
  uses_.push_front(file_code);
  return open_.emplace(file_code, OpenFile{std::move(file), uses_.begin()})
      .first->second.file.get();
}

void ChartFileSet::CloseLeastRecent() {
  auto oldest = open_.find(uses_.back());
  // Out of the set first: a file whose close fails is not offered again.
  std::unique_ptr<BinaryFile> closing = std::move(oldest->second.file);
  open_.erase(oldest);
  uses_.pop_back();
  closing->Close();
}

void ChartFileSet::Close() {
  while (!uses_.empty()) CloseLeastRecent();
}

ChartPosition PreviousInChain(const ChartHeader& header, ChainKind kind) {
  using namespace header_field;
  if (kind == ChainKind::kPatient) {
    return {header.Get(kPreviousOfPatientFileCode), header.Get(kPreviousOfPatientOffset)};
  }
  return {header.Get(kPreviousOfDayFileCode), header.Get(kPreviousOfDayOffset)};
}

ChainWalkResult WalkChain(ChartFileSet& files, ChartPosition head, ChainKind kind,
                          EntryDetail detail,
                          const std::function<void(const ChartEntryRead&)>& visit) {
  ChainWalkResult result;
  std::set<ChartPosition> seen;
  for (ChartPosition position = head; !position.none();) {
    result.stopped_at = position;
    if (!seen.insert(position).second) {
      result.clean = false;
      result.problem = "the chain returns to an entry it passed before (a cycle)";
      return result;
    }
    ByteSource* file = files.Open(position.file_code);
    if (file == nullptr) {
      result.clean = false;
      result.problem = "chart file " + ChartFileName(position.file_code) + " of file code " +
                       std::to_string(position.file_code) + " does not exist";
      return result;
    }
    ChartEntryRead entry = ReadChartEntry(*file, position, detail);
    ++result.entries;
    if (visit) visit(entry);
    if (!entry.header) {
      result.clean = false;
      result.problem = entry.problem;
      return result;
    }
    position = PreviousInChain(*entry.header, kind);
  }
  result.stopped_at = {};
  return result;
}

}  // namespace zuvo
