#pragma once

// The imported publication into the editor's pick list ("將轉檔ICD10瑱入診斷資料庫"): DX is
// rebuilt from ICD10, leaf codes only. Every editor setting of the former DX rows (groups, short
// names, departments, keywords, chronic marks) is gone afterwards, so the tool keeps a dated
// copy of the database first.

#include <filesystem>

#include "core/roc_date.h"
#include "core/step_context.h"
#include "platform/table_store.h"

namespace zuvo {

// Copies the closed database file `file` to "<name>_<ROC stamp of now>.MDB" beside it (with
// "_2", "_3", ... when that exists) and returns the copy. Throws Error naming both files.
std::filesystem::path BackUpDiagnosisDatabase(const std::filesystem::path& file, DateTime now);

// Replaces the rows of DX, in one transaction, with one row per code of ICD10 that no longer
// code of ICD10 starts with (ICD10, Cname, Ename, recTime = `now`), in code order. The count
// shows the rows appended; returns their number.
long FillDxFromIcd10(Database& database, DateTime now, StepContext& context);

}  // namespace zuvo
