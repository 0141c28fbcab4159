#pragma once

// The visit tables of the Vision demo clinic: visits (CO03L.DBF), chief complaints (CO02H.DBF),
// visit orders (CO02P.DBF), adult health checks (CO18R.DBF) and electronic referral files
// (NHI_REF\ETA*, ETB*). Deterministic from the seed.
//
// The ordinary clinic carries the cases the chart conversion has rules for: several years of
// visits (ICD-9 codes before 2016), two visits of one patient on one day, chronic refills,
// referrals with and without files, preventive-care "@" codes, health checks with and without
// upload date, unknown order codes and frequencies, and visits dated outside the window (before
// the opening date, in the future). The scale form writes plain visits only, for benchmarks.

#include <cstdint>
#include <filesystem>
#include <string>

namespace zuvo::demo {

struct VisitTableOptions {
  int first_patient = 1;  // patient numbers first_patient .. first_patient + patients - 1
  int patients = 24;
  int visits_per_patient = 10;  // on average
  int orders_per_visit = 4;     // on average
  bool scale = false;           // plain visits only, no special cases
};

struct VisitTableCounts {
  int visits = 0;
  int complaints = 0;
  int orders = 0;
  int health_checks = 0;
  int referral_files = 0;
};

// Codes of the demo's visit orders (Big5 = ASCII): the first four are drugs of the demo
// catalogue (oral, drop, oral, injection), then procedure codes; the last one is unknown to any
// catalogue.
inline constexpr std::string_view kDemoDrugCodes[] = {"PANA",   "AMOX",   "SYRUP",  "CHLOR", "21",
                                                      "01036C", "01038C", "A2001C", "XYZ999"};

// The first visit date of the demo (ROC), also its opening date.
inline constexpr std::string_view kDemoOpeningDate = "1020105";

// Writes the five tables and the NHI_REF folder into `folder`.
VisitTableCounts WriteVisionVisitTables(const std::filesystem::path& folder, uint32_t seed,
                                        const VisitTableOptions& options = {});

}  // namespace zuvo::demo
