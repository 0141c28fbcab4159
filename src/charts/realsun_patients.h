#pragma once

// The patients as the RealSun chart conversion needs them, each read once: which chart numbers
// the patient store holds (with their national IDs), and the birth dates and sexes of the
// source's patient table PATDB.DBF, whose row number is the chart number (also of patients the
// store keeps under another number).

#include <string>
#include <vector>

#include "core/roc_date.h"
#include "core/store_location.h"

namespace zuvo {

class DbfTable;

class RealSunPatients {
 public:
  // Reads every valid record of the store and, when given, every row of PATDB.DBF (BIRTH as
  // yymmdd with "A"/"B" years, SEX "+" for men). Without the table the store's birthdays and
  // sexes stand in.
  static RealSunPatients Load(const StoreLocation& store, DbfTable* patient_table);

  int32_t highest() const { return static_cast<int32_t>(stored_.size()) - 1; }
  // True when the store holds a record for `number`.
  bool Stored(int64_t number) const;
  // The national ID of a stored patient (Big5), empty otherwise.
  std::string NationalId(int64_t number) const;
  // The birth date of chart number `number` as a ROC date text, empty when unknown.
  std::string BirthText(int64_t number) const;
  DateTime BirthDate(int64_t number) const;
  bool Male(int64_t number) const;

 private:
  struct StoredPatient {
    bool valid = false;
    std::string national_id;
  };
  struct Person {
    std::string birth_text;
    DateTime birth_date = 0;  // as the patient step reads the birthday
    bool male = false;
  };
  const Person* PersonOf(int64_t number) const;

  std::vector<StoredPatient> stored_;
  std::vector<Person> people_;  // by chart number
};

}  // namespace zuvo
