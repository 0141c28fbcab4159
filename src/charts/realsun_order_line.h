#pragma once

// The order lines of a RealSun visit: one per order slot of the visit row, built from the
// clinic's catalogue row of the slot's code (or a fixed drug), and the order of the visit's
// preventive-care service when no slot holds it.

#include <optional>
#include <string>
#include <unordered_map>

#include "charts/order_catalogue.h"
#include "core/chart_entry.h"
#include "core/roc_date.h"
#include "workspace/section_map.h"

namespace zuvo {

class RateTable;
class UseMethodFixes;
struct RealSunOrderSlot;

// What the lines take from the run (Big5 texts).
struct RealSunOrderSettings {
  const RateTable* rates = nullptr;  // CORVIX.INI [MXuseMethod]
  UseMethodFixes* fixes = nullptr;   // data.ini [UseMethodFix]
  std::string clinic_type;           // ClinicTypeNo: its first two characters go to offset 203
};

// What the lines take from the visit.
struct RealSunVisitFacts {
  DateTime visit_time = 0;
  char payment_class = '0';
  std::string case_type;  // "02" is an emergency visit
  DateTime birth_date = 0;
  // The institution the visit refers the patient to, for the referral lines' remarks.
  std::optional<std::string> referral_institution;
};

// The catalogue row of a slot's code: MX by Tname; else, when the clinic's order code renames
// ([DUPMX]) name an NHI code for it, MX by that INSUcode; else MX by INSUcode = the code; else the
// fixed drug of the code. Empty when none.
std::optional<CatalogueRow> FindRealSunOrder(const std::string& code,
                                             const OrderCatalogue& catalogue,
                                             const SectionMap& dupmx);

// The usage text of a slot without RealSun's marks: a last "X" marks a free line, a last "S"
// (not of "HS") a drug to be ground to powder.
struct UsageMarks {
  std::string usage;
  bool free = false;
  bool ground = false;
};
UsageMarks ReadUsageMarks(std::string_view usage);

OrderLine BuildRealSunOrderLine(const RealSunOrderSlot& slot, const CatalogueRow& row,
                                const RealSunVisitFacts& visit,
                                const RealSunOrderSettings& settings);

// The line of a preventive-care service's order: one "次(個)" as ordered, 100 %.
OrderLine BuildPreventiveOrderLine(const CatalogueRow& row, const RealSunVisitFacts& visit,
                                   const RealSunOrderSettings& settings);

// The NHI codes that stand for a preventive order code on the visit's lines: the code and, for
// the adult health checks "21", "25" and "27", the code + "+L1001C".
bool HoldsPreventiveOrder(const std::vector<OrderLine>& lines, std::string_view code);

}  // namespace zuvo
