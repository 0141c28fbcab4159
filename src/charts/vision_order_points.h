#pragma once

// The order-mix mark of a Vision visit, from its order lines; the point totals are shared with
// the other chart conversion (order_points.h).

#include <string_view>
#include <vector>

#include "charts/order_points.h"

namespace zuvo {

// The order-mix mark of a visit of `case_type` with the lines' NHI codes: ' ' for none.
char OrderMixMark(std::string_view case_type, const std::vector<OrderLine>& lines);

}  // namespace zuvo
