#include "workbench_environment.h"

#include <exception>

#include "app/workplace_setup.h"
#include "text_fields.h"

namespace zuvo::gui {

Workplace WorkbenchEnvironment::CurrentWorkplace() const {
  return zuvo::CurrentWorkplace(program_folder, clock);
}

bool RunGuarded(const WorkbenchEnvironment& environment, QWidget* window,
                const std::function<void()>& work) {
  try {
    work();
    return true;
  } catch (const std::exception& error) {
    environment.prompts.ShowMessage(window, FromUtf8(error.what()), MessageKind::kError,
                                    MessageButtons::kOk);
    return false;
  }
}

}  // namespace zuvo::gui
