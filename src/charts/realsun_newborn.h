#pragma once

// A newborn treated on a parent's health card (co-payment code "903"): the visit record takes
// the parent and the birth from the month's health-card upload, and a newborn whose patient
// step kept the parent's record for it (a [DUPID] entry, the two sharing the parent's national
// ID) gets an ID of its own for the next patient step ([IDFIX]).

#include <optional>
#include <string>

#include "core/chart_records.h"
#include "core/message_sink.h"

namespace zuvo {

struct NewbornUpload;

// What the visit knows of the newborn (Big5).
struct NewbornVisit {
  std::string patient_part;      // the first six characters of CODE_F
  int32_t patient = 0;           // the number the entry is written for
  bool replaced = false;         // `patient` came from [DUPID]
  std::string birth_text;        // PATDB.DBF BIRTH as a ROC date, empty when unknown
  bool male = false;             // PATDB.DBF SEX "+"
  std::string kept_national_id;  // the national ID of the record `patient`
};

// Fills 14/25/219/262 of `visit` from `upload` (null: the month has no table or no newborn row
// for the patient, which is listed) and lists whether the birth dates agree. Returns the
// newborn's own national ID when the entry goes to the parent's record: the parent's ID with
// its second character replaced by the lower-case birth-order letter.
std::optional<std::string> ApplyNewborn(VisitRecord& visit, const NewbornVisit& newborn,
                                        const NewbornUpload* upload, bool month_has_uploads,
                                        const MessageSink& sink);

// The letter of birth order `order` (1 = 'A'); a number outside 1..26 counts as 1.
char BirthOrderLetter(int order, bool upper);

}  // namespace zuvo
