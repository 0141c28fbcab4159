#pragma once

// Package (pricing) units of the catalogue, column MX.unit: 1 tab, 2 bot, 3 tube, 4 box, 5 amp,
// 6 vial, 7 ml, 8 次(個).

#include <string>
#include <string_view>

#include "catalogue/unit_reading.h"
#include "core/message_sink.h"

namespace zuvo {

// The package unit code of a unit word (Big5). Text that matches no word reads as 8.
UnitReading UnitCode(std::string_view big5_text);

// The Big5 name of a package unit code; empty for a code outside 1..8.
std::string UnitName(int code);

// UnitCode's code; an unrecognised text is also reported as "不明Unit:  " + the text.
int UnitCodeLogged(std::string_view big5_text, const MessageSink& report);

}  // namespace zuvo
