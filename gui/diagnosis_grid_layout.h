#pragma once

#include <utility>

namespace zuvo::gui {

// The widths of the diagnosis grid's columns 8 and 9 (counting from 1): 60 % and 40 % of what
// is left of the grid's width after the first 400 pixels, each rounded to a whole pixel; none
// below 0.
std::pair<int, int> LongNameColumnWidths(int grid_width);

}  // namespace zuvo::gui
