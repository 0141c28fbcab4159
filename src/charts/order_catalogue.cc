#include "charts/order_catalogue.h"

#include "platform/big5.h"
#include "platform/table_store.h"

namespace zuvo {

OrderCatalogue OrderCatalogue::Load(Database& opd) {
  std::vector<CatalogueRow> rows;
  std::vector<std::string> trade_names;
  RecordSet mx = opd.Query("select * from MX");
  const bool has_p2 = mx.HasField("p2");
  const bool has_p24 = mx.HasField("p24");
  for (mx.First(); !mx.Eof(); mx.Next()) {
    CatalogueRow row;
    row.short_name = mx.Text("Sname");
    row.insurance_code = mx.Text("INSUcode");
    row.order_class = mx.Text("class");
    row.document = mx.Text("document");
    row.route_name = mx.Text("changetoMXname");
    row.cost = mx.Number("cost");
    row.insurance_price = mx.Number("INSUprice");
    row.self_price = mx.Number("selfprice");
    row.status = mx.Integer("status");
    row.unit = static_cast<int>(mx.Integer("unit"));
    row.per_unit = static_cast<int>(mx.Integer("perunit"));
    row.short_code = mx.Text("Scode");
    row.own_code = mx.Text("Ocode");
    row.dx_type = mx.Text("DXtype");
    row.insurance_mark = mx.Text("INSUmark");
    if (has_p2) row.p2 = mx.Text("p2");
    if (has_p24) row.p24 = mx.Text("p24");
    rows.push_back(std::move(row));
    trade_names.push_back(mx.Text("Tname"));
  }
  return FromRows(std::move(rows), trade_names);
}

OrderCatalogue OrderCatalogue::FromRows(std::vector<CatalogueRow> rows,
                                        const std::vector<std::string>& trade_names) {
  OrderCatalogue catalogue;
  catalogue.rows_ = std::move(rows);
  for (size_t i = 0; i < catalogue.rows_.size(); ++i) {
    const CatalogueRow& row = catalogue.rows_[i];
    if (i < trade_names.size())
      catalogue.by_trade_name_.try_emplace(big5::UpperAscii(trade_names[i]), i);
    catalogue.by_short_name_.try_emplace(big5::UpperAscii(row.short_name), i);
    catalogue.by_insurance_code_.try_emplace(big5::UpperAscii(row.insurance_code), i);
  }
  return catalogue;
}

const CatalogueRow* OrderCatalogue::Find(const std::unordered_map<std::string, size_t>& map,
                                         std::string_view code) const {
  auto found = map.find(big5::UpperAscii(code));
  return found == map.end() ? nullptr : &rows_[found->second];
}

const CatalogueRow* OrderCatalogue::ByTradeName(std::string_view code) const {
  return Find(by_trade_name_, code);
}
const CatalogueRow* OrderCatalogue::ByShortName(std::string_view code) const {
  return Find(by_short_name_, code);
}
const CatalogueRow* OrderCatalogue::ByInsuranceCode(std::string_view code) const {
  return Find(by_insurance_code_, code);
}

}  // namespace zuvo
