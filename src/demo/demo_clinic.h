#pragma once

// Synthetic source folders of the two clinic systems, for the demo, the tests and the
// benchmarks. Everything is deterministic from a seed; texts are Big5 as the real systems write
// them. The folders hold the tables the conversions read: VISPARA.DBF with the catalogue,
// patient, visit and referral tables and the lab results CO18H.DBF (Vision), and S/TITLE.DBF
// with Z/DRUG.DBF, Z/SICK.DBF, Z/TREAT.DBF, S/PATDB.DBF, the visit, claim and card-upload tables
// and the monthly NHI claim archives (RealSun).

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace zuvo::demo {

struct DemoClinic {
  std::string name;  // Big5
  std::string code;  // NHI institution code, ten digits
};

// The clinic of a seed: a name such as "展望示範7號診所" and an NHI code of ten digits. The
// same seed gives the same clinic.
DemoClinic VisionDemoClinic(uint32_t seed);
DemoClinic RealSunDemoClinic(uint32_t seed);

// VISPARA.DBF in `folder` with one record: CNAME, CCO_NO0, CSUB, CTEL, CADDR, CCLDTNAME.
void WriteVisionParameterTable(const std::filesystem::path& folder, const DemoClinic& clinic);
// S/TITLE.DBF below `folder` with one record: H_NAME (with a blank between each two characters,
// as RealSun clinics often type it), H_NO, H_TEL, H_ADDR, H_DEPT (家醫科), H_TYPE, and two
// people, DR_NAME/DR_ID (the doctor) and DR_NAME1/DR_ID1, both names typed with blanks too.
void WriteRealSunTitleTable(const std::filesystem::path& folder, const DemoClinic& clinic);

// What the RealSun demo clinic's data.ini lacks and a support engineer notes before its run:
// the opening date (ROC yyymmdd, before the first visit) and the pharmacist, the second person of
// its S/TITLE.DBF.
inline constexpr std::string_view kRealSunDemoOpeningDate = "0990101";
inline constexpr std::string_view kRealSunDemoPharmacistNameUtf8 = "林美玲";
inline constexpr std::string_view kRealSunDemoPharmacistId = "B223456789";

// Whole source folders; `folder` is created. Returns the clinic written.
DemoClinic WriteVisionDemoSource(const std::filesystem::path& folder, uint32_t seed);
DemoClinic WriteRealSunDemoSource(const std::filesystem::path& folder, uint32_t seed);

}  // namespace zuvo::demo
