#include "catalogue/consultation_fees.h"

#include <cstdlib>

#include "catalogue/reference_values.h"
#include "catalogue/trade_name.h"
#include "platform/big5.h"
#include "platform/table_store.h"

namespace zuvo {
namespace {

constexpr int kEachUnitCode = 8;

}  // namespace

std::vector<ConsultationFee> ReadConsultationFees(Database& mx_reference) {
  RecordSet rows = mx_reference.Query(
      "select * from OPD where ((INSUCODE like '0____C') or (INSUCODE like '0____D')) and "
      "(INSUCODE<'06000A')");
  std::vector<ConsultationFee> fees;
  for (rows.First(); !rows.Eof(); rows.Next()) {
    fees.push_back({big5::Trim(rows.Text("INSUcode")), big5::Trim(rows.Text("CNAME")),
                    std::llabs(ReferencePrice(rows.Text("price"))),
                    OpdReferenceDate(rows.Text("StartDate")),
                    OpdReferenceDate(rows.Text("EndDate"))});
  }
  return fees;
}

void WriteConsultationFee(RecordSet& mx, const ConsultationFee& fee, ClinicSettings& settings) {
  mx.SetText("class", "OPD");
  for (std::string_view field : {"Sname", "Cname", "Aname"}) mx.SetText(field, fee.name);
  mx.SetText("INSUcode", fee.code);
  ReplaceTradeName(mx, fee.name, settings);
  for (std::string_view field : {"cost", "selfprice", "INSUprice"}) {
    mx.SetCurrency(field, fee.price);
  }
  mx.SetInteger("common", 0);
  mx.SetInteger("perunit", 0);
  mx.SetInteger("unit", kEachUnitCode);
  mx.SetInteger("status", 0);
  mx.SetText("StartDate", fee.start_date);
  mx.SetText("EndDate", fee.end_date);
  mx.SetBoolean("IsComPlex", false);
  mx.SetInteger("RateIndex", 0);
  for (std::string_view empty :
       {"Ocode", "Scode", "indication", "warning", "document", "content", "OralTablet", "DXtype",
        "ATCcode", "UseMethod", "ChangetoMXname", "ChangetoMXcode"}) {
    mx.SetText(empty, "");
  }
  mx.Post();
}

}  // namespace zuvo
