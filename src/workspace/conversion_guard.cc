#include "workspace/conversion_guard.h"

#include "platform/big5.h"
#include "platform/error.h"
#include "platform/file_ops.h"
#include "platform/profile_file.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSection = "Conversion";
constexpr std::string_view kModeAfter = "after";
constexpr std::string_view kModeBefore = "before";
constexpr std::string_view kStateWords[] = {"started", "completed", "stopped", "failed"};
constexpr SourceSystem kRecordedSystems[] = {SourceSystem::kVision, SourceSystem::kChangCheng,
                                             SourceSystem::kRealSun};

// The system named (Big5) by a record's "System" value; kUnknown for none.
SourceSystem SystemNamed(std::string_view name) {
  for (SourceSystem system : kRecordedSystems) {
    if (name == big5::Literal(SourceSystemName(system))) return system;
  }
  return SourceSystem::kUnknown;
}

fs::path RecordFile(const fs::path& work_tree) {
  return WithoutTrailingSeparator(work_tree) / kConversionRecordName;
}

void WriteRecord(const fs::path& work_tree, const ConversionRecord& record) {
  ProfileFile file(RecordFile(work_tree));
  ProfileFile::Batch batch(file);
  file.WriteString(kSection, "Activity", record.activity);
  if (record.system != SourceSystem::kUnknown) {
    file.WriteString(kSection, "System", big5::Literal(SourceSystemName(record.system)));
  }
  file.WriteString(kSection, "State", ConversionStateWord(record.state));
  file.WriteString(kSection, "Started", record.started);
  file.WriteString(kSection, "Ended", record.ended);
  file.WriteString(kSection, "SplitDate", record.chart.split_date);
  file.WriteString(kSection, "Mode",
                   record.chart.mode == MakeDateMode::kBefore ? kModeBefore : kModeAfter);
  file.WriteString(kSection, "FileSize", std::to_string(record.chart.file_size));
}

}  // namespace

std::string_view ConversionStateWord(ConversionState state) {
  return kStateWords[static_cast<int>(state)];
}

std::optional<ConversionRecord> ReadConversionRecord(const fs::path& work_tree) {
  const fs::path path = RecordFile(work_tree);
  std::error_code error;
  if (!fs::is_regular_file(path, error)) return std::nullopt;
  try {
    ProfileFile file(path);
    ConversionRecord record;
    record.activity = file.ReadString(kSection, "Activity");
    record.system = SystemNamed(file.ReadString(kSection, "System"));
    const std::string state = file.ReadString(kSection, "State");
    bool known = false;
    for (int i = 0; i < static_cast<int>(std::size(kStateWords)); ++i) {
      if (state == kStateWords[i]) {
        record.state = static_cast<ConversionState>(i);
        known = true;
      }
    }
    if (record.activity.empty() || !known) return std::nullopt;
    record.started = file.ReadString(kSection, "Started");
    record.ended = file.ReadString(kSection, "Ended");
    record.chart.split_date = file.ReadString(kSection, "SplitDate");
    record.chart.mode = file.ReadString(kSection, "Mode") == kModeBefore
                            ? MakeDateMode::kBefore
                            : MakeDateMode::kOnAndAfter;
    record.chart.file_size = file.ReadInteger(kSection, "FileSize", kDefaultChartFileSize);
    return record;
  } catch (const Error&) {
    return std::nullopt;
  }
}

FileLock LockClinicFolder(const fs::path& clinic_folder, std::string_view activity) {
  CreateFolders(clinic_folder);
  std::string held_by;
  std::optional<FileLock> lock =
      FileLock::TryAcquire(clinic_folder / kClinicLockName, activity, &held_by);
  if (!lock) {
    throw Error("這個診所正在轉檔或套用,請等它結束再做: " + PathToUtf8(clinic_folder) + " (" +
                held_by + ")");
  }
  return std::move(*lock);
}

ConversionGuard::ConversionGuard(const fs::path& work_tree, std::string_view activity,
                                 SourceSystem system, const ChartOptions& chart,
                                 std::function<DateTime()> clock)
    : work_tree_(WithoutTrailingSeparator(work_tree)),
      clock_(std::move(clock)),
      lock_(LockClinicFolder(work_tree_.parent_path(), activity)) {
  record_.activity = activity;
  record_.system = system;
  record_.started = RocStamp(clock_());
  record_.chart = chart;
  WriteRecord(work_tree_, record_);
}

ConversionGuard::~ConversionGuard() {
  if (finished_) return;
  try {
    Record(ConversionState::kFailed);
  } catch (...) {
    // The record stays "started", which apply refuses as well.
  }
}

void ConversionGuard::Finish(bool completed, const ChartOptions& chart) {
  record_.chart = chart;
  Record(completed ? ConversionState::kCompleted : ConversionState::kStopped);
  finished_ = true;
}

void ConversionGuard::Record(ConversionState state) {
  record_.state = state;
  record_.ended = RocStamp(clock_());
  WriteRecord(work_tree_, record_);
}

}  // namespace zuvo
