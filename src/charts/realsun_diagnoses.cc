#include "charts/realsun_diagnoses.h"

#include <array>

#include "charts/diagnosis_records.h"
#include "charts/realsun_table_fields.h"
#include "charts/realsun_visit_row.h"
#include "platform/big5.h"
#include "platform/dbf_table.h"
#include "platform/table_store.h"

namespace zuvo {
namespace {

// Codes of old RealSun installations that no diagnosis table holds.
struct LegacyDiagnosis {
  std::string_view source_code, icd_code, name_utf8;
};
constexpr LegacyDiagnosis kLegacyDiagnoses[] = {
    {"OTH2", "5589", "其他及未明示之非傳染"},
    {"NEE", "V069", "其他混合疫苗"},
    {"HEA", "V202", "嬰兒例行之健康檢查"},
    {"Ros", "6953", "Rosacea"},
    {"0034", "4644", "嘶哮"},
    {"ATO", "6918", "其他異位性皮膚炎"},
    {"V700", "V700", "在保健機構的一般常規"},
    {"0197", "9104", "昆蟲叮咬，頭頸部"},
    {"HEA2", "V202", "嬰幼兒例行之健康檢查2"},
    {"7088", "7088", "其他特定之蕁麻疹"},
    {"PHA", "0772", "咽結膜熱"},
    {"5282", "5282", "Oral aphthae"},
    {"0130", "7714", "Omphalitis"},
    {"0149", "7746", "Neonatal jaundice"},
    {"0105", "7852", "未診斷之心雜音"},
    {"HEA79", "V202", "兒童例行之健康檢查79"},
    {"0191", "6908", "Seborrheic dermatitis"},
    {"HEA73", "V202", "嬰兒例行之健康檢查73"},
    {"VACF1", "V048", "流行性感冒疫苗接種"},
    {"HEA78", "V202", "兒童例行之健康檢查78"},
    {"AST1", "49390", "Asthma"},
    {"00111", "4619", "Acute sinusitis"},
    {"HEA74", "V202", "嬰幼兒例行之健康檢查74"},
    {"HEA70", "V202", "嬰幼兒例行之健康檢查70"},
    {"HEA7A", "V202", "兒童例行之健康檢查7A"},
};

const LegacyDiagnosis* LegacyDiagnosisOf(std::string_view code) {
  const std::string upper = big5::UpperAscii(code);
  for (const LegacyDiagnosis& legacy : kLegacyDiagnoses) {
    if (big5::UpperAscii(legacy.source_code) == upper) return &legacy;
  }
  return nullptr;
}

std::string Key(std::string_view code) { return big5::UpperAscii(big5::Trim(code)); }

// The preventive order of a service; adult checks have a code per stage.
std::string PreventiveOrderCode(int service, bool second_stage) {
  switch (service) {
    case 21:
      return second_stage ? "23" : "21";
    case 22:
      return second_stage ? "24" : "22";
    case 23:
      return second_stage ? "26" : "25";
    case 24:
      return second_stage ? "28" : "27";
    default:
      break;
  }
  const bool own_order = service == 31 || service == 35 || service == 37 ||
                         (service >= 41 && service <= 50) || service == 85 || service == 91 ||
                         service == 93 || service == 95 || service == 97 ||
                         (service >= 71 && service <= 73) || (service >= 75 && service <= 79);
  return own_order ? std::to_string(service) : std::string();
}

}  // namespace

std::optional<PreventiveCare> PreventiveCareOfCard(std::string_view card, bool second_stage) {
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (card.size() != 4 || card.substr(0, 2) != "IC" || !digit(card[2]) || !digit(card[3])) {
    return std::nullopt;
  }
  const int service = (card[2] - '0') * 10 + (card[3] - '0');
  PreventiveDiagnosis diagnosis = PreventiveCareDiagnosisOf(service);
  if (diagnosis.code.empty()) return std::nullopt;
  return PreventiveCare{MakeDiagnosisRecord(diagnosis.code, big5::Literal(diagnosis.name_utf8), "",
                                            kDiagnosisValidIcd10),
                        PreventiveOrderCode(service, second_stage)};
}

RealSunDiagnosisResolver::RealSunDiagnosisResolver(Database& clinic_opd, DbfTable* sick,
                                                   SectionMap dx_fixes)
    : dx_fixes_(std::move(dx_fixes)) {
  RecordSet rows = clinic_opd.Query("select refText, ICD10, Sname, Scode from DX");
  for (rows.First(); !rows.Eof(); rows.Next()) {
    ClinicDiagnosis diagnosis{big5::Trim(rows.Text("ICD10")), rows.Text("Sname"),
                              big5::Trim(rows.Text("Scode"))};
    if (std::string ref = Key(rows.Text("refText")); !ref.empty()) {
      by_ref_text_.try_emplace(ref, diagnosis);
    }
    by_icd10_.try_emplace(Key(diagnosis.icd10), diagnosis);
  }
  if (sick == nullptr) return;
  const int code = RequiredFieldIndex(*sick, "CODE");
  const int name = RequiredFieldIndex(*sick, "ENG_NAME");
  // Older tables call the code column ICD10.
  const int icd =
      sick->HasField("ICD") ? sick->FieldIndex("ICD") : RequiredFieldIndex(*sick, "ICD10");
  const int short_code = sick->FieldIndex("S_CODE");
  for (sick->First(); !sick->Eof(); sick->Next()) {
    sick_.try_emplace(
        big5::Trim(sick->RawField(code)),
        SourceDiagnosis{big5::Trim(sick->RawField(name)), big5::Trim(sick->RawField(icd)),
                        short_code < 0 ? std::string() : big5::Trim(sick->RawField(short_code))});
  }
}

std::optional<DiagnosisRecord> RealSunDiagnosisResolver::ResolveOne(const std::string& code,
                                                                    int32_t patient,
                                                                    const MessageSink& sink) {
  const std::string patient_text = " 病歷號:" + std::to_string(patient);
  if (auto found = by_ref_text_.find(Key(code)); found != by_ref_text_.end()) {
    const ClinicDiagnosis& row = found->second;
    return MakeDiagnosisRecord(row.icd10, row.name, row.short_code, kDiagnosisValidIcd10);
  }
  if (auto found = sick_.find(code); found != sick_.end()) {
    const SourceDiagnosis& row = found->second;
    const std::string* fix = dx_fixes_.Find(row.english_name);
    if (fix == nullptr) {
      return MakeDiagnosisRecord(row.icd, row.english_name, row.short_code,
                                 kDiagnosisFromSourceTables);
    }
    auto replacement = by_icd10_.find(Key(*fix));
    if (replacement != by_icd10_.end()) {
      const ClinicDiagnosis& row = replacement->second;
      return MakeDiagnosisRecord(row.icd10, row.name, row.short_code, kDiagnosisValidIcd10);
    }
    if (reported_.insert("fix:" + row.english_name).second) {
      Show(sink,
           "OPD.mdb找不到取代ICD10診斷:" + big5::ToUtf8Escaped(row.english_name) + patient_text);
    }
    return std::nullopt;
  }
  if (const LegacyDiagnosis* legacy = LegacyDiagnosisOf(code)) {
    return MakeDiagnosisRecord(legacy->icd_code, big5::Literal(legacy->name_utf8), "",
                               kDiagnosisFromSourceTables);
  }
  if (reported_.insert("code:" + code).second) {
    Show(sink, "OPD.mdb找不到ICD10診斷:" + big5::ToUtf8Escaped(code) + patient_text);
  }
  return MakeDiagnosisRecord("NOCODE", code, "", kDiagnosisFromSourceTables);
}

std::vector<DiagnosisRecord> RealSunDiagnosisResolver::Resolve(const RealSunVisitRow& row,
                                                               int32_t patient,
                                                               const MessageSink& sink) {
  std::vector<DiagnosisRecord> records;
  for (const std::string* code : std::array{&row.sick_code, &row.sic2, &row.sic3}) {
    if (code->empty()) continue;
    if (std::optional<DiagnosisRecord> record = ResolveOne(*code, patient, sink)) {
      records.push_back(std::move(*record));
    }
  }
  if (records.empty()) records.push_back(NoDiagnosisRecord());
  return records;
}

}  // namespace zuvo
