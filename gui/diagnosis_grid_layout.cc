#include "diagnosis_grid_layout.h"

#include <algorithm>
#include <cmath>

namespace zuvo::gui {

namespace {
constexpr int kFixedColumnsWidth = 400;
}  // namespace

std::pair<int, int> LongNameColumnWidths(int grid_width) {
  int rest = std::max(grid_width - kFixedColumnsWidth, 0);
  // Integer arithmetic: rest * 6 / 10 is never exactly half-way, so rounding to nearest is exact.
  int first = (rest * 6 + 5) / 10;
  int second = (rest * 4 + 5) / 10;
  return {first, second};
}

}  // namespace zuvo::gui
