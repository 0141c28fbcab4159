#include "catalogue/surgery_pcs.h"

#include <vector>

#include "platform/big5.h"
#include "platform/table_store.h"

namespace zuvo {

bool EnsureSurgeryPcs(std::string_view code, Database& opd, Database& icd10cm) {
  const std::string trimmed = big5::Trim(code);
  constexpr std::string_view kRowsOfCode = "select * from PCS where INSUcode = ?";
  if (!opd.Query(kRowsOfCode, {Param(trimmed)}).Eof()) return true;
  RecordSet known = icd10cm.Query(kRowsOfCode, {Param(trimmed)});
  if (known.Eof()) return false;
  Transaction transaction(opd);
  for (; !known.Eof(); known.Next()) {
    // UTF-8 both ways: the names are copied exactly, whatever Big5 could hold.
    std::vector<Param> values;
    for (std::string_view column : {"ICD10", "ENAME", "CNAME", "INSUcode"}) {
      values.push_back(known.IsNull(column) ? Param() : Param::Utf8(known.TextUtf8(column)));
    }
    opd.Execute("insert into PCS (ICD10, ENAME, CNAME, INSUcode) values (?, ?, ?, ?)", values);
  }
  transaction.Commit();
  return true;
}

}  // namespace zuvo
