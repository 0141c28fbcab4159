#pragma once

// The diagnoses of a Vision visit: the main code LABNO and the secondary codes LACD resolved
// against the clinic's diagnosis list, Vision's preventive-care codes ("@nn"), the ICD-9 era
// before 2016, ICD-9 codes learned during the run, the reference ICD-10 list (whose rows used
// are added to the clinic's list) and the ICD-9 → ICD-10 map.
//
// The clinic's list and the ICD-9 map are read once into memory when the resolver is built; of
// the reference list only the codes are, and a row is read when a visit first needs it. The rows
// added to the clinic's list are written by Flush() in one transaction.

#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "charts/diagnosis_records.h"
#include "core/chart_records.h"
#include "core/message_sink.h"
#include "core/roc_date.h"
#include "platform/table_store.h"

namespace zuvo {

struct VisionVisitRow;

// The fixed diagnosis of a Vision preventive-care code "@nn"; empty code when unknown.
PreventiveDiagnosis PreventiveCareDiagnosis(std::string_view vision_code);

// "2500" → "250.0": the ICD-9 form of a code, a dot after the third character.
std::string DottedIcd9(std::string_view code);

class VisionDiagnosisResolver {
 public:
  // `clinic_opd` is the work tree's Corvix\OPD.mdb (table DX), `reference` ICD10CM.MDB (table
  // DX, which must outlive the resolver) and `icd9_map` "ICD-10-CM (1020314).MDB" (table CM).
  // Throws Error naming the database.
  VisionDiagnosisResolver(Database clinic_opd, Database& reference, Database& icd9_map);

  // The visit's DiagnosisRecords (at most 20, at least the "NOCODE" record). Codes that do not
  // resolve are listed through `sink` with the patient number and date.
  std::vector<DiagnosisRecord> Resolve(const VisionVisitRow& row, int32_t patient,
                                       DateTime visit_time, const MessageSink& sink);
  // The same into `records` (replacing what it held), which keeps its room from visit to visit.
  void Resolve(const VisionVisitRow& row, int32_t patient, DateTime visit_time,
               const MessageSink& sink, std::vector<DiagnosisRecord>& records);

  // Appends the reference rows taken during the run to the clinic's DX.
  void Flush();

  const std::map<std::string, std::string>& learned_icd9() const { return learned_icd9_; }

 private:
  struct ClinicDiagnosis {
    std::string name, short_code;
  };
  struct ReferenceDiagnosis {
    std::string sname, ename, cname, department, short_code;
    int64_t sort_num = 0, sort_score = 0, sort_power = 0;
  };

  ReferenceDiagnosis ReadReference(const std::string& icd10);
  DiagnosisRecord ResolveOne(const std::string& code, bool main, const std::string& labdt,
                             int32_t patient, DateTime visit_time, const MessageSink& sink);

  Database clinic_opd_;
  Database& reference_;
  std::map<std::string, ClinicDiagnosis> clinic_;  // by upper-case ICD10
  // Upper-case ICD10 → the reference row's ICD10 as stored (the first row of a code).
  std::unordered_map<std::string, std::string> reference_codes_;
  std::map<std::string, std::string> icd9_map_;      // dotted ICD-9 (upper) → ICD-10
  std::map<std::string, std::string> learned_icd9_;  // source code → ICD-10
  std::vector<std::pair<std::string, ReferenceDiagnosis>> pending_;  // rows for the clinic DX
};

}  // namespace zuvo
