#pragma once

// Turning one order row of the Vision visit orders (CO02P.DBF) into the OrderRecord image the
// chart conversion writes unchanged: catalogue values, kind, dose, frequency, route, quantity,
// prices and stamps.

#include <functional>
#include <string>
#include <string_view>

#include "catalogue/catalogue_settings.h"
#include "charts/order_catalogue.h"
#include "charts/order_frequency.h"
#include "core/chart_records.h"
#include "core/roc_date.h"

namespace zuvo {

// The fields of one CO02P.DBF row the order image is built from (texts Big5, trimmed).
struct OrderSourceRow {
  std::string drug_code;        // KDRUG
  double dose = 0;              // POQTY
  std::string frequency;        // PFQ
  std::string frequency_count;  // PTFQ
  double payment_percent = 0;   // PMU
  std::string route;            // PPS
  int days = 0;                 // PTDAY
  double total_quantity = 0;    // PTQTY
  std::string claim_mark;       // PCLM
  DateTime date_time = 0;       // PDATE + PTIME
};

struct OrderLineSettings {
  const RateTable* rates = nullptr;  // CORVIX.INI [MXuseMethod]
  const CodeSet* routes = nullptr;   // MXsetup.ini [給藥途徑及作用部位]
  UseMethodFixes* fixes = nullptr;
  std::string department_prefix;  // first two characters of ClinicTypeNo
  DateTime now = 0;
  // Shown once per row without any frequency ("MXrate 是Null").
  std::function<void()> report_missing_frequency;
};

// The order image of `source`. `row` is the catalogue row, or null for an unknown code (then
// the drug code is both name and NHI code, the class is empty and the status 0).
OrderRecord BuildOrderLine(const OrderSourceRow& source, const CatalogueRow* row,
                           const OrderLineSettings& settings);

}  // namespace zuvo
