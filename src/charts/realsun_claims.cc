#include "charts/realsun_claims.h"

#include "charts/realsun_table_fields.h"
#include "platform/big5.h"
#include "platform/error.h"
#include "platform/file_ops.h"

namespace zuvo {
namespace {

std::string Key(std::string_view code, std::string_view req) {
  std::string key(code);
  key += '\n';
  key += req;
  return key;
}

}  // namespace

ClaimTable::ClaimTable(SourceTable table) : table_(std::move(table)) {
  DbfTable& dbf = table_.table();
  const int code = RequiredFieldIndex(dbf, "CODE");
  const int req = RequiredFieldIndex(dbf, "REQ");
  transout_ = dbf.FieldIndex("TRANSOUT");
  back6_ = dbf.FieldIndex("BACK6");
  days_ = dbf.FieldIndex("DAYS");
  h_type_ = dbf.FieldIndex("H_TYPE");
  kind_ = dbf.FieldIndex("KIND");
  card_ = dbf.FieldIndex("CARD");
  pay_code_ = dbf.FieldIndex("PAY_CODE");
  type_ = dbf.FieldIndex("TYPE");
  date_serno_ = dbf.FieldIndex("DATE_SERNO");
  card1_ = dbf.FieldIndex("CARD1");
  s_days_ = dbf.FieldIndex("S_DAYS");
  for (dbf.First(); !dbf.Eof(); dbf.Next()) {
    records_.try_emplace(Key(big5::Trim(dbf.RawField(code)), big5::Trim(dbf.RawField(req))),
                         dbf.RecordNumber());
  }
}

std::optional<ClaimRow> ClaimTable::Find(const std::string& code, const std::string& req) {
  auto found = records_.find(Key(code, req));
  if (found == records_.end()) return std::nullopt;
  DbfTable& dbf = table_.table();
  dbf.Go(found->second);
  auto field = [&](int index) {
    return index < 0 ? std::string() : big5::Trim(dbf.RawField(index));
  };
  ClaimRow row{field(transout_),   field(back6_),  field(days_),     field(h_type_),
               field(kind_),       field(card_),   field(pay_code_), field(type_),
               field(date_serno_), field(s_days_), std::nullopt};
  if (card1_ >= 0) row.card1 = field(card1_);
  return row;
}

}  // namespace zuvo
