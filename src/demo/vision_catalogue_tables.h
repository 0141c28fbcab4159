#pragma once

// The demo Vision clinic's catalogue tables: the order master CO09D.DBF, the diagnoses
// CO07A.DBF and the staff table EECSETDT.DBF. The first orders are written by hand so that every
// rule of the catalogue conversion meets a case (kinds, Chinese and Latin unit spellings, odd
// units, duplicate NHI codes, frequencies, routes, made-up codes); the rest are drawn from the
// seed to reach the counts asked for.

#include <cstdint>
#include <filesystem>

namespace zuvo::demo {

struct VisionCatalogueCounts {
  int orders = 60;     // CO09D.DBF records (at least the hand-written ones)
  int diagnoses = 30;  // CO07A.DBF records (at least the hand-written ones)
};

void WriteVisionCatalogueTables(const std::filesystem::path& folder, uint32_t seed,
                                const VisionCatalogueCounts& counts = {});

}  // namespace zuvo::demo
