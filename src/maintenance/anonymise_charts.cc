#include "maintenance/anonymise_charts.h"

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
  visit.Set(kDoctorName, big5::Literal(kDoctorPlaceholderNameUtf8));
  visit.Set(kDoctorId, kDoctorPlaceholderId);
  if (!visit.Get(kPharmacistName).starts_with(big5::Literal("釋出"))) {
    visit.Set(kPharmacistName, big5::Literal(kPharmacistPlaceholderNameUtf8));
    visit.Set(kPharmacistId, kPharmacistPlaceholderId);
  }
  std::memcpy(visit_bytes, visit.data(), kVisitRecordSize);
}

// Anonymises the visit records of one file image; the reason it stopped when it met a damaged
// entry.
std::optional<std::string> AnonymiseFile(std::string& bytes, int32_t file_code,
                                         const std::string& name, size_t& visits) {
  MemoryByteSource source(bytes, name);
  const std::string& signature = big5::Literal(kChartSignatureUtf8);
  for (uint64_t at = 0; at < bytes.size();) {
    const int16_t tag = bytes.size() - at >= kTagSize ? LoadI16(bytes.data() + at) : 0;
    if (tag != chart_tag::kHeader) return name + " 開頭IDcode錯誤" + std::to_string(tag);
    ChartEntryRead entry =
        ReadChartEntry(source, {file_code, static_cast<int32_t>(at + 1)}, EntryDetail::kFraming);
    if (!entry.well_formed) return name + " 欄位錯誤";
    if (bytes.compare(at + kTagSize, signature.size(), signature) != 0) {
      return name + " 病歷表頭錯誤:" + std::to_string(at + 1);
    }
    for (const ChartBlock& block : entry.blocks) {
      if (block.tag != chart_tag::kVisit) continue;
      Anonymise(bytes.data() + block.start + kTagSize);
      ++visits;
    }
    at = entry.end;
  }
  return std::nullopt;
}

}  // namespace

ChartAnonymiseResult AnonymiseCharts(const StoreLocation& store, StepContext& context) {
  ChartAnonymiseResult result;
  for (const auto& [file_code, path] : ListChartFiles(store)) {
    context.SetFileCode(file_code);
    context.ProcessEvents();
    std::string bytes = ReadWholeFile(path);
    const size_t visits_before = result.visits;
    std::optional<std::string> damage =
        AnonymiseFile(bytes, file_code, PathToUtf8(path), result.visits);
    if (result.visits != visits_before) WriteFileAtomically(path, bytes);
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
