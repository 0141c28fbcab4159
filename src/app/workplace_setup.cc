#include "app/workplace_setup.h"

#include "workspace/dataedit_ini.h"

namespace zuvo {

Workplace CurrentWorkplace(const std::filesystem::path& program_folder,
                           const std::function<DateTime()>& clock) {
  Workplace place;
  place.program_folder = program_folder;
  place.now = clock();
  place.clock = clock;
  place.drive_roots = DataEditIni(program_folder).ReadWorkbench().drive_roots;
  return place;
}

}  // namespace zuvo
