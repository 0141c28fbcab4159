#pragma once

// The order class and pricing unit a Vision order gets from its kind code (CO09D.DBF DTYPE) and
// its unit text (DUM1). The surgery range of NHI codes is ApplySurgeryRange.

#include <string>
#include <string_view>

#include "catalogue/surgery_range.h"

namespace zuvo {

struct VisionOrderKind {
  bool skip = false;        // kinds "ZZ" and "99" are not orders
  std::string order_class;  // "oral", "drop", "inj", "topical", "OPD", "operate", "material"
  std::string unit_name;    // Big5 package unit name ("tab", "次(個)", ...)
  std::string problem;      // a message line (UTF-8) when the kind or unit is not understood
};

// `kind`, `unit_text`, `code` (DNO) and `source_code` (KDRUG) are trimmed Big5 texts.
VisionOrderKind ClassifyVisionOrder(std::string_view kind, std::string_view unit_text,
                                    std::string_view code, std::string_view source_code);

}  // namespace zuvo
