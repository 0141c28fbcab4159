#pragma once

// Where one lab value goes in the section lists of a patient's recent visits (newest first):
// 1. direct: every line of every visit that holds "_PATH=" takes the value;
// 2. shared (nothing direct, PATH in the share map): each further path S takes it in the newest
//    visit that has "_S="; three health-check paths take a converted value (urine protein grade,
//    hepatitis B surface antigen, hepatitis C antibody) and are filled in every visit;
// 3. anchored (nothing placed): "Urine ACR", "HDL", "T-CHO/HDL-C" and "Creatinine(b)" get a
//    stand-alone section in the newest visit that has their companion field;
// 4. stand-alone (nothing placed): a stand-alone section of the newest visit.
// A section that receives a value records the row's report time stamp on its closing line.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/pe_definitions.h"
#include "postprocess/vision_lab_sections.h"

namespace zuvo {

struct LabValue {
  std::string path;   // the PE field path of laboratory.ini
  std::string value;  // trimmed HVAL
  std::string stamp;  // HSNDDT + HSNDTM
};

enum class LabPlacement {
  kPlaced,         // direct, shared or anchored
  kConvertedOnly,  // stand-alone, but a converted value was written
  kStandAlone,     // stand-alone and nothing else
};

// Hears of an urine-protein value that is no grade (stored as "9999").
using UnknownUrineProtein = std::function<void(const std::string& value)>;

// Places `value` into `visits` (newest first, not empty).
LabPlacement PlaceLabValue(std::vector<VisitSections>& visits, const LabValue& value,
                           const PEDefinitions& definitions,
                           const UnknownUrineProtein& unknown_urine_protein);

// The converted texts of the three health-check answers.
std::string UrineProteinGrade(std::string_view value, bool& recognised);
std::string HepatitisBAnswer(std::string_view value);
std::string HepatitisCAnswer(std::string_view value);

}  // namespace zuvo
