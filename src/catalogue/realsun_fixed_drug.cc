#include "catalogue/realsun_fixed_drug.h"

#include "platform/big5.h"

namespace zuvo {
namespace {

struct FixedDrugEntry {
  std::string_view code;
  std::string_view name_utf8;
  std::string_view insu_code;
  std::string_view dose_unit;
  std::string_view package_unit;
  std::string_view order_class;
  float cost;
  float price;
};

constexpr FixedDrugEntry kFixedDrugs[] = {
    {"HSO", "HS cream", "NOUSE00001", "gtt", "box", "topical", 0.0f, 0.0f},
    {"A303", "Amoxicillin 500mg", "NOUSE00002", "tab", "tab", "oral", 1.53f, 1.53f},
    {"BES", "BS", "NOUSE00003", "gtt", "box", "topical", 15.0f, 15.0f},
    {"CBS", "C.B. Strong", "NOUSE00004", "tab", "tab", "oral", 1.4f, 1.4f},
    {"COS", "Codin-S", "NOUSE00005", "ml", "bot", "oral", 0.0f, 0.0f},
    {"PIR", "Piroxicam GEL 10MG/G", "A043214345", "gtt", "tube", "topical", 45.6f, 45.6f},
    {"VA3", "三合一(新)+polio", "NOUSE00006", "", "vial", "inj", 0.0f, 0.0f},
    {"VA4", "四合一+polio", "NOUSE00007", "", "vial", "inj", 0.0f, 0.0f},
    {"MEL", "MOBIC TABLETS 7.5MG", "A041913100", "tab", "tab", "oral", 6.1f, 6.1f},
    {"POLY", "PolyVisol", "NOUSE00008", "ml", "ml", "oral", 0.0f, 0.0f},
};

}  // namespace

std::optional<tnoMXset> FixedDrug(std::string_view code) {
  for (const FixedDrugEntry& entry : kFixedDrugs) {
    if (entry.code != code) continue;
    return tnoMXset{big5::Literal(entry.name_utf8),
                    std::string(entry.insu_code),
                    std::string(entry.dose_unit),
                    std::string(entry.package_unit),
                    std::string(entry.order_class),
                    entry.cost,
                    entry.price};
  }
  return std::nullopt;
}

}  // namespace zuvo
