#include "charts/vision_order_points.h"

#include "platform/big5.h"

namespace zuvo {

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

}  // namespace zuvo
