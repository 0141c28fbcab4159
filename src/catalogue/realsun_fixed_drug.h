#pragma once

// Drugs that RealSun clinics refer to by a short code their own catalogue does not hold.

#include <optional>
#include <string>
#include <string_view>

namespace zuvo {

// One fixed drug. Texts are Big5.
struct tnoMXset {
  std::string name;
  std::string insu_code;
  std::string dose_unit;
  std::string package_unit;
  std::string order_class;
  float cost = 0;
  float price = 0;
};

// The fixed drug of a short code (exact, case-sensitive comparison), or nothing.
std::optional<tnoMXset> FixedDrug(std::string_view code);

}  // namespace zuvo
