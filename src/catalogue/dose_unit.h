#pragma once

// Dose (per-use) units of the catalogue, column MX.perunit: 0 none, 1 gtt, 2 tab, 4 ml, 8 mg.

#include <string>
#include <string_view>

#include "catalogue/unit_reading.h"
#include "core/message_sink.h"

namespace zuvo {

// The dose unit code of a unit word (Big5). Text that matches no word reads as 0.
UnitReading PerUnitCode(std::string_view big5_text);

// PerUnitCode's code; an unrecognised text is also reported as "不明perUnit:  " + the text.
int PerUnitCodeLogged(std::string_view big5_text, const MessageSink& report);

// "gtt", "tab", "ml", "mg" for 1, 2, 4, 8; empty for any other code.
std::string PerUnitName(int code);

// The dose unit that a package unit implies: tab and box → tab; bot → ml for the class "oral",
// else gtt; tube → gtt; amp and vial → mg; ml → ml; anything else → 0.
int PerUnitFromUnit(int unit_code, std::string_view order_class);

}  // namespace zuvo
