#include "charts/vision_diagnoses.h"

#include <algorithm>

#include "charts/vision_visit_row.h"
#include "platform/big5.h"
#include "platform/error.h"

namespace zuvo {
namespace {

namespace f = diagnosis_field;

constexpr size_t kDiagnosisCodeLength = 7;
constexpr size_t kUnresolvedCodeLength = 5;
constexpr size_t kSecondaryItemsConsidered = 20;
constexpr int kFirstIcd10Year = 2016;

std::string Key(std::string_view code) { return big5::UpperAscii(big5::Trim(code)); }

DiagnosisRecord Unresolved(const std::string& code, std::string_view name) {
  DiagnosisRecord record = MakeDiagnosisRecord(code, name, "", 0);
  record.Set(f::kUnresolvedSourceCode, big5::CutBytes(code, kUnresolvedCodeLength));
  return record;
}

}  // namespace

PreventiveDiagnosis PreventiveCareDiagnosis(std::string_view vision_code) {
  auto digit = [&](size_t i) { return vision_code[i] >= '0' && vision_code[i] <= '9'; };
  if (vision_code.size() < 3 || vision_code[0] != '@' || !digit(1) || !digit(2)) return {};
  return PreventiveCareDiagnosisOf((vision_code[1] - '0') * 10 + (vision_code[2] - '0'));
}

std::string DottedIcd9(std::string_view code) {
  if (code.size() <= 3) return std::string(code);
  return std::string(code.substr(0, 3)) + "." + std::string(code.substr(3));
}

VisionDiagnosisResolver::VisionDiagnosisResolver(Database clinic_opd, Database& reference,
                                                 Database& icd9_map)
    : clinic_opd_(std::move(clinic_opd)), reference_(reference) {
  RecordSet clinic = clinic_opd_.Query("select ICD10, Sname, Scode from DX");
  for (clinic.First(); !clinic.Eof(); clinic.Next()) {
    clinic_.try_emplace(Key(clinic.Text("ICD10")),
                        ClinicDiagnosis{clinic.Text("Sname"), clinic.Text("Scode")});
  }
  RecordSet codes = reference_.Query("select ICD10 from DX order by _rowid_");
  for (codes.First(); !codes.Eof(); codes.Next()) {
    std::string icd10 = codes.Text("ICD10");
    reference_codes_.try_emplace(Key(icd10), icd10);
  }
  // The first row of an ICD-9 code is its preferred target.
  RecordSet map = icd9_map.Query("select ICD9CMCODE, ICD10CMCODE from CM");
  for (map.First(); !map.Eof(); map.Next()) {
    icd9_map_.try_emplace(Key(map.Text("ICD9CMCODE")), big5::Trim(map.Text("ICD10CMCODE")));
  }
}

VisionDiagnosisResolver::ReferenceDiagnosis VisionDiagnosisResolver::ReadReference(
    const std::string& icd10) {
  RecordSet rows = reference_.Query(
      "select Sname, Ename, Cname, department, Scode, SORTNUM, SORTSCORE, SORTPOWER from DX "
      "where ICD10 = ?",
      {icd10});
  rows.First();
  if (rows.Eof()) throw Error("ICD10CM.MDB: DX " + big5::ToUtf8Escaped(icd10) + " 已不存在");
  // The published names hold a few characters Big5 lacks; they are shown substituted.
  auto text = [&](std::string_view column) {
    bool substituted = false;
    return rows.TextBig5Substituted(column, &substituted);
  };
  ReferenceDiagnosis row{text("Sname"), text("Ename"), text("Cname"), text("department"),
                         text("Scode")};
  row.sort_num = rows.IsNull("SORTNUM") ? 0 : rows.Integer("SORTNUM");
  row.sort_score = rows.IsNull("SORTSCORE") ? 0 : rows.Integer("SORTSCORE");
  row.sort_power = rows.IsNull("SORTPOWER") ? 0 : rows.Integer("SORTPOWER");
  return row;
}

DiagnosisRecord VisionDiagnosisResolver::ResolveOne(const std::string& code, bool main,
                                                    const std::string& labdt, int32_t patient,
                                                    DateTime visit_time, const MessageSink& sink) {
  const std::string key = Key(code);
  // Formatted only for a message.
  auto tail = [&] { return " 病歷號" + std::to_string(patient) + " " + RocDate(visit_time); };
  if (auto found = clinic_.find(key); found != clinic_.end()) {
    return MakeDiagnosisRecord(code, found->second.name, found->second.short_code,
                               kDiagnosisValidIcd10);
  }
  if (!code.empty() && code.front() == '@') {
    PreventiveDiagnosis preventive = PreventiveCareDiagnosis(code);
    if (!preventive.code.empty()) {
      return MakeDiagnosisRecord(preventive.code, big5::Literal(preventive.name_utf8), "",
                                 kDiagnosisValidIcd10);
    }
    Show(sink, (main ? "不明診斷碼:" : "不明次診斷碼:") + big5::ToUtf8Escaped(code) + tail());
    return Unresolved(code, main ? labdt : code);
  }
  if (DecodeDateTime(visit_time).year < kFirstIcd10Year) return Unresolved(code, labdt);
  if (auto learned = learned_icd9_.find(code); learned != learned_icd9_.end()) {
    return MakeDiagnosisRecord(learned->second, labdt, "", kDiagnosisValidIcd10);
  }
  if (auto found = reference_codes_.find(key); found != reference_codes_.end()) {
    const ReferenceDiagnosis row = ReadReference(found->second);
    const std::string& name = !row.sname.empty() ? row.sname : !labdt.empty() ? labdt : row.cname;
    const std::string short_code = big5::Trim(row.short_code);
    // Taken into the clinic's list, so later visits find it there.
    clinic_.emplace(key, ClinicDiagnosis{row.sname, short_code});
    pending_.emplace_back(code, row);
    return MakeDiagnosisRecord(code, name, short_code, kDiagnosisValidIcd10);
  }
  if (auto mapped = icd9_map_.find(Key(DottedIcd9(code))); mapped != icd9_map_.end()) {
    learned_icd9_.emplace(code, mapped->second);
    return MakeDiagnosisRecord(mapped->second, labdt, "", kDiagnosisValidIcd10);
  }
  if (code != "01" && code != "02" && code != "03") {
    Show(sink, (main ? "診斷碼105年起不符ICD10:" : "次診斷碼105年起不符ICD10:") +
                   big5::ToUtf8Escaped(code) + tail());
  }
  return Unresolved(code, labdt);
}

std::vector<DiagnosisRecord> VisionDiagnosisResolver::Resolve(const VisionVisitRow& row,
                                                              int32_t patient, DateTime visit_time,
                                                              const MessageSink& sink) {
  std::vector<DiagnosisRecord> records;
  Resolve(row, patient, visit_time, sink, records);
  return records;
}

void VisionDiagnosisResolver::Resolve(const VisionVisitRow& row, int32_t patient,
                                      DateTime visit_time, const MessageSink& sink,
                                      std::vector<DiagnosisRecord>& records) {
  std::vector<std::pair<std::string, bool>> codes;  // (code, main)
  if (std::string main = big5::CutBytes(big5::Trim(row.labno), kDiagnosisCodeLength);
      !main.empty()) {
    codes.emplace_back(std::move(main), true);
  }
  std::vector<std::string> secondary = CommaItems(row.lacd);
  if (secondary.size() > kSecondaryItemsConsidered) secondary.resize(kSecondaryItemsConsidered);
  for (const std::string& item : secondary) {
    std::string code = big5::CutBytes(item, kDiagnosisCodeLength);
    const bool repeated = std::any_of(codes.begin(), codes.end(),
                                      [&](const auto& known) { return known.first == code; });
    if (!repeated) codes.emplace_back(std::move(code), false);
  }
  if (codes.size() > kMaxDiagnosesPerVisit) codes.resize(kMaxDiagnosesPerVisit);

  const std::string labdt = big5::Trim(row.labdt);
  records.clear();
  records.reserve(std::max<size_t>(codes.size(), 1));
  for (const auto& [code, main] : codes) {
    records.push_back(ResolveOne(code, main, labdt, patient, visit_time, sink));
  }
  if (records.empty()) records.push_back(NoDiagnosisRecord());
}

void VisionDiagnosisResolver::Flush() {
  if (pending_.empty()) return;
  Transaction transaction(clinic_opd_);
  for (const auto& [code, row] : pending_) {
    const bool has_short_code = !big5::Trim(row.short_code).empty();
    clinic_opd_.Execute(
        "insert into DX (ICD10, Sname, Ename, Cname, department, SORTNUM, SORTSCORE, SORTPOWER, "
        "bList, refText, common, keyword1, keyword2, keyword3, keyword4, status, Scode) "
        "values (?, ?, ?, ?, ?, ?, ?, ?, ?, '', ?, '', '', '', '', ?, ?)",
        {code, row.sname, row.ename, row.cname, row.department, row.sort_num, row.sort_score,
         row.sort_power, true, false, int64_t{has_short_code ? 1 : 0},
         has_short_code ? big5::Trim(row.short_code) : std::string()});
  }
  transaction.Commit();
  pending_.clear();
}

}  // namespace zuvo
