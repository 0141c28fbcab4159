#include "charts/realsun_visit_row.h"

#include "charts/realsun_table_fields.h"
#include "platform/big5.h"
#include "platform/dbf_table.h"
#include "platform/error.h"
#include "platform/file_ops.h"

namespace zuvo {
RealSunVisitReader::RealSunVisitReader(const DbfTable& table)
    : table_(table),
      code_f_(RequiredFieldIndex(table, "CODE_F")),
      date_(RequiredFieldIndex(table, "DATE")),
      type_(table.FieldIndex("TYPE")),
      bp_(table.FieldIndex("BP")),
      doctor_(table.FieldIndex("DORNAME")),
      desc1_(table.FieldIndex("DESC1")),
      desc2_(table.FieldIndex("DESC2")),
      desc3_(table.FieldIndex("DESC3")),
      sick_(table.FieldIndex("SICK_CODE")),
      sic2_(table.FieldIndex("SIC2")),
      sic3_(table.FieldIndex("SIC3")) {
  for (int k = 1; k <= kRealSunOrderSlots; ++k) {
    const std::string n = std::to_string(k);
    SlotFields slot{table.FieldIndex("DRUG" + n), table.FieldIndex("NO" + n),
                    table.FieldIndex("PS" + n), table.FieldIndex("QTY" + n)};
    if (slot.drug < 0) break;
    slots_.push_back(slot);
  }
}

std::string RealSunVisitReader::Field(int index) const {
  return index < 0 ? std::string() : big5::Trim(table_.RawField(index));
}

RealSunVisitRow RealSunVisitReader::Read() const {
  RealSunVisitRow row;
  row.code_f = Field(code_f_);
  row.date = Field(date_);
  row.type = Field(type_);
  row.bp = Field(bp_);
  row.doctor_name = Field(doctor_);
  row.desc1 = Field(desc1_);
  row.desc2 = Field(desc2_);
  row.desc3 = Field(desc3_);
  row.sick_code = Field(sick_);
  row.sic2 = Field(sic2_);
  row.sic3 = Field(sic3_);
  for (const SlotFields& slot : slots_) {
    std::string drug = Field(slot.drug);
    if (drug.empty()) break;
    row.slots.push_back(
        {std::move(drug), Field(slot.usage), Field(slot.days), Field(slot.quantity)});
  }
  return row;
}

}  // namespace zuvo
