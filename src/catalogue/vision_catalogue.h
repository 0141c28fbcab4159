#pragma once

// The Vision clinic's catalogue: Corvix/OPD.mdb and Corvix/PERSONAL.mdb of the work tree, made
// afresh from the blank templates and filled from the clinic's order master CO09D.DBF (with the
// reference catalogue MX.MDB), the clinic's missing-order list, the NHI consultation and
// pharmacy fees, and the clinic's diagnoses CO07A.DBF.

#include <filesystem>

#include "core/step_context.h"

namespace zuvo {

// Which short name an order converted from a reference row gets (radio group "醫令簡名轉換方式").
enum class ShortNameSource {
  kSourceCode,    // "原系統簡名": the clinic's own order code
  kOriginalName,  // "醫令原名": the reference English name, made unique with "01", "02", ...
};

struct VisionCatalogueInput {
  std::filesystem::path program_folder;  // OPDbak.mdb, PERSONALbak.mdb, MX.MDB, ICD10CM.MDB, ...
  std::filesystem::path clinic_folder;   // data.ini
  std::filesystem::path work_tree;       // gets Corvix/OPD.mdb, PERSONAL.mdb and source copies
  std::filesystem::path source_folder;   // CO09D.DBF, CO07A.DBF
  ShortNameSource short_names = ShortNameSource::kSourceCode;
};

// Builds the catalogue; problems with single orders and diagnoses become message lines. Writes
// [DUPMX] of the clinic's data.ini for source codes that another row stands for. Throws Error
// for a missing or damaged table, template or reference file, for a [MXuseMethod] value that is
// not a number, and for a work-tree file that cannot be replaced.
void BuildVisionCatalogue(const VisionCatalogueInput& input, StepContext& context);

}  // namespace zuvo
