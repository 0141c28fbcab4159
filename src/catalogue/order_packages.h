#pragma once

// The order packages ("套件") a new catalogue gets besides the clinic's own orders: home care,
// preventive care, HIV and asthma procedures and diagnoses, vaccines, smoking-cessation orders
// and drugs, and the preventive-care order sets, as MXsetup.ini, MX.MDB and ICD10CM.MDB of the
// program folder describe them.

#include <filesystem>
#include <string_view>

#include "core/roc_date.h"
#include "core/step_context.h"

namespace zuvo {

class Database;
class ProfileFile;
class RecordSet;

struct OrderPackageFiles {
  std::filesystem::path program_folder;  // MXsetup.ini, MX.MDB, ICD10CM.MDB
  std::filesystem::path work_tree;       // Corvix/OPD.mdb, Corvix/PERSONAL.mdb, Corvix/CORVIX.INI
  std::filesystem::path clinic_folder;   // its settings take the [DUPMX] rename notes
  DateTime now = 0;                      // dates the order sets' items
};

// Adds or refreshes every package in the work tree's catalogue (orders by INSUcode, diagnoses by
// ICD10, order sets by setName). A code that MX.MDB does not hold is shown in a message box
// ("MX.MDB 資料庫裡找不到健保處置碼:" + code + ",請手動輸入") and skipped; a public order set
// is shown ("這個組合屬於公用組合,不可修改") and left alone. Before an order's short name is
// replaced by another, the old name = code is noted in [DUPMX]. Database errors throw Error.
void InstallOrderPackages(const OrderPackageFiles& files, StepContext& context);

}  // namespace zuvo
