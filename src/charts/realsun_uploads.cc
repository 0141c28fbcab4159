#include "charts/realsun_uploads.h"

#include <set>

#include "charts/realsun_table_fields.h"
#include "charts/realsun_visit_row.h"
#include "platform/big5.h"
#include "platform/file_ops.h"

namespace zuvo {
namespace {

constexpr std::string_view kNoNewbornBefore = "0010101";

}  // namespace

UploadTable::UploadTable(SourceTable table) : table_(std::move(table)) {
  const DbfTable& dbf = table_.table();
  const int code_f = RequiredFieldIndex(dbf, "CODE_F");
  const int date_time = dbf.FieldIndex("DATETIME");
  const int date = dbf.FieldIndex("DATE");
  const int time = dbf.FieldIndex("TIME");
  const int newbd = dbf.FieldIndex("NEWBD");
  const int newb = dbf.FieldIndex("NEWB");
  const int no = dbf.FieldIndex("NO");
  const int parent_name = dbf.FieldIndex("PARENT_N");
  const int parent_id = dbf.FieldIndex("ID");
  const int parent_birth = dbf.FieldIndex("PARENT_B");
  auto field = [&](int index) {
    return index < 0 ? std::string() : big5::Trim(dbf.RawField(index));
  };
  DbfTable& rows = table_.table();
  for (rows.First(); !rows.Eof(); rows.Next()) {
    std::string code = field(code_f);
    if (code.empty()) continue;
    std::string stamp = field(date_time);
    if (stamp.empty()) stamp = field(date) + field(time);
    NewbornUpload newborn{field(newbd), field(newb), field(parent_name), field(parent_id),
                          field(parent_birth)};
    if (newborn.birth_date > kNoNewbornBefore && newborn.birth_order > "0" && !field(no).empty()) {
      newborns_.try_emplace(std::string(RealSunPatientPart(code)), std::move(newborn));
    }
    if (!stamp.empty()) stamps_.emplace_back(std::move(code), std::move(stamp));
  }
}

const NewbornUpload* UploadTable::NewbornOf(const std::string& patient_part) const {
  auto found = newborns_.find(patient_part);
  return found == newborns_.end() ? nullptr : &found->second;
}

std::vector<RocMonth> UploadMonthsPresent(const std::filesystem::path& source_folder) {
  std::set<RocMonth> months;
  std::optional<std::filesystem::path> folder = ResolvePath(source_folder, "IC");
  if (!folder || !std::filesystem::is_directory(*folder)) return {};
  for (const auto& entry : std::filesystem::directory_iterator(*folder)) {
    if (!entry.is_regular_file()) continue;
    if (std::optional<RocMonth> month = MonthOfUploadTable(PathToUtf8(entry.path().filename()))) {
      months.insert(*month);
    }
  }
  return {months.begin(), months.end()};
}

}  // namespace zuvo
