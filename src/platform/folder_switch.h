#pragma once

// Replaces some folders of a root folder by prepared ones as one switch: afterwards either all
// of them are the new ones and the old ones lie together in a retired folder, or (when the
// switch fails or is cut short) all of them are the old ones again.
//
// The switch only renames inside `root`, so it is quick and needs the prepared folders on the
// same file system. Its journal (root / kSwitchJournalName) is written before the first rename;
// renaming the retired folder from its ".partial" name to its own name is the moment the switch
// counts as done. A switch that was cut short (a kill, a power cut) is finished or undone by
// RecoverFolderSwitch, which the next switch of the same root must call first.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zuvo {

inline constexpr std::string_view kSwitchJournalName = "ZuvoSwitch.journal";
inline constexpr std::string_view kPartialSuffix = ".partial";

struct FolderSwitchPlan {
  std::filesystem::path root;
  // The folders of `root` the switch replaces, by their names on disk.
  std::vector<std::string> names;
  // root / staging holds the new folders (any of `names`; one it lacks is absent afterwards).
  std::string staging;
  // root / retired receives the old folders (any of `names` that exist); must not exist yet.
  std::string retired;
};

// Called with the retired folder (still under its ".partial" name) once every old folder lies
// in it, before the switch is done: writes what makes it whole (a manifest). Throwing undoes
// the switch.
using SealRetired = std::function<void(const std::filesystem::path& partial)>;

// Runs the switch: the journal; each old folder moved into root / (retired + ".partial"); each
// staged folder moved into root; `seal`; the retired folder given its name; the journal and the
// staging folder removed. Returns root / retired, or an empty path when none of the old folders
// existed (nothing is retired then, `seal` is not called and removing the journal is what
// finishes the switch). A failure before the switch is done undoes what was done and throws
// Error naming the folder that could not be moved.
std::filesystem::path SwitchFolders(const FolderSwitchPlan& plan, const SealRetired& seal);

enum class SwitchRecovery {
  kNone,        // no journal: no switch was cut short
  kFinished,    // the switch had been done; its leftovers were removed
  kRolledBack,  // the switch had not been done; the old folders are back in place
};

// Finishes or undoes a switch of `root` that was cut short, from its journal. Throws Error when
// a folder cannot be moved back (the journal stays, so a later call can try again).
SwitchRecovery RecoverFolderSwitch(const std::filesystem::path& root);

}  // namespace zuvo
