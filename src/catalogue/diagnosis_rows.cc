#include "catalogue/diagnosis_rows.h"

#include "platform/record_set.h"

namespace zuvo {
namespace {

std::string TrimUtf8(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\n";
  size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(kBlanks) - first + 1));
}

}  // namespace

void AppendDiagnosisRow(RecordSet& dx, const RecordSet& reference,
                        const ClinicDiagnosis& diagnosis) {
  dx.Append();
  dx.SetBoolean("bList", true);
  dx.SetText("ICD10", diagnosis.icd10);
  dx.SetText("refText", diagnosis.ref_text);
  dx.SetBoolean("common", diagnosis.common);
  dx.SetInteger("status", diagnosis.related.empty() ? 0 : 1);
  dx.SetText("Scode", diagnosis.related);
  dx.SetText("Sname", diagnosis.short_name);
  dx.SetTextUtf8("Ename", reference.TextUtf8("Ename"));
  dx.SetTextUtf8("Cname", reference.TextUtf8("Cname"));
  dx.SetTextUtf8("department", reference.TextUtf8("department"));
  for (size_t i = 0; i < kKeywordColumns; ++i) {
    dx.SetTextUtf8("keyword" + std::to_string(i + 1), diagnosis.keywords[i]);
  }
  for (std::string_view sort : {"SORTNUM", "SORTSCORE", "SORTPOWER"}) {
    dx.SetInteger(sort, reference.IsNull(sort) ? 0 : reference.Integer(sort));
  }
  dx.Post();
}

std::array<std::string, kKeywordColumns> SplitKeywords(std::string_view utf8_keywords) {
  std::array<std::string, kKeywordColumns> columns;
  std::string rest;
  size_t part = 0;
  for (size_t start = 0; start <= utf8_keywords.size(); ++part) {
    size_t comma = utf8_keywords.find(',', start);
    if (comma == std::string_view::npos) comma = utf8_keywords.size();
    std::string_view text = utf8_keywords.substr(start, comma - start);
    if (part < kKeywordColumns - 1) {
      columns[part] = TrimUtf8(text);
    } else {
      if (part > kKeywordColumns - 1) rest += "\r\n";
      rest += text;
    }
    start = comma + 1;
  }
  columns[kKeywordColumns - 1] = TrimUtf8(rest);
  return columns;
}

}  // namespace zuvo
