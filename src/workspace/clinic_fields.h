#pragma once

// The clinic fields every conversion window has: what the folder choice fills and every step
// reads. Texts are Big5, as the windows hold them for the engine.

#include <filesystem>
#include <string>

namespace zuvo {

struct ClinicFolderFields {
  std::filesystem::path source_folder;  // CVISWdir / CRSdir
  std::string clinic_name;              // CVISWclinicName / CRSclinicName
  std::string clinic_id;                // CVISWclinicID / CRSclinicID
  std::string his;                      // CVISWHIS / CRSHIS: the recognised system's name
  std::filesystem::path work_tree;      // CVISWqmxDir / CRSqmxDir
  std::string start_date;               // CstartDate: the opening date, ROC yyymmdd, may be empty
  std::string pharmacist_name;          // CVISWPharmacistName / CRSPharmacistName
  std::string pharmacist_id;            // CVISWPharmacistID / CRSPharmacistID
};

}  // namespace zuvo
