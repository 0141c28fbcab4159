#include "app/workplace_setup.h"

#include "workspace/dataedit_ini.h"

namespace zuvo {

Workplace CurrentWorkplace(const std::filesystem::path& program_folder) {
  return {program_folder, Now(), DataEditIni(program_folder).ReadWorkbench().drive_roots};
}

}  // namespace zuvo
