#include "demo/demo_clinic.h"

#include <random>
#include <vector>

#include "demo/realsun_catalogue_tables.h"
#include "demo/realsun_claim_archives.h"
#include "demo/realsun_patient_tables.h"
#include "demo/realsun_visit_tables.h"
#include "demo/vision_catalogue_tables.h"
#include "demo/vision_lab_tables.h"
#include "demo/vision_patient_tables.h"
#include "demo/vision_visit_tables.h"
#include "platform/big5.h"
#include "platform/dbf_writer.h"
#include "platform/file_ops.h"

namespace zuvo::demo {

namespace fs = std::filesystem;

namespace {

constexpr int kClinicNameWidth = 40;
constexpr int kClinicCodeWidth = 10;
constexpr int kCodeDigitsAfterArea = 8;

// Area prefixes of NHI institution codes; the seed picks one.
constexpr std::string_view kAreaPrefixes[] = {"01", "11", "21", "31", "35", "36", "41", "51"};

DemoClinic MakeClinic(std::string_view name_utf8, uint32_t seed) {
  std::mt19937 random(seed);  // mt19937's sequence is fixed by the standard
  std::string code(kAreaPrefixes[random() % std::size(kAreaPrefixes)]);
  for (int i = 0; i < kCodeDigitsAfterArea; ++i) code += static_cast<char>('0' + random() % 10);
  return {big5::FromUtf8(std::string(name_utf8) + std::to_string(seed % 100) + "號診所"), code};
}

std::string SpacedOut(std::string_view big5_text) {
  std::string spaced;
  big5::ForEachChar(big5_text, [&](std::string_view character, size_t offset) {
    if (offset > 0) spaced += ' ';
    spaced += character;
  });
  return spaced;
}

}  // namespace

DemoClinic VisionDemoClinic(uint32_t seed) { return MakeClinic("展望示範", seed); }

DemoClinic RealSunDemoClinic(uint32_t seed) { return MakeClinic("耀聖示範", seed ^ 0x5A5A5A5Au); }

void WriteVisionParameterTable(const fs::path& folder, const DemoClinic& clinic) {
  DbfWriter table(folder / "VISPARA.DBF", {{"CNAME", 'C', kClinicNameWidth, 0},
                                           {"CCO_NO0", 'C', kClinicCodeWidth, 0},
                                           {"CSUB", 'C', 4, 0},
                                           {"CTEL", 'C', 20, 0},
                                           {"CADDR", 'C', 60, 0},
                                           {"CCLDTNAME", 'C', 20, 0}});
  table.Append({clinic.name, clinic.code, "0400", "02-2345-6789",
                big5::FromUtf8("台北市中正區示範路1號"), big5::FromUtf8("王大明")});
  table.Close();
}

void WriteRealSunTitleTable(const fs::path& folder, const DemoClinic& clinic) {
  CreateFolders(folder / "S");
  DbfWriter table(folder / "S" / "TITLE.DBF", {{"H_NAME", 'C', kClinicNameWidth * 2, 0},
                                               {"H_NO", 'C', kClinicCodeWidth, 0},
                                               {"H_TEL", 'C', 20, 0},
                                               {"H_ADDR", 'C', 60, 0},
                                               {"H_DEPT", 'C', 12, 0},
                                               {"H_TYPE", 'C', 4, 0},
                                               {"DR_NAME", 'C', 20, 0},
                                               {"DR_ID", 'C', 10, 0},
                                               {"DR_NAME1", 'C', 20, 0},
                                               {"DR_ID1", 'C', 10, 0}});
  table.Append({SpacedOut(clinic.name), clinic.code, "02-2765-4321",
                big5::FromUtf8("台北市信義區示範路2號"), big5::FromUtf8("家醫科"), "01",
                SpacedOut(big5::FromUtf8("陳大文")), "A123456789",
                SpacedOut(big5::FromUtf8(kRealSunDemoPharmacistNameUtf8)),
                std::string(kRealSunDemoPharmacistId)});
  table.Close();
}

DemoClinic WriteVisionDemoSource(const fs::path& folder, uint32_t seed) {
  CreateFolders(folder);
  DemoClinic clinic = VisionDemoClinic(seed);
  WriteVisionParameterTable(folder, clinic);
  WriteVisionPatientTable(folder, seed, kDemoGeneratedPatients);
  // The visits belong to generated patients, so that every visit has its patient record.
  WriteVisionVisitTables(folder, seed, {.first_patient = kFirstGeneratedChartNumber});
  WriteVisionCatalogueTables(folder, seed);
  WriteVisionLabTable(folder);
  return clinic;
}

DemoClinic WriteRealSunDemoSource(const fs::path& folder, uint32_t seed) {
  CreateFolders(folder);
  DemoClinic clinic = RealSunDemoClinic(seed);
  WriteRealSunTitleTable(folder, clinic);
  WriteRealSunCatalogueTables(folder, seed);
  WriteRealSunPatientTable(folder, seed, kDemoGeneratedPatients);
  // The visits take their codes and patients from the tables above.
  WriteRealSunVisitTables(folder, seed);
  // The claims are made from the visits, their patients' IDs and the catalogue's NHI codes.
  WriteRealSunClaimArchives(folder, seed);
  return clinic;
}

}  // namespace zuvo::demo
