#pragma once

#include <string_view>

namespace zuvo {

class Database;

// Makes sure the clinic catalogue `opd` (OPD.mdb) knows the ICD-10-PCS codes of the NHI surgery
// code `code` (Big5, trimmed here): when its PCS table has no row for the code, every row of
// the diagnosis database's PCS table (`icd10cm`, ICD10CM.MDB) for it is copied over. True when
// `opd` holds rows for the code afterwards; false when no ICD-10-PCS code is known for it.
bool EnsureSurgeryPcs(std::string_view code, Database& opd, Database& icd10cm);

}  // namespace zuvo
