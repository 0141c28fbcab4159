#pragma once

// Point totals of a visit from its order lines, shared by the chart conversions: drug points,
// treatment points and special-material points, each line's claim percentage brought to
// percent × 100 on the way.

#include <vector>

#include "charts/order_kind.h"
#include "core/chart_entry.h"

namespace zuvo {

// Flags 2 bits of a line that earns no points: self-paid (0x0002), no charge (0x0008) and the
// other kinds of unpaid lines.
inline constexpr int16_t kOrderFlags2Unpaid = 0x084A;
inline constexpr int16_t kOrderFlags2SelfPaid = 0x0002;
inline constexpr int16_t kOrderFlags2NoCharge = 0x0008;
// Flags 2: the line's percentage is not a claim percentage.
inline constexpr int16_t kOrderFlags2NoPercent = 0x0200;
// Flags 1: the kind bits of the four drug kinds, the special material and surgery kinds.
inline constexpr int16_t kOrderKindDrugMask = order_kind::kDrugMask;
inline constexpr int16_t kOrderKindMaterial = order_kind::kMaterial;
inline constexpr int16_t kOrderKindOperate = order_kind::kOperation;
// A percentage below this is a fraction of 100 (1.0 = 100 %) and is scaled by 100.
inline constexpr int16_t kPercentScaleLimit = 500;

struct VisitPoints {
  int32_t drug = 0, treatment = 0, material = 0;
};

// Scales each line's percentage where needed and sums the points of the lines.
VisitPoints SumOrderPoints(std::vector<OrderLine>& lines);

// Writes the totals into the visit record (drug also at the copy).
void SetVisitPoints(VisitRecord& visit, const VisitPoints& points);

}  // namespace zuvo
