#pragma once

// Merging the DX table of another copy of the diagnosis database into this one
// ("將它檔ICD10融入診斷資料庫"). Settings are only ever added: listed and common become true
// when the other copy's are, the chronic status bits are joined, departments and keywords the
// other copy adds are appended, and a short name this copy has stays.

#include <filesystem>
#include <string>
#include <string_view>

#include "core/roc_date.h"
#include "core/step_context.h"
#include "platform/table_store.h"

namespace zuvo {

// `departments` with each trimmed, non-empty code of `other` (","-separated) that does not occur
// in it yet appended with its ",": "02," and "01,02," give "02,01,".
std::string MergeDepartments(std::string_view departments, std::string_view other);
// `keywords` with "[" + word + "]" appended for each keyword of `other` of at least two bytes
// whose bracketed form does not occur in it yet.
std::string MergeKeywords(std::string_view keywords, std::string_view other);

// Merges the rows of `other`'s DX that have a short name into `database`'s DX, in one
// transaction:
// - a code present here whose row differs in some field shared by both tables gets the merged
//   flags, departments and keywords, the other short name when it has none (a different short
//   name is listed as "請記錄 " + code + "短名不一致,原為" + … + "新加入為" + …), and recTime =
//   `now`;
// - a code absent here is copied field by field (the fields both tables have) unless a longer
//   code here starts with it.
// The count shows the other rows read; returns their number (0: nothing was changed).
long MergeDx(Database& database, Database& other, DateTime now, StepContext& context);

// The other copy, opened for reading: a table store file as it is, a vendor's Access file
// through a copy into the table store in `scratch_folder` (which the caller removes).
Database OpenOtherDiagnosisDatabase(const std::filesystem::path& file,
                                    const std::filesystem::path& scratch_folder);

}  // namespace zuvo
