#include "patients/written_patients.h"

#include <cstdio>

namespace zuvo {

const std::string* WrittenPatients::IdOfChartNumber(int32_t chart_number) const {
  auto found = ids_by_chart_number_.find(chart_number);
  return found == ids_by_chart_number_.end() ? nullptr : &found->second;
}

int32_t WrittenPatients::ChartNumberOfId(std::string_view national_id) const {
  auto found = chart_numbers_by_id_.find(national_id);
  return found == chart_numbers_by_id_.end() ? 0 : found->second;
}

std::string WrittenPatients::NextSerialId() {
  char text[16];
  std::snprintf(text, sizeof text, "@%09u", ++last_serial_);
  return text;
}

void WrittenPatients::Remember(int32_t chart_number, const std::string& national_id) {
  ids_by_chart_number_.emplace(chart_number, national_id);
  chart_numbers_by_id_.emplace(national_id, chart_number);
}

}  // namespace zuvo
