#include "charts/order_points.h"

#include "core/chart_store.h"

namespace zuvo {

VisitPoints SumOrderPoints(std::vector<OrderLine>& lines) {
  namespace f = order_field;
  VisitPoints points;
  for (OrderLine& line : lines) {
    OrderRecord& record = line.record;
    const int16_t flags1 = record.Get(f::kFlags1);
    const int16_t flags2 = record.Get(f::kFlags2);
    const bool unpaid = (flags2 & kOrderFlags2Unpaid) != 0;
    const bool drug = (flags1 & kOrderKindDrugMask) != 0 && !unpaid;
    if (!drug && (flags2 & kOrderFlags2NoPercent) != 0) continue;
    if (int16_t percent = record.Get(f::kPaymentPercent); percent < kPercentScaleLimit) {
      record.Set(f::kPaymentPercent, static_cast<int16_t>(percent * 100));
    }
    const double amount = static_cast<double>(record.Get(f::kUnitPrice)) *
                          static_cast<double>(record.Get(f::kTotalQuantity));
    if (drug) {
      points.drug += RoundHalfUp(amount);
    } else if (!unpaid) {
      const int32_t earned = RoundHalfUp(amount * record.Get(f::kPaymentPercent) / 10000.0);
      ((flags1 & kOrderKindMaterial) != 0 ? points.material : points.treatment) += earned;
    }
  }
  return points;
}

void SetVisitPoints(VisitRecord& visit, const VisitPoints& points) {
  visit.Set(visit_field::kDrugPointsCopy, points.drug);
  visit.Set(visit_field::kDrugPoints, points.drug);
  visit.Set(visit_field::kTreatmentPoints, points.treatment);
  visit.Set(visit_field::kMaterialPoints, points.material);
}

}  // namespace zuvo
