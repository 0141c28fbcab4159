#include "charts/order_record_basics.h"

#include <cstring>
#include <string>

#include "catalogue/mx_status.h"

namespace zuvo {

int16_t PaymentFlagsOfStatus(int64_t status) {
  if (status & mx_status::kChargedSelfPay) return mx_status::kChargedSelfPay;
  if (status & mx_status::kNoCharge) return mx_status::kNoCharge;
  return 0;
}

void SetOrderTimesAndMarks(OrderRecord& order, DateTime execution, DateTime stamp,
                           std::string_view department) {
  order.Set(order_field::kExecutionStart, execution);
  order.Set(order_field::kExecutionEnd, execution);
  order.Set(order_field::kStamp, stamp);
  order.Set(order_field::kMark187, ' ');
  order.Set(order_field::kMark188, ' ');
  std::string prefix(department.substr(0, 2));
  prefix.resize(2, '\0');
  std::memcpy(order.data() + order_field::kDepartmentPrefix.offset, prefix.data(), 2);
}

}  // namespace zuvo
