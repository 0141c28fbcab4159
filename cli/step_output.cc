#include "step_output.h"

#include <ostream>

#include "command.h"
#include "platform/big5.h"
#include "workspace/path_text.h"

namespace zuvo::cli {

void PrintBig5Field(std::ostream& out, std::string_view name, std::string_view big5_value) {
  out << name << ": " << big5::ToUtf8Escaped(big5_value) << '\n';
}

void PrintWorkTree(std::ostream& out, const std::filesystem::path& work_tree) {
  out << "work tree: " << PathToUtf8(work_tree) << '\n';
}

int ExitStatusOf(StepResult result) { return result == StepResult::kDone ? kExitOk : kExitStopped; }

}  // namespace zuvo::cli
