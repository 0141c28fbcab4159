#pragma once

// The HIS search page: recognise whichever clinic system a folder holds (or search the drives
// for one) and prepare a work tree "<ROC date>_H" below program folder/<system name>/<code>.

#include <filesystem>
#include <string>

#include "core/step_context.h"
#include "workspace/folder_choice.h"

namespace zuvo {

// The search page's fields. Texts are Big5.
struct HisFolderFields {
  std::filesystem::path source_folder;  // CHISdir
  std::string clinic_name;              // CHISclinicName
  std::string clinic_id;                // CHISclinicID
  std::string system_name;              // CHISname
  std::filesystem::path work_tree;      // CHISqmxDir
};

// Asks for the folder and recognises its system. Vision and RealSun: the identity from
// VISPARA.DBF / S\TITLE.DBF and the folders. 常誠: the identity from MAINDATA\BASICSET.DBF, and
// the folders only when both name and code were found ("BASICSET.DBF裡沒有診所名稱或健保代碼"
// otherwise, kStopped). An unknown system changes nothing.
StepResult SelectHisFolder(HisFolderFields& fields, const Workplace& place, StepContext& context);

// Clears the fields, then probes the drives (place.drive_roots) in order: S\TITLE.DBF on each
// (RealSun, the drive root is the source folder), VISW\VISPARA.DBF on each (Vision), and the
// first entry named wm* of each drive when it is a folder holding MAINDATA\BASICSET.DBF (常誠,
// name and code "不明" when missing). The first hit wins; none gives "找不到任何HIS系統"
// (kStopped). For Vision and 常誠 the folders are made afterwards.
StepResult SearchHisSystem(HisFolderFields& fields, const Workplace& place, StepContext& context);

}  // namespace zuvo
