#include "charts/vision_order_points.h"

#include "core/chart_store.h"
#include "platform/big5.h"

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

char OrderMixMark(std::string_view case_type, const std::vector<OrderLine>& lines) {
  char mark = ' ';
  for (const OrderLine& line : lines) {
    const std::string code = big5::Trim(line.record.Get(order_field::kInsuranceCode));
    if (case_type == "D2" && code == "A2001C") mark = 'A';
    if (case_type == "D2" && (code == "A2051C" || code == "A2052C")) mark = 'E';
    if (case_type == "E1" && code == "05307C") mark = 'B';
  }
  if (case_type == "B7") mark = 'C';
  if (case_type == "A3") mark = 'D';
  return mark;
}

void SetVisitPoints(VisitRecord& visit, const VisitPoints& points) {
  visit.Set(visit_field::kDrugPointsCopy, points.drug);
  visit.Set(visit_field::kDrugPoints, points.drug);
  visit.Set(visit_field::kTreatmentPoints, points.treatment);
  visit.Set(visit_field::kMaterialPoints, points.material);
}

}  // namespace zuvo
