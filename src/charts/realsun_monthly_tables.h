#pragma once

// RealSun's monthly source tables (claims S\xp<yyymm>.DBF, health-card uploads
// IC\ic<yyymm>.dbf): each copied into the work tree and indexed once, when the first visit of its
// month asks, and kept for the run.

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "charts/realsun_dates.h"
#include "core/step_context.h"
#include "platform/file_ops.h"
#include "workspace/source_table.h"

namespace zuvo {

// `Table` is built from its SourceTable.
template <typename Table>
class MonthlyTables {
 public:
  using NameOfMonth = std::string (*)(RocMonth);

  // `list_missing`: a month without a table is listed once ("沒有申報檔,該月門診不轉:" + file).
  MonthlyTables(std::filesystem::path source_folder, std::filesystem::path work_tree,
                StepContext& context, NameOfMonth name_of_month, bool list_missing)
      : source_folder_(std::move(source_folder)),
        work_tree_(std::move(work_tree)),
        context_(context),
        name_of_month_(name_of_month),
        list_missing_(list_missing) {}

  // The table of `month`, opened the first time; null when the source has none.
  Table* ForMonth(RocMonth month) {
    auto [at, inserted] = tables_.try_emplace(month);
    if (!inserted) return at->second.get();
    const std::string name = name_of_month_(month);
    if (std::optional<SourceTable> table =
            SourceTable::OpenIfPresent(source_folder_, name, work_tree_, context_)) {
      at->second = std::make_unique<Table>(std::move(*table));
    } else if (list_missing_) {
      context_.AddLine("沒有申報檔,該月門診不轉:" +
                       PathToUtf8(source_folder_ / PathFromUtf8(name)));
    }
    return at->second.get();
  }

  // Lets the mapped tables out of the resident set.
  void ReleaseResidentPages() const {
    for (const auto& [month, table] : tables_) {
      if (table) table->source().table().ReleaseResidentPages();
    }
  }

 private:
  std::filesystem::path source_folder_, work_tree_;
  StepContext& context_;
  NameOfMonth name_of_month_;
  bool list_missing_;
  std::map<RocMonth, std::unique_ptr<Table>> tables_;
};

}  // namespace zuvo
