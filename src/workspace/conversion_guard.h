#pragma once

// One conversion of a clinic at a time, and a work tree that remembers how its last conversion
// ended.
//
// A run or step takes the lock of its clinic folder (ZuvoConversion.lock, holding the process id
// and what runs) for as long as it runs; a second one refuses at once. The operating system
// releases the lock of a process that was killed, so a lock left behind is taken over.
//
// In the work tree, ZuvoConversion.ini records the last run or step: what it was, when it
// started, the chart options it ran with, and how it ended. A run that is killed stays
// "started". Apply takes only a work tree whose last run or step completed.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/roc_date.h"
#include "platform/file_lock.h"
#include "workspace/source_system.h"
#include "workspace/split_date.h"

namespace zuvo {

inline constexpr std::string_view kClinicLockName = "ZuvoConversion.lock";
inline constexpr std::string_view kConversionRecordName = "ZuvoConversion.ini";

enum class ConversionState { kStarted, kCompleted, kStopped, kFailed };

struct ConversionRecord {
  std::string activity;  // what ran: "vision run", "vision step charts" (ASCII)
  // The system converted in the work tree; kUnknown for a tree of no one system (a merge) and
  // for a record written before the system was noted.
  SourceSystem system = SourceSystem::kUnknown;
  ConversionState state = ConversionState::kStarted;
  std::string started;  // ROC time stamps
  std::string ended;
  ChartOptions chart;  // the options it ran with, as it left them when it ended
};

// The record of `work_tree`; empty when no run or step has recorded itself there (or the record
// cannot be read).
std::optional<ConversionRecord> ReadConversionRecord(const std::filesystem::path& work_tree);

// "started", "completed", "stopped", "failed".
std::string_view ConversionStateWord(ConversionState state);

// Takes the lock of `clinic_folder` (made when missing) for `activity`. Throws Error naming the
// clinic folder and the holder when another run, step or apply has it.
FileLock LockClinicFolder(const std::filesystem::path& clinic_folder, std::string_view activity);

// The lock and the record of one run or step of the work tree's clinic (its parent folder).
class ConversionGuard {
 public:
  // Locks the clinic folder (Error when another conversion has it), then records `activity` of
  // `system` as started now (by `clock`, which also dates the end) with `chart`.
  ConversionGuard(const std::filesystem::path& work_tree, std::string_view activity,
                  SourceSystem system, const ChartOptions& chart, std::function<DateTime()> clock);
  // A guard that was not finished records that its run failed (an error ended it).
  ~ConversionGuard();
  ConversionGuard(const ConversionGuard&) = delete;
  ConversionGuard& operator=(const ConversionGuard&) = delete;

  // Records the end: completed, or stopped (by the operator or on a message box), with the chart
  // options as the run left them (a blank split date filled with tomorrow's), as the window's
  // boxes show them afterwards.
  void Finish(bool completed, const ChartOptions& chart);

 private:
  void Record(ConversionState state);

  std::filesystem::path work_tree_;
  std::function<DateTime()> clock_;
  FileLock lock_;
  ConversionRecord record_;
  bool finished_ = false;
};

}  // namespace zuvo
