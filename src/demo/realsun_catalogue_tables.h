#pragma once

// The demo RealSun clinic's catalogue tables below its source folder: the drug and treatment
// master Z\DRUG.DBF, the diagnoses Z\SICK.DBF and the combination orders Z\TREAT.DBF. The first
// records are written by hand so that every rule of the catalogue conversion meets a case (each
// kind letter, unknown kinds, "E2" and blank codes, duplicate NHI codes with their dates,
// vaccines, codes at the ends of the surgery ranges, names with apostrophes, diagnoses the
// diagnosis database does not know, two diagnoses whose names share their first 24 characters,
// combinations found by source code, by [DUPMX], by NHI code, as fixed drugs and not at all);
// the rest are drawn from the seed to reach the counts asked for.

#include <cstdint>
#include <filesystem>

namespace zuvo::demo {

struct RealSunCatalogueCounts {
  int drugs = 60;         // DRUG.DBF records (at least the hand-written ones)
  int diagnoses = 20;     // SICK.DBF records (at least the hand-written ones)
  int combinations = 40;  // TREAT.DBF records (at least the hand-written ones)
};

// Writes the three tables into `folder`/Z, which is created.
void WriteRealSunCatalogueTables(const std::filesystem::path& folder, uint32_t seed,
                                 const RealSunCatalogueCounts& counts = {});

}  // namespace zuvo::demo
