#pragma once

// Point totals and the order-mix mark of a Vision visit, from its order lines.

#include <string_view>
#include <vector>

#include "core/chart_entry.h"

namespace zuvo {

// Flags 2 bits of a line that earns no points: self-paid (0x0002), and the other kinds of
// unpaid lines the pre-pass marks.
inline constexpr int16_t kOrderFlags2Unpaid = 0x084A;
inline constexpr int16_t kOrderFlags2SelfPaid = 0x0002;
// Flags 2: the line's percentage is not a claim percentage.
inline constexpr int16_t kOrderFlags2NoPercent = 0x0200;
// Flags 1: the kind bits of the four drug kinds, the special material and surgery kinds.
inline constexpr int16_t kOrderKindDrugMask = 0x000F;
inline constexpr int16_t kOrderKindMaterial = 0x0080;
inline constexpr int16_t kOrderKindOperate = 0x0040;
// A percentage below this is a fraction of 100 (1.0 = 100 %) and is scaled by 100.
inline constexpr int16_t kPercentScaleLimit = 500;

struct VisitPoints {
  int32_t drug = 0, treatment = 0, material = 0;
};

// Scales each line's percentage where needed and sums the points of the lines.
VisitPoints SumOrderPoints(std::vector<OrderLine>& lines);

// The order-mix mark of a visit of `case_type` with the lines' NHI codes: ' ' for none.
char OrderMixMark(std::string_view case_type, const std::vector<OrderLine>& lines);

// Writes the totals into the visit record (drug also at the copy).
void SetVisitPoints(VisitRecord& visit, const VisitPoints& points);

}  // namespace zuvo
