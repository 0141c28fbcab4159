#include "patients/vision_patient_row.h"

#include <utility>

#include "core/code_tables.h"
#include "core/number_text.h"
#include "platform/big5.h"

namespace zuvo {

namespace {

constexpr std::string_view kFemaleSex = "0";
constexpr std::string_view kReserved66Value = "0";

// A memo field's text, or the field's own bytes when it is not a memo.
std::string TextOrMemo(const DbfTable& table, std::string_view field) {
  int index = table.FieldIndex(field);
  if (index < 0) return {};
  if (table.Fields()[static_cast<size_t>(index)].type == 'M') return table.Memo(field);
  return table.Text(field);
}

}  // namespace

VisionPatientRow ReadVisionPatientRow(const DbfTable& table) {
  VisionPatientRow row;
  row.KCSTMR = table.Text("KCSTMR");
  row.MPERSONID = table.Text("MPERSONID");
  row.MNAME = table.Text("MNAME");
  row.MBIRTHDT = table.Text("MBIRTHDT");
  row.MSEX = table.Text("MSEX");
  row.MTELH = table.Text("MTELH");
  row.MFML = table.Text("MFML");
  row.MADDR = table.Text("MADDR");
  row.remarks.MMEDI = TextOrMemo(table, "MMEDI");
  row.remarks.MISNO = TextOrMemo(table, "MISNO");
  row.remarks.MREMARK = TextOrMemo(table, "MREMARK");
  row.remarks.MWEIGHT = table.HasField("MWEIGHT") ? table.Currency("MWEIGHT") : 0;
  return row;
}

std::vector<BrokenBig5Field> FieldsWithBrokenBig5(const VisionPatientRow& row) {
  const std::pair<std::string_view, const std::string*> fields[] = {
      {"MPERSONID", &row.MPERSONID}, {"MNAME", &row.MNAME},
      {"MTELH", &row.MTELH},         {"MFML", &row.MFML},
      {"MADDR", &row.MADDR},         {"MMEDI", &row.remarks.MMEDI},
      {"MISNO", &row.remarks.MISNO}, {"MREMARK", &row.remarks.MREMARK}};
  std::vector<BrokenBig5Field> broken;
  for (const auto& [name, value] : fields) {
    std::string trimmed = big5::Trim(*value);
    if (!big5::TryToUtf8(trimmed)) broken.push_back({name, std::move(trimmed)});
  }
  return broken;
}

int64_t ChartNumberOf(std::string_view kcstmr) { return IntegerOr(big5::Trim(kcstmr), 0); }

VisionPatientValues MakeVisionPatientRecord(const VisionPatientRow& row, int32_t chart_number,
                                            std::string_view national_id, DateTime converted_at) {
  VisionPatientValues values;
  NewPatient patient;
  patient.number = chart_number;
  patient.national_id = national_id;

  patient.name = big5::Trim(row.MNAME);
  values.name_missing = patient.name.empty();
  if (values.name_missing) patient.name = big5::Literal("無名氏");
  values.stored_name = FittedText(patient.name, patient_field::kName);

  DateTime birthday = RocDateToDate(big5::Trim(row.MBIRTHDT));
  values.birthday_invalid = birthday == 0;
  patient.birthday = values.birthday_invalid ? converted_at : birthday;

  patient.sex = big5::Trim(row.MSEX) == kFemaleSex ? 'F' : 'M';
  patient.reserved66 = kReserved66Value;
  patient.telephone = big5::Trim(row.MTELH);
  values.mobile_or_second_phone = big5::Trim(row.MFML);
  patient.mobile = MobileNumberOf(values.mobile_or_second_phone);
  patient.address = big5::Trim(row.MADDR);
  values.record = MakePatientRecord(patient);
  return values;
}

std::string VisionPatientNote(std::string_view second_phone, const RemarkLists& remarks) {
  std::string note;
  if (!second_phone.empty()) AppendNoteElement(note, "TO", second_phone);
  note += BuildNoteElements(remarks);
  return note;
}

}  // namespace zuvo
