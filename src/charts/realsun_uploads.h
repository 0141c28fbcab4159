#pragma once

// The health-card upload data of RealSun: one table per month, IC\ic<yyymm>.dbf, a row per card
// use with the visit's CODE_F and its time stamp (DATETIME, or DATE + TIME when that is blank),
// and for a newborn treated on a parent's card the newborn's birth date (NEWBD) and birth order
// (NEWB) with the parent's name, ID and birth date. Each month's table is copied into the work
// tree and indexed once.

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "charts/realsun_dates.h"
#include "charts/realsun_monthly_tables.h"
#include "core/step_context.h"
#include "workspace/source_table.h"

namespace zuvo {

// Big5, trimmed.
struct NewbornUpload {
  std::string birth_date;         // NEWBD, ROC yyymmdd
  std::string birth_order;        // NEWB
  std::string parent_name;        // PARENT_N
  std::string parent_id;          // ID
  std::string parent_birth_date;  // PARENT_B
};

class UploadTable {
 public:
  explicit UploadTable(SourceTable table);

  // (CODE_F, ROC time stamp) of the rows that have both, in table order.
  const std::vector<std::pair<std::string, std::string>>& stamps() const { return stamps_; }
  // The first newborn row of the patient whose chart number is written `patient_part` (the
  // first six characters of CODE_F): NEWBD after 0010101, NEWB above "0", NO not blank.
  const NewbornUpload* NewbornOf(const std::string& patient_part) const;
  const SourceTable& source() const { return table_; }

 private:
  SourceTable table_;
  std::vector<std::pair<std::string, std::string>> stamps_;
  std::unordered_map<std::string, NewbornUpload> newborns_;
};

class UploadTables : public MonthlyTables<const UploadTable> {
 public:
  UploadTables(std::filesystem::path source_folder, std::filesystem::path work_tree,
               StepContext& context)
      : MonthlyTables(std::move(source_folder), std::move(work_tree), context, UploadTableName,
                      false) {}
};

// The months `source_folder` holds an upload table for, in order.
std::vector<RocMonth> UploadMonthsPresent(const std::filesystem::path& source_folder);

}  // namespace zuvo
