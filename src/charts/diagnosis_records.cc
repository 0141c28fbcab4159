#include "charts/diagnosis_records.h"

namespace zuvo {
namespace {

struct PreventiveRange {
  int from, to;
  std::string_view code, name_utf8;
};
constexpr PreventiveRange kPreventiveRanges[] = {
    {11, 11, "Z00111", "新生兒健康檢查"},
    {71, 71, "Z00111", "新生兒健康檢查"},
    {12, 20, "Z002", "兒童預防保健"},
    {72, 79, "Z002", "兒童預防保健"},
    {81, 81, "Z002", "兒童預防保健"},
    {87, 89, "Z002", "兒童預防保健"},
    {21, 28, "Z008", "成人健檢"},
    {31, 31, "Z124", "婦女子宮頸抹片檢查"},
    {35, 35, "Z124", "婦女子宮頸抹片檢查"},
    {37, 37, "Z124", "婦女子宮頸抹片檢查"},
    {41, 60, "Z0379", "孕婦產前檢查"},
    {85, 85, "Z13811", "定量免疫法糞便潛血檢查"},
    {91, 91, "Z1239", "婦女乳房X光攝影檢查"},
    {93, 93, "Z1239", "婦女乳房X光攝影檢查"},
    {95, 95, "Z1281", "口腔黏膜檢查"},
    {97, 97, "Z1281", "口腔黏膜檢查"},
};

}  // namespace

DiagnosisRecord MakeDiagnosisRecord(std::string_view code, std::string_view name,
                                    std::string_view short_code, int16_t mark) {
  namespace f = diagnosis_field;
  DiagnosisRecord record;
  record.Set(f::kCode, code);
  record.Set(f::kName, name);
  record.Set(f::kShortCode, short_code);
  record.Set(f::kSourceMark, mark);
  return record;
}

DiagnosisRecord NoDiagnosisRecord() {
  return MakeDiagnosisRecord("NOCODE", "[No Diagnosis]", "", 0);
}

PreventiveDiagnosis PreventiveCareDiagnosisOf(int service) {
  for (const PreventiveRange& range : kPreventiveRanges) {
    if (service >= range.from && service <= range.to) {
      return {std::string(range.code), std::string(range.name_utf8)};
    }
  }
  return {};
}

}  // namespace zuvo
