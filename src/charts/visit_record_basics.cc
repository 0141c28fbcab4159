#include "charts/visit_record_basics.h"

#include <array>

namespace zuvo {

char ClinicPeriodLetter(DateTime visit_time) {
  CivilDateTime parts = DecodeDateTime(visit_time);
  if (parts.hour < 13) return 'A';
  if (parts.hour < 19) return 'B';
  return 'C';
}

void FillVisitBasics(VisitRecord& visit, int32_t patient, DateTime visit_time,
                     const VisitStaff& staff) {
  namespace f = visit_field;
  visit.Set(f::kPatientNumber, patient);
  visit.Set(f::kZeroSequence, "0000");
  visit.Set(f::kDoctorName, staff.doctor_name);
  visit.Set(f::kDoctorId, staff.doctor_id);
  visit.Set(f::kPharmacistName, staff.pharmacist_name);
  visit.Set(f::kPharmacistId, staff.pharmacist_id);
  visit.Set(f::kVisitDateTime, visit_time);
  visit.Set(f::kVisitDateTimeCopy1, visit_time);
  visit.Set(f::kVisitDateTimeCopy2, visit_time);
  visit.Set(f::kVisitFlags, kVisitFlagsBase);
  visit.Set(f::kPaymentCategory, '4');
  visit.Set(f::kMark174, '1');
  visit.Set(f::kMark175, '1');
  visit.Set(f::kMark176, '0');
  for (TextField procedure : std::array{f::kProcedure1, f::kProcedure2, f::kProcedure3}) {
    visit.Set(procedure, std::string(9, ' '));
  }
  visit.Set(f::kMark227, ' ');
  visit.Set(f::kClaimValue, "");
  visit.Set(f::kOne, "1");
  visit.Set(f::kClinicPeriod, ClinicPeriodLetter(visit_time));
  visit.Set(f::kMark261, '0');
}

}  // namespace zuvo
