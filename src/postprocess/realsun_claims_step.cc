#include "postprocess/realsun_claims_step.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "core/chart_reader.h"
#include "core/chart_store.h"
#include "core/clock_text.h"
#include "core/patient_index.h"
#include "core/patient_store.h"
#include "platform/big5.h"
#include "platform/error.h"
#include "platform/file_ops.h"
#include "platform/scratch_folder.h"
#include "postprocess/realsun_claim_archive.h"
#include "postprocess/realsun_claim_corrections.h"
#include "postprocess/realsun_claim_document.h"
#include "postprocess/realsun_claim_visit_index.h"
#include "postprocess/screening.h"
#include "workspace/folder_layout.h"
#include "workspace/source_system_check.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kStepTitleUtf8 = "用健保申報檔修正病歷";
constexpr std::string_view kArchiveFolderName = "02";
// The claim months of mode "之前日期" begin with ROC 101/08.
constexpr int kEarliestClaimYear = 101;
constexpr int kEarliestClaimMonth = 8;
constexpr long kGaugeMaximum = 1000;

// "10801": the ROC year in three digits and the month in two.
std::string MonthText(int year, int month) {
  char text[16];
  std::snprintf(text, sizeof text, "%.3d%.2d", year, month);
  return text;
}

// The claim months from (year, month) through the month of `last`.
std::vector<std::string> ClaimMonths(int year, int month, DateTime last) {
  const CivilDateTime end = DecodeDateTime(last);
  const int end_year = end.year - 1911;
  std::vector<std::string> months;
  while (year < end_year || (year == end_year && month <= end.month)) {
    months.push_back(MonthText(year, month));
    if (++month > 12) {
      month = 1;
      ++year;
    }
  }
  return months;
}

// One claim, ready to be compared with the patient's visits.
struct ClaimedVisit {
  const Claim& claim;
  int32_t patient;
  ClaimCopay copay;
  ClaimDays days;
  std::string sequence;  // d29
  DateTime day;          // d9, or d10 for case type "08"
};

enum class Outcome { kGoOn, kEndStep };

// Applies the claims of one store, month after month.
class ClaimCorrector {
 public:
  ClaimCorrector(const StoreLocation& store, StepContext& context)
      : store_(store),
        index_(PatientIdIndex::Load(store.patient_index_path)),
        patients_(store, BinaryFile::Mode::kReadWrite, /*hold_records=*/true),
        files_(store, BinaryFile::Mode::kReadWrite),
        visits_(files_),
        context_(context) {}

  // The claims of one claim document, `archive_name` naming it in messages.
  Outcome CorrectMonth(std::string_view document, const std::string& archive_name);
  // Completes the writes to the chart and patient files.
  void Close() {
    files_.Close();
    patients_.Close();
  }

 private:
  Outcome CorrectClaim(const Claim& claim);
  // The patient's visits found through the index, or by walking a chain the index cannot
  // follow; kEndStep when a chart file is missing.
  Outcome CorrectVisits(const ClaimedVisit& claimed, ChartPosition head);
  Outcome WalkAndCorrect(const ClaimedVisit& claimed, ChartPosition head);
  // Corrects a visit the index found: its record and order lines are read in one piece, and
  // what changed is written back in one piece.
  void CorrectFoundVisit(const ClaimVisitIndex::Visit& found, const ClaimedVisit& claimed);
  // Corrects the entry at `position` when its visit is the claimed one; fills `header` and
  // returns whether the entry had both a header and a visit record.
  bool CorrectEntry(BinaryFile& file, ChartPosition position, const ClaimedVisit& claimed,
                    ChartHeader& header);
  void AdvanceGauge() {
    gauge_ = gauge_ + 1 >= kGaugeMaximum ? 1 : gauge_ + 1;
    context_.SetGauge(gauge_);
  }
  std::string EntryText(ChartPosition position) const {
    return std::to_string(position.file_code) + ":" + std::to_string(position.offset);
  }

  const StoreLocation& store_;
  PatientIdIndex index_;
  PatientFileSet patients_;
  ChartFileSet files_;
  ClaimVisitIndex visits_;
  StepContext& context_;
  long gauge_ = 0;
};

Outcome ClaimCorrector::CorrectMonth(std::string_view document, const std::string& archive_name) {
  gauge_ = 0;
  for (size_t at = 0;;) {
    AdvanceGauge();
    context_.ProcessEvents();
    if (context_.StopRequested()) return Outcome::kGoOn;
    ClaimRead read = ReadNextClaim(document, at);
    if (read.status == ClaimReadStatus::kNoMoreClaims) return Outcome::kGoOn;
    if (read.status == ClaimReadStatus::kMalformed) {
      context_.ShowMessage(archive_name + "內XML格式錯誤", MessageKind::kWarning);
      return Outcome::kGoOn;
    }
    if (CorrectClaim(read.claim) == Outcome::kEndStep) return Outcome::kEndStep;
    at = read.next;
  }
}

Outcome ClaimCorrector::CorrectClaim(const Claim& claim) {
  const std::string id = claim.Field("d3");
  const int32_t patient = index_.FindPatientByID(id);
  PatientRecord record;
  if (patient <= 0 || !patients_.Read(patient, record)) {
    context_.AddLine("病人資料庫內找不到ID:" + big5::ToUtf8Escaped(id));
    return Outcome::kGoOn;
  }
  std::optional<ClaimDays> days = ClaimDaysOf(claim);
  if (!days) {
    context_.AddLine("申報日份不是整數:" + big5::ToUtf8Escaped(id) + " " +
                     big5::ToUtf8Escaped(claim.Field("d9")) +
                     " d27=" + big5::ToUtf8Escaped(claim.Field("d27")) +
                     " d44=" + big5::ToUtf8Escaped(claim.Field("d44")));
    return Outcome::kGoOn;
  }
  ClaimCopay copay = ClaimCopayOf(claim);
  if (!copay.known) context_.AddLine("不明部分負擔碼:" + big5::ToUtf8Escaped(claim.Field("d15")));

  PatientRecord corrected = record;
  corrected.Set(patient_field::kCopayCode, copay.code);
  if (copay.payment_class != ' ') corrected.Set(patient_field::kPaymentClass, copay.payment_class);
  if (corrected != record) patients_.Rewrite(corrected);

  const ClaimedVisit claimed{
      claim, patient, copay, *days, claim.Field("d29"), ClaimVisitDay(claim)};
  return CorrectVisits(claimed, {record.Get(patient_field::kChartFileCode),
                                 record.Get(patient_field::kChartOffset)});
}

Outcome ClaimCorrector::CorrectVisits(const ClaimedVisit& claimed, ChartPosition head) {
  std::optional<std::vector<ClaimVisitIndex::Visit>> found =
      visits_.Find(claimed.patient, head, claimed.sequence, claimed.day);
  if (!found) return WalkAndCorrect(claimed, head);
  for (const ClaimVisitIndex::Visit& visit : *found) CorrectFoundVisit(visit, claimed);
  return Outcome::kGoOn;
}

void ClaimCorrector::CorrectFoundVisit(const ClaimVisitIndex::Visit& found,
                                       const ClaimedVisit& claimed) {
  BinaryFile* file = files_.Open(found.entry.file_code);
  if (file == nullptr) {
    throw Error("cannot open " + PathToUtf8(ChartFilePath(store_, found.entry.file_code)));
  }
  // The visit record and the blocks after it, up to the end tag.
  std::string bytes = file->ReadString(found.record, found.end - found.record);
  VisitRecord visit;
  visit.Assign(std::string_view(bytes).substr(0, kVisitRecordSize));
  if (!VisitMatchesClaim(visit, claimed.sequence, claimed.day)) return;
  size_t changed_from = bytes.size();
  size_t changed_to = 0;
  auto put = [&](size_t at, std::string_view record) {
    bytes.replace(at, record.size(), record);
    changed_from = std::min(changed_from, at);
    changed_to = std::max(changed_to, at + record.size());
  };
  const VisitRecord before = visit;
  CorrectVisitFromClaim(visit, claimed.claim, claimed.patient, claimed.copay, claimed.days);
  if (visit != before) put(0, visit.view());
  MemoryByteSource blocks(bytes);
  std::string problem;
  for (uint64_t at = kVisitRecordSize; at < bytes.size();) {
    std::optional<BlockFrame> frame = ReadBlockFrame(blocks, at, problem);
    if (!frame) break;  // the index read these blocks whole; nothing has moved them
    if (frame->tag == chart_tag::kOrder) {
      OrderRecord order;
      order.Assign(std::string_view(bytes).substr(frame->payload, kOrderRecordSize));
      const OrderRecord original = order;
      UpdateOrderFromClaim(order, claimed.claim.order_lines, claimed.claim.case_type);
      if (order != original) put(frame->payload, order.view());
    }
    at = frame->end;
  }
  // The bytes between the changed records are those just read, so one write covers them all.
  if (changed_from < changed_to) {
    file->WriteAt(found.record + changed_from,
                  std::string_view(bytes).substr(changed_from, changed_to - changed_from));
  }
}

Outcome ClaimCorrector::WalkAndCorrect(const ClaimedVisit& claimed, ChartPosition head) {
  std::set<ChartPosition> seen;
  for (ChartPosition position = head; position.offset > 0;) {
    if (!seen.insert(position).second) {
      // A chain that returns to an entry it passed: the walk ends instead of going round.
      context_.AddLine("病歷讀取錯誤" + EntryText(position));
      return Outcome::kGoOn;
    }
    BinaryFile* file = files_.Open(position.file_code);
    if (file == nullptr) {
      context_.AddLine("沒有fileCode[" + std::to_string(position.file_code) +
                       "]指定檔案:" + PathToUtf8(ChartFilePath(store_, position.file_code)));
      return Outcome::kEndStep;
    }
    ChartHeader header;
    if (!CorrectEntry(*file, position, claimed, header)) {
      context_.ShowMessage(std::to_string(position.file_code), MessageKind::kWarning);
      return Outcome::kGoOn;
    }
    position = PreviousInChain(header, ChainKind::kPatient);
  }
  return Outcome::kGoOn;
}

bool ClaimCorrector::CorrectEntry(BinaryFile& file, ChartPosition position,
                                  const ClaimedVisit& claimed, ChartHeader& header) {
  bool have_header = false;
  bool have_visit = false;
  bool corrected = false;
  const bool intact = ForEachEntryBlock(file, position.offset, [&](const BlockFrame& frame) {
    if (frame.tag == chart_tag::kHeader) {
      file.ReadAt(frame.payload, kChartHeaderSize, header.data());
      have_header = true;
    } else if (frame.tag == chart_tag::kVisit) {
      have_visit = true;
      VisitRecord visit;
      file.ReadAt(frame.payload, kVisitRecordSize, visit.data());
      if (VisitMatchesClaim(visit, claimed.sequence, claimed.day)) {
        VisitRecord before = visit;
        CorrectVisitFromClaim(visit, claimed.claim, claimed.patient, claimed.copay, claimed.days);
        if (visit != before) file.WriteAt(frame.payload, visit.view());
        corrected = true;
      }
    } else if (frame.tag == chart_tag::kOrder && corrected) {
      OrderRecord order;
      file.ReadAt(frame.payload, kOrderRecordSize, order.data());
      OrderRecord before = order;
      UpdateOrderFromClaim(order, claimed.claim.order_lines, claimed.claim.case_type);
      if (order != before) file.WriteAt(frame.payload, order.view());
    }
    return true;
  });
  if (!intact) context_.AddLine("病歷讀取錯誤" + EntryText(position));
  return have_header && have_visit;
}

// "64MB", or the bytes of a limit that is no whole number of megabytes.
std::string LimitText(unsigned long long bytes) {
  constexpr unsigned long long kMegabyte = 1ULL << 20;
  if (bytes % kMegabyte == 0) return std::to_string(bytes / kMegabyte) + "MB";
  return std::to_string(bytes) + "位元組";
}

// The line that says why an archive's month is skipped; empty when its document was read.
std::string SkippedArchiveLine(const ClaimArchiveRead& read, const std::string& archive_name,
                               unsigned long long limit) {
  switch (read.status) {
    case ClaimArchiveRead::Status::kDocument:
      return {};
    case ClaimArchiveRead::Status::kRefused:
      return archive_name + "內有不安全的檔名,不解壓縮,本月略過";
    case ClaimArchiveRead::Status::kNoDocument:
      return archive_name + "內沒有" + std::string(kClaimDocumentName);
    case ClaimArchiveRead::Status::kTooLarge:
      return archive_name + "解壓縮後超過" + LimitText(limit) + ",本月略過";
    case ClaimArchiveRead::Status::kUnreadable:
      return archive_name + "已損壞或不是zip檔,本月略過";
  }
  return {};
}

// The archive of `month` in the source folder (any letter case), or empty.
std::optional<fs::path> ClaimArchive(const fs::path& source_folder, const std::string& month) {
  return ResolvePath(source_folder, std::string(kArchiveFolderName) + "/" + month + "XML.zip");
}

}  // namespace

StepResult CorrectRealSunCharts(RealSunClaimsInput& input, const Workplace& place,
                                StepContext& context) {
  if (!CheckSourceSystem(SourceSystem::kRealSun, input.folder, kRealSunWrongSystemUtf8, context))
    return StepResult::kStopped;
  std::optional<DateTime> split =
      ReadSplitDateOrTomorrow(input.chart.split_date, place.now, context);
  if (!split) return StepResult::kStopped;
  if (std::optional<std::string> problem = ClinicCodeProblem(input.folder.clinic_id)) {
    context.ShowMessage(*problem, MessageKind::kWarning);
    return StepResult::kStopped;
  }
  const StoreLocation store = WorkTreeStoreLocation(input.folder.work_tree, input.folder.clinic_id);
  std::error_code error;
  if (input.folder.work_tree.empty() || !fs::is_directory(store.server_data_folder, error)) {
    context.ShowMessage("沒有病人資料庫目錄:" + PathToUtf8(store.server_data_folder),
                        MessageKind::kWarning);
    return StepResult::kStopped;
  }
  BuildPatientIndex(store, [&context](const std::string& line) { context.AddLine(line); });

  context.AddLine(kStepTitleUtf8);
  const DateTime started = place.clock();
  context.AddLine("begin time" + ClockText(started));
  const fs::path references = store.server_data_folder / PathFromUtf8(kClaimReferenceFolderName);
  if (!DeleteFolder(references)) throw Error("cannot delete the folder " + PathToUtf8(references));
  CreateFolders(references);
  // The extraction folder of the archives, removed when the step ends however it ends.
  const ScratchFolder scratch(input.folder.work_tree / PathFromUtf8(kClaimScratchFolderName));

  const CivilDateTime split_day = DecodeDateTime(*split);
  std::vector<std::string> months =
      input.chart.mode == MakeDateMode::kBefore
          ? ClaimMonths(kEarliestClaimYear, kEarliestClaimMonth, place.now)
          : ClaimMonths(split_day.year - 1911, split_day.month, place.now);
  const std::string opening_month = big5::Trim(input.folder.start_date).substr(0, 5);

  input.skipped_months.clear();
  ClaimCorrector corrector(store, context);
  Outcome outcome = Outcome::kGoOn;
  for (const std::string& month : months) {
    if (month < opening_month) continue;
    std::optional<fs::path> archive = ClaimArchive(input.folder.source_folder, month);
    if (!archive) continue;
    context.ProcessEvents();
    if (context.StopRequested()) break;
    const std::string archive_name = PathToUtf8(archive->filename());
    context.AddLine("申報檔:" + archive_name);
    context.SetTotal(kGaugeMaximum);
    context.SetGauge(0);

    ClaimArchiveRead read = ReadClaimArchive(*archive, scratch.path(), input.archive_limit);
    if (std::string skipped = SkippedArchiveLine(read, archive_name, input.archive_limit);
        !skipped.empty()) {
      context.AddLine(skipped);
      if (!read.refusal.empty()) context.AddLine(read.refusal);
      input.skipped_months.push_back(month);
      continue;
    }
    CopyFileTo(read.document_file, references / ("M" + month + ".XML"), /*overwrite=*/false);
    outcome = corrector.CorrectMonth(read.document, archive_name);
    if (outcome == Outcome::kEndStep) break;
  }
  corrector.Close();

  const DateTime ended = place.clock();
  context.AddLine("end time" + ClockText(ended));
  context.SetElapsedLabel("耗時: " + ElapsedText(started, ended));
  if (outcome == Outcome::kEndStep) return StepResult::kStopped;
  if (!input.skipped_months.empty()) {
    std::string months;
    for (const std::string& month : input.skipped_months) {
      months += (months.empty() ? "" : ",") + month;
    }
    context.AddLine(std::string(kClaimMonthsSkippedUtf8) + months);
    context.ShowMessage(std::string(kClaimMonthsSkippedUtf8) + months, MessageKind::kWarning);
  }
  context.AddLine(kClaimsDoneUtf8);
  if (context.StepMessages()) context.ShowMessage(kClaimsDoneUtf8);
  return StepResult::kDone;
}

}  // namespace zuvo
