#pragma once

// The RealSun clinic's catalogue: Corvix/OPD.mdb and Corvix/PERSONAL.mdb of the work tree, made
// afresh from the blank templates; MX filled from the drug and treatment master Z\DRUG.DBF (with
// the reference catalogue MX.MDB) and the NHI consultation and pharmacy fees; DX from the
// clinic's diagnoses Z\SICK.DBF (with the diagnosis database ICD10CM.MDB).

#include <filesystem>
#include <string_view>

#include "core/roc_date.h"
#include "core/step_context.h"

namespace zuvo {

// Where the RealSun catalogue steps read and write.
struct RealSunCatalogueFiles {
  std::filesystem::path program_folder;  // OPDbak.mdb, PERSONALbak.mdb, MX.MDB, ICD10CM.MDB, ...
  std::filesystem::path clinic_folder;   // its settings (ClinicSettings)
  std::filesystem::path work_tree;       // Corvix/, ANTCHECK.MDB and the copies of source tables
  std::filesystem::path source_folder;   // the RealSun folder, holding Z/ and S/
  DateTime now = 0;                      // dates what the step makes up
};

// Builds the catalogue. Problems with single orders and diagnoses become message lines:
// "分類碼錯誤:" / "分類碼錯誤2:" (a kind letter the conversion does not know), "找不到健保碼:",
// "健保碼重複無覆寫:", "不明使用頻率:", "不明Unit:  ", "不明perUnit:  ". Notes in the clinic's
// settings the source codes another row stands for, and for diagnoses ICD10CM.MDB does not know
// their English name and clinic code with the ICD-10 code. Throws Error for a
// missing or damaged table, template or reference file, for a [MXuseMethod] value that is not a
// number, and for a work-tree file that cannot be replaced.
void BuildRealSunCatalogue(const RealSunCatalogueFiles& files, StepContext& context);

}  // namespace zuvo
