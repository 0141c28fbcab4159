#include "diagnosis/dx_merge.h"

#include <fstream>
#include <set>
#include <vector>

#include "diagnosis/dx_selection.h"
#include "platform/big5.h"
#include "platform/error.h"
#include "platform/file_ops.h"
#include "platform/mdb_import.h"

namespace zuvo {
namespace {

constexpr std::string_view kSqliteMagic{"SQLite format 3\0", 16};
constexpr size_t kMinMergedKeyword = 2;

// The fields of the two DX tables compared and copied: those both have, as this one names them.
std::vector<std::string> SharedFields(const RecordSet& here, const RecordSet& other) {
  std::vector<std::string> shared;
  for (const std::string& name : here.FieldNames()) {
    if (other.HasField(name)) shared.push_back(name);
  }
  return shared;
}

bool SameValues(const RecordSet& here, const RecordSet& other,
                const std::vector<std::string>& fields) {
  for (const std::string& name : fields) {
    if (here.IsNull(name) != other.IsNull(name)) return false;
    if (here.TextUtf8(name) != other.TextUtf8(name)) return false;
  }
  return true;
}

void CopyRow(RecordSet& here, const RecordSet& other, const std::vector<std::string>& fields) {
  here.Append();
  for (const std::string& name : fields) {
    if (other.IsNull(name)) {
      here.SetNull(name);
    } else {
      here.SetTextUtf8(name, other.TextUtf8(name));
    }
  }
  here.Post();
}

// True when a code of `codes` (folded to lower case, as DX orders them) is longer than `code`
// and starts with it.
bool HasLongerCode(const std::set<std::string>& codes, const std::string& code) {
  auto next = codes.upper_bound(code);
  return next != codes.end() && next->starts_with(code);
}

void MergeInto(RecordSet& here, const RecordSet& other, DateTime now, StepContext& context) {
  here.Edit();
  if (other.Boolean("bList")) here.SetBoolean("bList", true);
  if (other.Boolean("common")) here.SetBoolean("common", true);
  here.SetInteger("status", here.Integer("status") | other.Integer("status"));
  std::string short_name = big5::Trim(here.Text("Sname"));
  std::string other_name = other.Text("Sname");
  if (short_name.empty()) {
    here.SetText("Sname", other_name);
  } else if (short_name != big5::Trim(other_name)) {
    context.AddLine("請記錄 " + big5::ToUtf8Escaped(here.Text("ICD10")) + "短名不一致,原為" +
                    big5::ToUtf8Escaped(short_name) + "\n\r" + "新加入為" +
                    big5::ToUtf8Escaped(other_name));
  }
  if (!other.IsNull("clinicTypes")) {
    here.SetText("clinicTypes",
                 MergeDepartments(here.Text("clinicTypes"), other.Text("clinicTypes")));
  }
  if (!other.IsNull("keyword")) {
    here.SetText("keyword", MergeKeywords(here.Text("keyword"), other.Text("keyword")));
  }
  here.SetNumber("recTime", now);
  here.Post();
}

}  // namespace

std::string MergeDepartments(std::string_view departments, std::string_view other) {
  std::string merged(departments);
  while (!other.empty()) {
    size_t comma = other.find(',');
    std::string code = big5::Trim(other.substr(0, comma));
    if (!code.empty() && merged.find(code) == std::string::npos) merged += code + ",";
    if (comma == std::string_view::npos) break;
    other.remove_prefix(comma + 1);
  }
  return merged;
}

std::string MergeKeywords(std::string_view keywords, std::string_view other) {
  std::string merged(keywords);
  for (const std::string& keyword : SplitKeywords(other, kMinMergedKeyword)) {
    std::string bracketed = "[" + keyword + "]";
    if (merged.find(bracketed) == std::string::npos) merged += bracketed;
  }
  return merged;
}

long MergeDx(Database& database, Database& other, DateTime now, StepContext& context) {
  RecordSet source = other.Query("select * from DX where Sname is not null");
  Transaction transaction(database);
  RecordSet here = database.Query("select * from DX");
  const std::vector<std::string> fields = SharedFields(here, source);
  std::set<std::string> codes;
  for (here.First(); !here.Eof(); here.Next()) codes.insert(big5::LowerAscii(here.Text("ICD10")));
  long read = 0;
  for (source.First(); !source.Eof(); source.Next()) {
    context.SetDone(++read);
    context.ProcessEvents();
    std::string code = source.Text("ICD10");
    if (here.Locate({"ICD10"}, {code})) {
      if (!SameValues(here, source, fields)) MergeInto(here, source, now, context);
    } else if (std::string folded = big5::LowerAscii(code); !HasLongerCode(codes, folded)) {
      CopyRow(here, source, fields);
      codes.insert(folded);
    }
  }
  transaction.Commit();
  return read;
}

Database OpenOtherDiagnosisDatabase(const std::filesystem::path& file,
                                    const std::filesystem::path& scratch_folder) {
  std::string magic(kSqliteMagic.size(), '\0');
  std::ifstream in(file, std::ios::binary);
  if (!in) throw Error(PathToUtf8(file) + ": the database cannot be opened");
  in.read(magic.data(), static_cast<std::streamsize>(magic.size()));
  if (magic == kSqliteMagic) return Database::OpenReadOnly(file);
  std::filesystem::path copy = scratch_folder / "other.sqlite";
  ImportMdb(file, copy, true);
  return Database::OpenReadOnly(copy);
}

}  // namespace zuvo
