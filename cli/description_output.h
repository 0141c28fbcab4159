#pragma once

// A Description (see core/store_description.h) written for people (indented "name: value"
// lines) or as JSON, for the commands that show what a store or work tree holds.

#include <iosfwd>

#include "core/store_description.h"

namespace zuvo::cli {

// Writes `value` as JSON, nested `indent` levels deep (two blanks a level).
void WriteJson(const Description& value, std::ostream& out, int indent);
// Writes `value` as indented "name: value" lines.
void WriteText(const Description& value, std::ostream& out, int indent);

}  // namespace zuvo::cli
