#pragma once

// The diagnoses of a RealSun visit: the preventive-care service of its card, or its three
// diagnosis codes (SICK_CODE, SIC2, SIC3) resolved through the clinic's diagnosis list (by the
// clinic's own code, refText), the source's SICK.DBF with the clinic's [DXfix] corrections, and
// a few fixed codes of old RealSun installations. Every table is read once into memory.

#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/chart_records.h"
#include "core/message_sink.h"
#include "workspace/section_map.h"

namespace zuvo {

class Database;
class DbfTable;
struct RealSunVisitRow;

// The preventive-care service a card sequence "ICnn" names: its fixed diagnosis and, for the
// services claimed with an order of their own, that order's NHI code (the second-stage code for
// the second visit of an adult health check).
struct PreventiveCare {
  DiagnosisRecord diagnosis;
  std::string order_code;  // empty when the service has no order of its own
};
std::optional<PreventiveCare> PreventiveCareOfCard(std::string_view card, bool second_stage);

class RealSunDiagnosisResolver {
 public:
  // `clinic_opd` is the work tree's OPD.mdb (table DX), `sick` the source's SICK.DBF (or null
  // when the source has none), `dx_fixes` the clinic's diagnosis name fixes (English name →
  // ICD-10).
  RealSunDiagnosisResolver(Database& clinic_opd, DbfTable* sick, SectionMap dx_fixes);

  // The records of SICK_CODE, SIC2 and SIC3 (blank ones skipped); "NOCODE" / "[No Diagnosis]"
  // when none is left. Problems are listed once per code through `sink`.
  std::vector<DiagnosisRecord> Resolve(const RealSunVisitRow& row, int32_t patient,
                                       const MessageSink& sink);

 private:
  struct ClinicDiagnosis {
    std::string icd10, name, short_code;
  };
  struct SourceDiagnosis {
    std::string english_name, icd, short_code;
  };
  std::optional<DiagnosisRecord> ResolveOne(const std::string& code, int32_t patient,
                                            const MessageSink& sink);

  std::unordered_map<std::string, ClinicDiagnosis> by_ref_text_;  // upper-cased refText
  std::unordered_map<std::string, ClinicDiagnosis> by_icd10_;     // upper-cased ICD10
  std::unordered_map<std::string, SourceDiagnosis> sick_;         // trimmed CODE
  SectionMap dx_fixes_;
  std::set<std::string> reported_;
};

}  // namespace zuvo
