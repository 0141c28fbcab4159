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
  Remember(chart_number, national_id, national_id);
}

void WrittenPatients::Remember(int32_t chart_number, const std::string& stored_id,
                               const std::string& whole_id) {
  ids_by_chart_number_.emplace(chart_number, stored_id);
  chart_numbers_by_id_.emplace(whole_id, chart_number);
}

}  // namespace zuvo
