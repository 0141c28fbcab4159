#include "diagnosis/icd10_to_dx.h"

#include <string>

#include "platform/big5.h"
#include "platform/error.h"
#include "platform/file_ops.h"

namespace zuvo {
namespace {

constexpr long kEventInterval = 64;

}  // namespace

std::filesystem::path BackUpDiagnosisDatabase(const std::filesystem::path& file, DateTime now) {
  std::filesystem::path stem = file.stem();
  std::filesystem::path extension = file.extension();
  for (int copy = 1;; ++copy) {
    std::string name = PathToUtf8(stem) + "_" + RocStamp(now) +
                       (copy > 1 ? "_" + std::to_string(copy) : "") + PathToUtf8(extension);
    std::filesystem::path backup = file.parent_path() / PathFromUtf8(name);
    if (CopyFileTo(file, backup, false)) return backup;
  }
}

long FillDxFromIcd10(Database& database, DateTime now, StepContext& context) {
  Transaction transaction(database);
  database.Execute("delete from DX");
  context.SetDone(0);
  RecordSet icd10 = database.Query("select ICDcode, Ename, Cname from ICD10 ORDER by ICDcode");
  long appended = 0;
  icd10.First();
  while (!icd10.Eof()) {
    std::string code = icd10.TextUtf8("ICDcode");
    Param english = Param::Utf8(icd10.TextUtf8("Ename"));
    Param chinese = Param::Utf8(icd10.TextUtf8("Cname"));
    icd10.Next();
    // In code order the longer codes that start with a code follow it at once.
    bool leaf = icd10.Eof() ||
                !big5::LowerAscii(icd10.TextUtf8("ICDcode")).starts_with(big5::LowerAscii(code));
    if (!leaf) continue;
    database.Execute("insert into DX (ICD10, Cname, Ename, recTime) values (?, ?, ?, ?)",
                     {Param::Utf8(code), chinese, english, now});
    context.SetDone(++appended);
    if (appended % kEventInterval == 0) context.ProcessEvents();
  }
  transaction.Commit();
  return appended;
}

}  // namespace zuvo
