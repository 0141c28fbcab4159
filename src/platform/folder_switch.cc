#include "platform/folder_switch.h"

#include <algorithm>
#include <system_error>

#include "platform/error.h"
#include "platform/file_ops.h"
#include "platform/test_point.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kJournalHeading = "zuvo folder switch 1";
constexpr std::string_view kStagingKey = "staging=";
constexpr std::string_view kRetiredKey = "retired=";
constexpr std::string_view kNameKey = "name=";
constexpr std::string_view kExistingKey = "existing=";

struct Journal {
  std::string staging;
  std::string retired;
  std::vector<std::string> names;
  std::vector<std::string> existing;  // the names that were old folders of the root
};

bool Exists(const fs::path& path) {
  std::error_code error;
  return fs::exists(fs::symlink_status(path, error));
}

fs::path PartialOf(const fs::path& root, const std::string& retired) {
  return root / PathFromUtf8(retired + std::string(kPartialSuffix));
}

// A journal value is a plain folder name: no separators, no line breaks.
void CheckName(std::string_view name) {
  if (name.empty() || name == "." || name == ".." ||
      name.find_first_of("/\\\r\n") != std::string_view::npos) {
    throw Error("folder switch: " + std::string(name) + " is not a plain folder name");
  }
}

void WriteJournal(const fs::path& root, const Journal& journal) {
  std::string text = std::string(kJournalHeading) + "\n";
  text += std::string(kStagingKey) + journal.staging + "\n";
  text += std::string(kRetiredKey) + journal.retired + "\n";
  for (const std::string& name : journal.names) text += std::string(kNameKey) + name + "\n";
  for (const std::string& name : journal.existing) text += std::string(kExistingKey) + name + "\n";
  WriteFileAtomically(root / PathFromUtf8(kSwitchJournalName), text);
}

Journal ReadJournal(const fs::path& file) {
  std::string text = ReadWholeFile(file);
  Journal journal;
  bool headed = false;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string_view line = std::string_view(text).substr(at, end - at);
    at = end + 1;
    auto value = [&](std::string_view key) { return std::string(line.substr(key.size())); };
    if (!headed) {
      headed = line == kJournalHeading;
    } else if (line.starts_with(kStagingKey)) {
      journal.staging = value(kStagingKey);
    } else if (line.starts_with(kRetiredKey)) {
      journal.retired = value(kRetiredKey);
    } else if (line.starts_with(kNameKey)) {
      journal.names.push_back(value(kNameKey));
    } else if (line.starts_with(kExistingKey)) {
      journal.existing.push_back(value(kExistingKey));
    }
  }
  if (!headed || journal.staging.empty() || journal.retired.empty()) {
    throw Error("the folder switch journal " + PathToUtf8(file) + " is damaged");
  }
  for (const std::string& name : journal.names) CheckName(name);
  for (const std::string& name : journal.existing) CheckName(name);
  CheckName(journal.staging);
  CheckName(journal.retired);
  return journal;
}

void Rename(const fs::path& from, const fs::path& to) {
  std::error_code error;
  fs::rename(from, to, error);
  if (error) {
    throw Error("cannot move " + PathToUtf8(from) + " to " + PathToUtf8(to) + ": " +
                error.message());
  }
}

void RemoveOrThrow(const fs::path& path) {
  if (!DeleteFolder(path)) throw Error("cannot remove " + PathToUtf8(path));
}

// Puts the old folders back where they were and removes the new ones; the journal goes last.
void RollBack(const fs::path& root, const Journal& journal) {
  const fs::path partial = PartialOf(root, journal.retired);
  for (const std::string& name : journal.names) {
    const fs::path live = root / PathFromUtf8(name);
    const fs::path old = partial / PathFromUtf8(name);
    const bool existed =
        std::find(journal.existing.begin(), journal.existing.end(), name) != journal.existing.end();
    if (existed && !Exists(old)) continue;  // never moved out: the live folder is the old one
    if (Exists(live)) RemoveOrThrow(live);  // the new folder, or a remnant of it
    if (existed) Rename(old, live);
  }
  RemoveOrThrow(partial);
  RemoveOrThrow(root / PathFromUtf8(journal.staging));
  RemoveOrThrow(root / PathFromUtf8(kSwitchJournalName));
}

// The switch is done: only its leftovers remain to go.
void Finish(const fs::path& root, const Journal& journal) {
  SyncFileSystem(root);
  RemoveOrThrow(root / PathFromUtf8(journal.staging));
  RemoveOrThrow(root / PathFromUtf8(kSwitchJournalName));
}

// Done when the retired folder has its own name, or (nothing retired) when the journal is gone.
bool Done(const fs::path& root, const Journal& journal) {
  return !journal.existing.empty() && Exists(root / PathFromUtf8(journal.retired));
}

}  // namespace

fs::path SwitchFolders(const FolderSwitchPlan& plan, const SealRetired& seal) {
  Journal journal{plan.staging, plan.retired, plan.names, {}};
  for (const std::string& name : plan.names) CheckName(name);
  CheckName(plan.staging);
  CheckName(plan.retired);
  if (Exists(plan.root / PathFromUtf8(plan.retired)) ||
      Exists(PartialOf(plan.root, plan.retired))) {
    throw Error("folder switch: " + PathToUtf8(plan.root / PathFromUtf8(plan.retired)) +
                " exists already");
  }
  for (const std::string& name : plan.names) {
    if (Exists(plan.root / PathFromUtf8(name))) journal.existing.push_back(name);
  }
  WriteJournal(plan.root, journal);
  // The staged folders and the journal must be on the disk before the old folders move out.
  SyncFileSystem(plan.root);
  const fs::path partial = PartialOf(plan.root, plan.retired);
  try {
    TestPoint("folder-switch:journal");
    if (!journal.existing.empty()) CreateFolders(partial);
    for (const std::string& name : journal.existing) {
      Rename(plan.root / PathFromUtf8(name), partial / PathFromUtf8(name));
      TestPoint("folder-switch:out " + name);
    }
    for (const std::string& name : plan.names) {
      const fs::path staged = plan.root / PathFromUtf8(plan.staging) / PathFromUtf8(name);
      if (!Exists(staged)) continue;
      Rename(staged, plan.root / PathFromUtf8(name));
      TestPoint("folder-switch:in " + name);
    }
    if (!journal.existing.empty()) {
      seal(partial);
      SyncFileSystem(plan.root);
      TestPoint("folder-switch:sealed");
      Rename(partial, plan.root / PathFromUtf8(plan.retired));
    }
  } catch (const std::exception& failure) {
    try {
      RollBack(plan.root, journal);
    } catch (const std::exception& undo) {
      throw Error(std::string(failure.what()) + "; undoing the switch failed as well: " +
                  undo.what() + " (the next apply or restore tries again)");
    }
    throw;
  }
  TestPoint("folder-switch:done");
  Finish(plan.root, journal);
  return journal.existing.empty() ? fs::path() : plan.root / PathFromUtf8(plan.retired);
}

SwitchRecovery RecoverFolderSwitch(const fs::path& root) {
  const fs::path file = root / PathFromUtf8(kSwitchJournalName);
  if (!Exists(file)) return SwitchRecovery::kNone;
  Journal journal = ReadJournal(file);
  if (Done(root, journal)) {
    Finish(root, journal);
    return SwitchRecovery::kFinished;
  }
  RollBack(root, journal);
  return SwitchRecovery::kRolledBack;
}

}  // namespace zuvo
