#include "maintenance/anonymise_charts.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

#include "core/binary_file.h"
#include "core/chart_reader.h"
#include "core/chart_store.h"
#include "platform/big5.h"
#include "platform/file_ops.h"

namespace zuvo {
namespace {

void Anonymise(char* visit_bytes) {
  VisitRecord visit;
  visit.Assign(std::string_view(visit_bytes, kVisitRecordSize));
  using namespace visit_field;
  visit.Set(kParentName, "");
  visit.Set(kParentId, "");
  visit.Set(kDoctorName, big5::Literal(kDoctorPlaceholderNameUtf8));
  visit.Set(kDoctorId, kDoctorPlaceholderId);
  if (!visit.Get(kPharmacistName).starts_with(big5::Literal("釋出"))) {
    visit.Set(kPharmacistName, big5::Literal(kPharmacistPlaceholderNameUtf8));
    visit.Set(kPharmacistId, kPharmacistPlaceholderId);
  }
  std::memcpy(visit_bytes, visit.data(), kVisitRecordSize);
}

// The text fields of a finding, each scrubbed within its own length.
size_t ScrubFinding(char* finding, const PatientTextScrubber& mentions) {
  size_t replaced = 0;
  for (TextField field :
       {finding_field::kName, finding_field::kTime, finding_field::kArea, finding_field::kNote}) {
    const size_t length =
        std::min<size_t>(static_cast<unsigned char>(finding[field.offset]), field.capacity);
    replaced += mentions.Scrub(finding + field.offset + 1, length);
  }
  return replaced;
}

// Anonymises the blocks of one entry of the file image, framed by `frame`.
void AnonymiseBlock(std::string& bytes, const BlockFrame& frame,
                    const PatientTextScrubber& mentions, ChartAnonymiseResult& result) {
  char* payload = bytes.data() + frame.payload;
  switch (frame.tag) {
    case chart_tag::kVisit:
      Anonymise(payload);
      ++result.visits;
      break;
    case chart_tag::kChartText:
    case chart_tag::kExamText:
    case chart_tag::kOtherText:
      result.mentions += mentions.Scrub(payload, frame.payload_size);
      break;
    case chart_tag::kFinding:
      result.mentions += ScrubFinding(payload, mentions);
      break;
    case chart_tag::kOrder:
      if (frame.remark_size) {
        result.mentions += mentions.Scrub(bytes.data() + frame.remark, *frame.remark_size);
      }
      break;
    default:
      break;
  }
}

// Anonymises the entries of one file image; the reason it stopped when it met a damaged entry.
std::optional<std::string> AnonymiseFile(std::string& bytes, int32_t file_code,
                                         const std::string& name,
                                         const PatientTextScrubber& mentions,
                                         ChartAnonymiseResult& result) {
  MemoryByteSource source(bytes, name);
  const std::string& signature = big5::Literal(kChartSignatureUtf8);
  for (uint64_t at = 0; at < bytes.size();) {
    const int16_t tag = bytes.size() - at >= kTagSize ? LoadI16(bytes.data() + at) : 0;
    if (tag != chart_tag::kHeader) return name + " 開頭IDcode錯誤" + std::to_string(tag);
    const int32_t offset = static_cast<int32_t>(at + 1);
    ChartEntryRead entry = ReadChartEntry(source, {file_code, offset}, EntryDetail::kFraming);
    if (!entry.well_formed) return name + " 欄位錯誤";
    if (bytes.compare(at + kTagSize, signature.size(), signature) != 0) {
      return name + " 病歷表頭錯誤:" + std::to_string(at + 1);
    }
    ForEachEntryBlock(source, offset, [&](const BlockFrame& frame) {
      AnonymiseBlock(bytes, frame, mentions, result);
      return true;
    });
    at = entry.end;
  }
  return std::nullopt;
}

}  // namespace

ChartAnonymiseResult AnonymiseCharts(const StoreLocation& store,
                                     const PatientTextScrubber& mentions, StepContext& context) {
  ChartAnonymiseResult result;
  for (const auto& [file_code, path] : ListChartFiles(store)) {
    context.SetFileCode(file_code);
    context.ProcessEvents();
    std::string bytes = ReadWholeFile(path);
    const size_t visits_before = result.visits;
    const size_t mentions_before = result.mentions;
    std::optional<std::string> damage =
        AnonymiseFile(bytes, file_code, PathToUtf8(path), mentions, result);
    if (result.visits != visits_before || result.mentions != mentions_before) {
      WriteFileAtomically(path, bytes);
    }
    ++result.files;
    if (damage) {
      result.complete = false;
      context.ShowMessage(*damage, MessageKind::kError);
      break;
    }
  }
  return result;
}

}  // namespace zuvo
