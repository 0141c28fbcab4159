#include "charts/realsun_patients.h"

#include "charts/realsun_dates.h"
#include "core/patient_store.h"
#include "platform/big5.h"
#include "platform/dbf_table.h"

namespace zuvo {

RealSunPatients RealSunPatients::Load(const StoreLocation& store, DbfTable* patient_table) {
  RealSunPatients patients;
  patients.stored_.resize(static_cast<size_t>(HighestPatientNumber(store)) + 1);
  const bool from_store = patient_table == nullptr;
  if (from_store) patients.people_.resize(patients.stored_.size());
  ForEachPatientSlot(store, [&](const PatientSlot& slot, const PatientRecord& record) {
    const int32_t number = slot.number;
    if (!slot.Valid() || number > patients.highest()) return;
    patients.stored_[number] = {true, record.Get(patient_field::kNationalId)};
    if (from_store) {
      const DateTime birthday = record.Get(patient_field::kBirthday);
      patients.people_[number] = {birthday == 0 ? std::string() : RocDate(birthday), birthday,
                                  record.Get(patient_field::kSex) == 'M'};
    }
  });
  if (from_store) return patients;
  const int birth = patient_table->FieldIndex("BIRTH");
  const int sex = patient_table->FieldIndex("SEX");
  for (patient_table->First(); !patient_table->Eof(); patient_table->Next()) {
    const size_t number = static_cast<size_t>(patient_table->RecordNumber());
    if (patients.people_.size() <= number) patients.people_.resize(number + 1);
    const std::string text = birth < 0 ? std::string() : big5::Trim(patient_table->RawField(birth));
    patients.people_[number] = {text.empty() ? std::string() : RealSunDateText(text),
                                ReadRealSunBirthday(text).date,
                                sex >= 0 && big5::Trim(patient_table->RawField(sex)) == "+"};
  }
  return patients;
}

bool RealSunPatients::Stored(int64_t number) const {
  return number > 0 && number < static_cast<int64_t>(stored_.size()) && stored_[number].valid;
}

std::string RealSunPatients::NationalId(int64_t number) const {
  return Stored(number) ? stored_[number].national_id : std::string();
}

const RealSunPatients::Person* RealSunPatients::PersonOf(int64_t number) const {
  if (number <= 0 || number >= static_cast<int64_t>(people_.size())) return nullptr;
  return &people_[number];
}

std::string RealSunPatients::BirthText(int64_t number) const {
  const Person* person = PersonOf(number);
  return person == nullptr ? std::string() : person->birth_text;
}

DateTime RealSunPatients::BirthDate(int64_t number) const {
  const Person* person = PersonOf(number);
  return person == nullptr ? 0 : person->birth_date;
}

bool RealSunPatients::Male(int64_t number) const {
  const Person* person = PersonOf(number);
  return person != nullptr && person->male;
}

}  // namespace zuvo
