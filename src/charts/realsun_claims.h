#pragma once

// The claim detail of RealSun visits: one table per month, S\xp<yyymm>.DBF, a row per claimed
// visit keyed by CODE (patient part of the visit's CODE_F) and REQ (its visit number). Each
// month's table is copied into the work tree and indexed once, when its first visit asks.

#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>

#include "charts/realsun_dates.h"
#include "charts/realsun_monthly_tables.h"
#include "core/step_context.h"
#include "workspace/source_table.h"

namespace zuvo {

// The fields of a claim row the chart conversion reads (Big5, trimmed).
struct ClaimRow {
  std::string transout, back6;  // referred out ("Y") and the institution's NHI code
  std::string days, h_type, kind, card, pay_code, type, date_serno, s_days;
  std::optional<std::string> card1;  // empty when the table has no CARD1 column
};

class ClaimTable {
 public:
  explicit ClaimTable(SourceTable table);
  // The row of (`code`, `req`); empty when the month has none.
  std::optional<ClaimRow> Find(const std::string& code, const std::string& req);
  const SourceTable& source() const { return table_; }

 private:
  SourceTable table_;
  std::unordered_map<std::string, int> records_;  // code + '\n' + req → first record number
  int transout_, back6_, days_, h_type_, kind_, card_, pay_code_, type_, date_serno_, card1_,
      s_days_;
};

// A month's visits without a claim table are left out (the clinic claimed nothing that month),
// which is listed once.
class ClaimTables : public MonthlyTables<ClaimTable> {
 public:
  ClaimTables(std::filesystem::path source_folder, std::filesystem::path work_tree,
              StepContext& context)
      : MonthlyTables(std::move(source_folder), std::move(work_tree), context, ClaimTableName,
                      true) {}
};

}  // namespace zuvo
