#pragma once

// Rows of a clinic catalogue's DX table made from the clinic's diagnoses and the diagnosis
// database ICD10CM.MDB.

#include <array>
#include <string>
#include <string_view>

namespace zuvo {

class RecordSet;

inline constexpr size_t kKeywordColumns = 4;  // keyword1 .. keyword4

// What the clinic's diagnosis gives its DX row (Big5 texts, keywords UTF-8).
struct ClinicDiagnosis {
  std::string icd10;
  std::string ref_text;    // the clinic's own diagnosis code, or empty
  std::string related;     // a related code (Scode); status 1 when there is one
  std::string short_name;  // Sname
  bool common = false;
  std::array<std::string, kKeywordColumns> keywords;
};

// Appends and posts the DX row of `diagnosis`, with bList true and Ename, Cname, department,
// SORTNUM, SORTSCORE and SORTPOWER from `reference`, the current row of ICD10CM.MDB's DX table
// (its names kept as they are, whatever Big5 can hold).
void AppendDiagnosisRow(RecordSet& dx, const RecordSet& reference,
                        const ClinicDiagnosis& diagnosis);

// The keyword columns of ICD10CM.MDB's keyword text (UTF-8): keyword1 to keyword3 are its first
// three comma-separated parts, keyword4 the remaining parts one per line (CR LF), each without
// blanks at either end.
std::array<std::string, kKeywordColumns> SplitKeywords(std::string_view utf8_keywords);

}  // namespace zuvo
