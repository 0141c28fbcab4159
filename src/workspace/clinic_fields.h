#pragma once

// The clinic fields every conversion window has: what the folder choice fills and every step
// reads. Texts are Big5, as the windows hold them for the engine.

#include <filesystem>
#include <string>

namespace zuvo {

// What a folder choice does when the work tree it would make today exists and holds a
// conversion: the window asks the operator; the command line replaces it only when told to.
enum class SameDayWorkTree {
  kAsk,      // a Yes/No box: Yes replaces it, No takes the next free name
  kReplace,  // the old tree is deleted and made anew
  kNewName,  // the next free name: "<ROC date>_1-2", "<ROC date>_1-3", ...
};

struct ClinicFolderFields {
  std::filesystem::path source_folder;  // CVISWdir / CRSdir
  std::string clinic_name;              // CVISWclinicName / CRSclinicName
  std::string clinic_id;                // CVISWclinicID / CRSclinicID
  std::string his;                      // CVISWHIS / CRSHIS: the recognised system's name
  std::filesystem::path work_tree;      // CVISWqmxDir / CRSqmxDir
  std::string start_date;               // CstartDate: the opening date, ROC yyymmdd, may be empty
  std::string pharmacist_name;          // CVISWPharmacistName / CRSPharmacistName
  std::string pharmacist_id;            // CVISWPharmacistID / CRSPharmacistID
  // Not a box of the window: how the folder choice treats a converted work tree of the day.
  SameDayWorkTree same_day_tree = SameDayWorkTree::kAsk;
};

}  // namespace zuvo
