#pragma once

// The orders catalogue (table MX of the work tree's OPD.MDB) as the chart conversions need it:
// read once, looked up by trade name, short name or NHI code in memory (Jet's Locate finds the
// first row in stored order, comparing text without regard to ASCII case; so do these maps).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zuvo {

class Database;

// One MX row; texts Big5.
struct CatalogueRow {
  std::string short_name;      // Sname
  std::string insurance_code;  // INSUcode
  std::string order_class;     // class ("oral", "inj", ...)
  std::string document;
  std::string route_name;  // changetoMXname
  double cost = 0;
  double insurance_price = 0;  // INSUprice
  double self_price = 0;       // Selfprice
  int64_t status = 0;
  int unit = 0;                // package unit code
  int per_unit = 0;            // dose unit code
  std::string short_code;      // Scode
  std::string own_code;        // Ocode
  std::string dx_type;         // DXtype ("栓劑", ...)
  std::string insurance_mark;  // INSUmark
  // Kept by the front end (absent from older catalogues): the dispensing letter (first
  // character) and the executing staff ID.
  std::string p2, p24;
};

class OrderCatalogue {
 public:
  // Reads every row of MX. Throws Error naming the database when it cannot be read.
  static OrderCatalogue Load(Database& opd);
  // Builds the maps from rows in stored order (for tests and generated catalogues).
  static OrderCatalogue FromRows(std::vector<CatalogueRow> rows,
                                 const std::vector<std::string>& trade_names);

  const CatalogueRow* ByTradeName(std::string_view code) const;
  const CatalogueRow* ByShortName(std::string_view code) const;
  const CatalogueRow* ByInsuranceCode(std::string_view code) const;
  size_t size() const { return rows_.size(); }

 private:
  const CatalogueRow* Find(const std::unordered_map<std::string, size_t>& map,
                           std::string_view code) const;
  std::vector<CatalogueRow> rows_;
  std::unordered_map<std::string, size_t> by_trade_name_;  // upper-cased key → first row
  std::unordered_map<std::string, size_t> by_short_name_;
  std::unordered_map<std::string, size_t> by_insurance_code_;
};

}  // namespace zuvo
