#pragma once

// What every chart conversion writes into an OrderRecord built from a catalogue row the same
// way: the payment flags of the catalogue status, and the times and marks of the line.

#include <cstdint>
#include <string_view>

#include "core/chart_records.h"
#include "core/roc_date.h"

namespace zuvo {

// Flags 2 of a catalogue status: 0x0002 when it is charged at the self-pay price, else 0x0008
// when it is not charged, else 0.
int16_t PaymentFlagsOfStatus(int64_t status);

// Sets 146/154 the execution start and end, 166 `stamp`, 187/188 ' ' and 203 the first two
// bytes of `department` (zero-padded). Other fields are left as they are.
void SetOrderTimesAndMarks(OrderRecord& order, DateTime execution, DateTime stamp,
                           std::string_view department);

}  // namespace zuvo
