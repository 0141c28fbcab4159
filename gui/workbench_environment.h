#pragma once

// What the windows share: the program folder, the run flags, the dialogs and the clock.

#include <filesystem>
#include <functional>

#include "core/roc_date.h"
#include "core/run_flags.h"
#include "core/workplace.h"
#include "user_prompts.h"

namespace zuvo::gui {

struct WorkbenchEnvironment {
  std::filesystem::path program_folder;
  RunFlags& flags;
  UserPrompts& prompts;
  std::function<DateTime()> clock = Now;
  // Shows every page and enables every step whatever DataEdit.ini says (for the screenshots).
  bool operator_mode_forced = false;

  // Program folder, clock and DataEdit.ini's drive folders, for a step started now.
  Workplace CurrentWorkplace() const;
};

// Runs a handler's work; an error it throws is shown in a message box. False after an error.
bool RunGuarded(const WorkbenchEnvironment& environment, QWidget* window,
                const std::function<void()>& work);

}  // namespace zuvo::gui
