#pragma once

// The demo clinic's RealSun patient table S\PATDB.DBF. A patient's chart number is his record
// number. The first record is the system's own and no patient; then come hand-made rows that
// show every rule of the patient conversion (both BIRTH forms, a seven-character and an
// impossible birthday, an empty one, short, empty and "@@" IDs, IDs repeated in other letter
// case, a row without a name, mobile and other telephones, allergy and history texts, a note too
// long for the record), then generated patients in the same styles. Deterministic from the seed;
// texts are Big5.

#include <cstdint>
#include <filesystem>

namespace zuvo::demo {

// Rows of the table before the generated ones, the first (non-patient) record included.
inline constexpr int kRealSunShowcaseRecords = 18;

// Writes `source_folder`/S/PATDB.DBF (the folder S is made): the first record, then `patients`
// patient rows, the hand-made ones first (all of them, also when `patients` is smaller).
void WriteRealSunPatientTable(const std::filesystem::path& source_folder, uint32_t seed,
                              int patients);

}  // namespace zuvo::demo
