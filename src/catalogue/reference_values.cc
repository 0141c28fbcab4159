#include "catalogue/reference_values.h"

#include <cmath>
#include <cstdio>

#include "core/number_text.h"
#include "platform/big5.h"
#include "platform/record_set.h"

namespace zuvo {

int64_t ReferencePrice(std::string_view text) {
  float value = static_cast<float>(NumberOr(big5::Trim(text), 0));
  return std::llround(static_cast<double>(value) * 10000);
}

std::string OpdReferenceDate(std::string_view text) {
  if (text.size() < 4) return std::string(text);
  int year = static_cast<int>(NumberOr(text.substr(0, 4), 0)) - 1911;
  char head[16];
  std::snprintf(head, sizeof head, "%03d", year);
  return head + std::string(text.substr(4, 6));
}

std::string MaterialReferenceDate(std::string_view text) {
  std::string date(text);
  if (date.size() >= 7) date.erase(6, 1);
  if (date.size() >= 4) date.erase(3, 1);
  return date;
}

std::string ReferenceText(const RecordSet& row, std::string_view field) {
  return row.Eof() || !row.HasField(field) ? std::string() : row.Text(field);
}

bool WriteMedicineColumns(RecordSet& mx, const RecordSet& medicine) {
  auto ref = [&](std::string_view field) { return ReferenceText(medicine, field); };
  std::string oral = big5::Trim(ref("oral"));
  mx.SetText("content", big5::Trim(ref("content")));
  mx.SetBoolean("IsComPlex", big5::Trim(ref("complex")) == "Y");
  mx.SetText("OralTablet", oral);
  mx.SetText("StartDate", ref("StartDate"));
  mx.SetText("EndDate", ref("EndDate"));
  mx.SetText("DXtype", big5::Trim(ref("DXtype")));
  mx.SetText("ATCcode", big5::Trim(ref("ATCcode")));
  mx.SetText("INSUmark", "");
  return oral == "a1";
}

void ClearMedicineColumns(RecordSet& mx) {
  mx.SetText("content", "");
  mx.SetBoolean("IsComPlex", false);
  mx.SetText("OralTablet", "");
  mx.SetText("DXtype", "");
  mx.SetText("ATCcode", "");
}

}  // namespace zuvo
