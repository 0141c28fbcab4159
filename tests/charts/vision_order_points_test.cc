#include "charts/vision_order_points.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zuvo {
namespace {

namespace f = order_field;

OrderLine Line(std::string code, int16_t kind, int16_t flags2 = 0, float price = 10,
               float quantity = 3, int16_t percent = 1) {
  OrderLine line;
  line.record.Set(f::kInsuranceCode, code);
  line.record.Set(f::kFlags1, kind);
  line.record.Set(f::kFlags2, flags2);
  line.record.Set(f::kUnitPrice, price);
  line.record.Set(f::kTotalQuantity, quantity);
  line.record.Set(f::kPaymentPercent, percent);
  return line;
}

TEST(VisionOrderPoints, TotalsByKindAndPaymentFlags) {
  std::vector<OrderLine> lines = {
      Line("D1", 8, 0, 1.25f, 2),         // topical drug: 2.5 → 3
      Line("D2", 1, 0x0008),              // unpaid drug: nothing, percent still scaled
      Line("T1", 16, 0, 100, 1, 120),     // treatment 120 % → 12000 → 120
      Line("T2", 32, 0, 100, 1, 600),     // percent 600 is kept: 100 × 600 / 10000 = 6
      Line("M1", 128, 0, 33.3f, 1, 100),  // material 33.3 → 33
      Line("X1", 16, 0x0200, 100, 1, 1),  // no claim percentage: untouched, no points
      Line("S1", 64, 0x0002, 100, 1, 1),  // self-paid surgery: scaled, no points
  };
  VisitPoints points = SumOrderPoints(lines);
  EXPECT_EQ(points.drug, 3);
  EXPECT_EQ(points.treatment, 126);
  EXPECT_EQ(points.material, 33);
  EXPECT_EQ(lines[0].record.Get(f::kPaymentPercent), 100);
  EXPECT_EQ(lines[1].record.Get(f::kPaymentPercent), 100);
  EXPECT_EQ(lines[3].record.Get(f::kPaymentPercent), 600);
  EXPECT_EQ(lines[5].record.Get(f::kPaymentPercent), 1);
  EXPECT_EQ(lines[6].record.Get(f::kPaymentPercent), 100);

  VisitRecord visit;
  SetVisitPoints(visit, points);
  EXPECT_EQ(visit.Get(visit_field::kDrugPointsCopy), 3);
  EXPECT_EQ(visit.Get(visit_field::kDrugPoints), 3);
  EXPECT_EQ(visit.Get(visit_field::kTreatmentPoints), 126);
  EXPECT_EQ(visit.Get(visit_field::kMaterialPoints), 33);
}

TEST(VisionOrderPoints, OrderMixMarks) {
  EXPECT_EQ(OrderMixMark("D2", {Line("A2001C", 16)}), 'A');
  EXPECT_EQ(OrderMixMark("D2", {Line("A2001C", 16), Line("A2052C", 16)}), 'E');
  EXPECT_EQ(OrderMixMark("D2", {Line("05307C", 16)}), ' ');
  EXPECT_EQ(OrderMixMark("E1", {Line("05307C", 16)}), 'B');
  EXPECT_EQ(OrderMixMark("B7", {}), 'C');
  EXPECT_EQ(OrderMixMark("A3", {Line("A2001C", 16)}), 'D');
  EXPECT_EQ(OrderMixMark("01", {Line("A2001C", 16)}), ' ');
}

}  // namespace
}  // namespace zuvo
