#pragma once

// RealSun's monthly source tables (claims S\xp<yyymm>.DBF, health-card uploads
// IC\ic<yyymm>.dbf): each copied into the work tree and indexed once, when the first visit of its
// month asks. The visit tables come in date order, so only the tables of the last few months
// asked for are kept: memory stays bounded however many years a clinic has, and a month asked
// for again later is simply opened again.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
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

  // The table of `month`, opened when it is not kept; null when the source has none.
  Table* ForMonth(RocMonth month) {
    if (auto kept = tables_.find(month); kept != tables_.end()) {
      kept->second.last_use = ++uses_;
      return kept->second.table.get();
    }
    if (missing_.contains(month)) return nullptr;
    const std::string name = name_of_month_(month);
    std::optional<SourceTable> source =
        SourceTable::OpenIfPresent(source_folder_, name, work_tree_, context_);
    if (!source) {
      missing_.insert(month);
      if (list_missing_) {
        context_.AddLine("沒有申報檔,該月門診不轉:" +
                         PathToUtf8(source_folder_ / PathFromUtf8(name)));
      }
      return nullptr;
    }
    if (tables_.size() == kKeptTables) {
      auto oldest = std::min_element(
          tables_.begin(), tables_.end(),
          [](const auto& a, const auto& b) { return a.second.last_use < b.second.last_use; });
      tables_.erase(oldest);
    }
    Kept& kept = tables_[month];
    kept.table = std::make_unique<Table>(std::move(*source));
    kept.last_use = ++uses_;
    return kept.table.get();
  }

  // Lets the mapped tables out of the resident set.
  void ReleaseResidentPages() const {
    for (const auto& [month, kept] : tables_) kept.table->source().table().ReleaseResidentPages();
  }

 private:
  std::filesystem::path source_folder_, work_tree_;
  StepContext& context_;
  NameOfMonth name_of_month_;
  bool list_missing_;
  static constexpr size_t kKeptTables = 6;
  struct Kept {
    std::unique_ptr<Table> table;
    uint64_t last_use = 0;
  };
  std::map<RocMonth, Kept> tables_;
  std::set<RocMonth> missing_;
  uint64_t uses_ = 0;
};

}  // namespace zuvo
