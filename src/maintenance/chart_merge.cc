#include "maintenance/chart_merge.h"

#include <system_error>
#include <vector>

#include "core/chart_reader.h"
#include "core/chart_store.h"
#include "core/patient_index.h"
#include "core/patient_store.h"
#include "core/step_timing.h"
#include "maintenance/merged_store_appender.h"
#include "platform/big5.h"
#include "platform/error.h"
#include "platform/file_ops.h"
#include "workspace/conversion_guard.h"
#include "workspace/folder_layout.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kClaimFolderName = "INSUdata";
constexpr std::string_view kPaperFolderName = "Paper";

// True when `inner` is `outer` or lies below it, by canonical paths (links resolved) and by file
// identity, so that another name of the same folder (a bind mount, another spelling of it on a
// file system blind to letter case) counts as well.
bool IsSameFolderOrInside(const fs::path& inner, const fs::path& outer) {
  if (IsSameOrInside(inner, outer)) return true;
  std::error_code error;
  fs::path at = fs::weakly_canonical(WithoutTrailingSeparator(inner), error);
  if (error) return false;
  while (true) {
    if (fs::equivalent(at, outer, error)) return true;
    if (!at.has_relative_path()) return false;
    at = at.parent_path();
  }
}

bool Overlaps(const fs::path& a, const fs::path& b) {
  return IsSameFolderOrInside(a, b) || IsSameFolderOrInside(b, a);
}

std::optional<std::string> RefusalOf(const ChartMergeFields& fields,
                                     const fs::path& program_folder) {
  const std::string code = big5::Trim(fields.recent.clinic_code);
  if (fields.recent.folder.empty() || fields.past.folder.empty() || code.empty() ||
      code != big5::Trim(fields.past.clinic_code)) {
    return std::string(kSameClinicRequired);
  }
  // The same set twice would double every visit and still verify clean.
  if (Overlaps(fields.recent.folder, fields.past.folder)) {
    return std::string(kSetsOverlap) + "近期 " + PathToUtf8(fields.recent.folder) + ",過去 " +
           PathToUtf8(fields.past.folder);
  }
  if (!TypedRocDate(big5::Trim(fields.past.split_date))) {
    return std::string(kPastSplitDateMissing);
  }
  if (fields.recent.split_date > fields.past.split_date) {
    return std::string(kRecentSplitDateLater);
  }
  if (Overlaps(fields.merged_folder, fields.recent.folder) ||
      Overlaps(fields.merged_folder, fields.past.folder)) {
    return std::string(kMergedFolderOverlaps);
  }
  const fs::path area = program_folder / kMergeArea;
  const fs::path merged = WithoutTrailingSeparator(fields.merged_folder);
  if (!IsSameOrInside(merged, area) || IsSameOrInside(area, merged)) {
    return std::string(kMergedFolderOutsideArea);
  }
  return std::nullopt;
}

void CopyOrThrow(bool copied, const fs::path& from, const fs::path& to) {
  if (!copied) throw Error("無法把 " + PathToUtf8(from) + " 完整複製到 " + PathToUtf8(to));
}

// Copies the file `name` of `from_folder` (any letter case) into `to_folder`, overwriting; a
// missing file is listed.
void CopySetFile(const fs::path& from_folder, std::string_view name, const fs::path& to_folder,
                 StepContext& context) {
  const fs::path from = FindWithoutCase(from_folder, name);
  std::error_code error;
  if (!fs::is_regular_file(from, error)) {
    context.AddLine("找不到:" + PathToUtf8(from));
    return;
  }
  CreateFolders(to_folder);
  CopyFileTo(from, to_folder / from.filename(), true);
}

// The past set's server folder becomes the merged one.
void CopyPastServer(const fs::path& past_folder, const fs::path& merged_folder) {
  const fs::path past_server = FindWithoutCase(past_folder, kServerFolderName);
  const fs::path merged_server = merged_folder / kServerFolderName;
  CopyOrThrow(CopyFolderContents(past_server, merged_server), past_server, merged_server);
}

// The recent set's front end, server settings and staff file go over the past set's.
void CopyRecentSettings(const ChartMergeFields& fields, const StoreLocation& recent,
                        const StoreLocation& merged, StepContext& context) {
  const fs::path merged_server = merged.server_data_folder.parent_path();
  const fs::path recent_front = FindWithoutCase(fields.recent.folder, kFrontEndFolderName);
  for (std::string_view name : {"CORVIX.INI", "OPD.mdb", "PERSONAL.mdb"}) {
    CopySetFile(recent_front, name, fields.merged_folder / kFrontEndFolderName, context);
  }
  const fs::path recent_server = FindWithoutCase(fields.recent.folder, kServerFolderName);
  std::error_code error;
  if (fs::is_regular_file(FindWithoutCase(recent_server, "Tolsern.INI"), error)) {
    CopySetFile(recent_server, "Tolsern.INI", merged_server, context);
  }
  CopySetFile(recent.server_data_folder, "MEMBER.SCR", merged.server_data_folder, context);
}

// The claim copies and scanned papers: the past set's come with its server folder; the recent
// set's Paper folder and claim files are added.
void CopyClinicFolders(const StoreLocation& recent, const StoreLocation& merged) {
  const fs::path merged_claims = FindWithoutCase(merged.server_data_folder, kClaimFolderName);
  CreateFolders(merged_claims);
  const fs::path recent_paper = FindWithoutCase(recent.server_data_folder, kPaperFolderName);
  std::error_code error;
  if (fs::is_directory(recent_paper, error)) {
    CopyOrThrow(CopyFolder(recent_paper, merged.server_data_folder), recent_paper,
                merged.server_data_folder);
  }
  const fs::path recent_claims = FindWithoutCase(recent.server_data_folder, kClaimFolderName);
  for (const fs::path& claim : ListByWildcard(recent_claims, "*.XML")) {
    CopyFileTo(claim, merged_claims / claim.filename(), true);
  }
}

class ChartMerge {
 public:
  ChartMerge(const StoreLocation& recent, const StoreLocation& merged, DateTime split,
             StepContext& context)
      : recent_(recent),
        merged_(merged),
        split_(split),
        context_(context),
        recent_files_(recent),
        appender_(merged) {}

  void Run(ChartMergeCounts& outcome) {
    const int32_t highest = HighestPatientNumber(recent_);
    context_.SetTotal(highest);
    for (int32_t number = 1; number <= highest; ++number) {
      context_.SetChartNumber(number);
      context_.SetGauge(number);
      MergePatient(number, outcome);
      context_.ProcessEvents();
    }
    appender_.Finish();
  }

 private:
  void MergePatient(int32_t number, ChartMergeCounts& outcome) {
    PatientRecord record;
    std::string note;
    if (!ReadPatientWithNote(recent_, number, record, note)) return;
    PatientRecord past;
    ChartPosition head;
    if (ReadPatient(merged_, number, past)) {
      head = {past.Get(patient_field::kChartFileCode), past.Get(patient_field::kChartOffset)};
    }
    // The chain runs newest first; the entries are appended oldest first, so that the merged
    // chain does too.
    std::vector<MergedEntry> kept;
    ChartPosition walk{record.Get(patient_field::kChartFileCode),
                       record.Get(patient_field::kChartOffset)};
    ChainWalkResult walked =
        WalkChain(recent_files_, walk, ChainKind::kPatient, EntryDetail::kFull,
                  [&](const ChartEntryRead& read) {
                    if (!read.header) return;
                    if (read.header->Get(header_field::kVisitDateTime) < split_) return;
                    std::optional<MergedEntry> entry = TakeRecentEntry(read);
                    if (!entry) {
                      context_.AddLine("病歷讀取錯誤:" + std::to_string(number) + " " +
                                       ChartFileName(read.position.file_code) + ":" +
                                       std::to_string(read.position.offset) + " " +
                                       (read.well_formed ? "沒有就診日期" : read.problem));
                      ++outcome.dropped_entries;
                      return;
                    }
                    kept.push_back(std::move(*entry));
                  });
    if (!walked.clean) {
      context_.AddLine("病歷讀取錯誤:" + std::to_string(number) + " " + walked.problem);
    }
    for (auto entry = kept.rbegin(); entry != kept.rend(); ++entry) {
      head = appender_.Append(*entry, head);
      ++outcome.entries;
    }
    record.Set(patient_field::kChartFileCode, head.file_code);
    record.Set(patient_field::kChartOffset, head.offset);
    WritePatient(merged_, record, note);
    ++outcome.patients;
  }

  const StoreLocation& recent_;
  const StoreLocation& merged_;
  DateTime split_;
  StepContext& context_;
  ChartFileSet recent_files_;
  MergedStoreAppender appender_;
};

}  // namespace

StepResult MergeChartSets(ChartMergeFields& fields, const Workplace& place, StepContext& context) {
  ChartMergeCounts& outcome = fields.merged;
  outcome = {};
  if (fields.merged_folder.empty() && !big5::Trim(fields.recent.clinic_code).empty()) {
    fields.merged_folder =
        MergedFolderFor(place.program_folder, fields.recent.clinic_code, place.now) / "";
  }
  if (std::optional<std::string> refusal = RefusalOf(fields, place.program_folder)) {
    context.ShowMessage(*refusal, MessageKind::kWarning);
    return StepResult::kStopped;
  }
  const fs::path merged_folder = WithoutTrailingSeparator(fields.merged_folder);
  if (!DeleteFolder(merged_folder)) throw Error("cannot delete " + PathToUtf8(merged_folder));
  CreateWorkTree(merged_folder);
  ConversionGuard guard(merged_folder, "merge", SourceSystem::kUnknown, {}, place.clock);
  context.ClearLines();
  context.AddLine("複製Tolsern,Corvix資料夾..");

  const std::string code = big5::Trim(fields.past.clinic_code);
  CopyPastServer(fields.past.folder, merged_folder);
  const StoreLocation recent = ChartSetStore(fields.recent.folder, code);
  const StoreLocation merged = ChartSetStore(merged_folder, code);
  CopyRecentSettings(fields, recent, merged, context);

  context.AddLine("開始融合病歷..");
  StepTiming timing(context, place.clock);
  ChartMerge merge(recent, merged, *TypedRocDate(big5::Trim(fields.past.split_date)), context);
  merge.Run(outcome);
  CopyClinicFolders(recent, merged);
  BuildPatientIndex(merged, [&](const std::string& line) { context.AddLine(line); });
  context.AddLine("融合病人數:" + std::to_string(outcome.patients) +
                  " 融合病歷筆數:" + std::to_string(outcome.entries));
  guard.Finish(true, {});
  timing.End();
  if (context.StepMessages()) context.ShowMessage(kMergeDone);
  return StepResult::kDone;
}

}  // namespace zuvo
