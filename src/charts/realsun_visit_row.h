#pragma once

// One visit row of RealSun's yearly visit tables Z\plut<n>.dbf, with its diagnoses and order
// slots inline. Texts are Big5, trimmed.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zuvo {

class DbfTable;

// CODE_F: the patient's chart number in its first six characters, the visit's number in the
// next three.
inline constexpr size_t kRealSunPatientPartLength = 6;
inline constexpr size_t kRealSunVisitPartLength = 3;

// The patient part of a CODE_F (shorter when the text is).
inline std::string_view RealSunPatientPart(std::string_view code_f) {
  return code_f.substr(0, kRealSunPatientPartLength);
}

// The n-th (1-based) yearly visit table, relative to the source folder: "Z/plut1.dbf", ...
inline std::string RealSunVisitTableName(int number) {
  return "Z/plut" + std::to_string(number) + ".dbf";
}

// The most order slots a visit row holds (fields DRUG1 … DRUG28 with NO, PS and QTY).
inline constexpr int kRealSunOrderSlots = 28;

struct RealSunOrderSlot {
  std::string drug;      // DRUGk: the clinic's order code
  std::string usage;     // NOk: frequency with the clinic's marks
  std::string days;      // PSk
  std::string quantity;  // QTYk
};

struct RealSunVisitRow {
  std::string code_f;  // patient number (6 characters) and visit number (3)
  std::string date;    // yymmdd, "A"/"B" years
  std::string type, bp, doctor_name;
  std::string desc1, desc2, desc3;
  std::string sick_code, sic2, sic3;
  // The slots up to the first with a blank DRUG.
  std::vector<RealSunOrderSlot> slots;
};

// Reads the rows of one open visit table; the field positions are found once.
class RealSunVisitReader {
 public:
  // Throws Error naming the table when it lacks CODE_F or DATE; the other fields read as blank
  // when the table lacks them, and the slots end at the first DRUGk the table lacks.
  explicit RealSunVisitReader(const DbfTable& table);
  // The current record.
  RealSunVisitRow Read() const;

 private:
  std::string Field(int index) const;

  const DbfTable& table_;
  int code_f_, date_, type_, bp_, doctor_, desc1_, desc2_, desc3_, sick_, sic2_, sic3_;
  struct SlotFields {
    int drug, usage, days, quantity;
  };
  std::vector<SlotFields> slots_;
};

}  // namespace zuvo
