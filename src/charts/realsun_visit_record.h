#pragma once

// The VisitRecord of a RealSun visit: from the visit row and the month's claim row (or the
// defaults of a visit without one), with the adult health-check stages remembered per patient.

#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "charts/realsun_claims.h"
#include "charts/visit_record_basics.h"
#include "core/chart_records.h"
#include "core/chart_writer.h"
#include "core/message_sink.h"

namespace zuvo {

struct RealSunVisitRow;

// The doctors of data.ini [DOCTOR] (name = national ID), found by the name a visit row writes.
// A name not there is replaced by the first doctor and, unless blank or one of RealSun's
// placeholder names ("護士小姐", "耀 聖"), noted once in unknown().
class RealSunDoctors {
 public:
  explicit RealSunDoctors(const std::vector<std::pair<std::string, std::string>>& doctors);
  // (name, ID) to write.
  std::pair<std::string, std::string> Find(const std::string& name);
  const std::vector<std::string>& unknown() const { return unknown_; }

 private:
  std::vector<std::pair<std::string, std::string>> doctors_;
  std::unordered_map<std::string, size_t> by_name_;
  std::set<std::string> known_unknown_;
  std::vector<std::string> unknown_;
};

// What the visit record takes from the clinic (Big5).
struct RealSunClinicSettings {
  std::string clinic_type;  // ClinicTypeNo
  std::string pharmacist_name, pharmacist_id;
};

struct RealSunVisitRecord {
  VisitRecord visit;
  std::string case_type;
  char payment_class = '0';
  std::string copay;           // as written at 105
  std::string card;            // as written at 4
  bool second_stage = false;   // the second visit of an adult health check
  std::string referral_code;   // BACK6 of a visit referred out, else empty
  bool card1_missing = false;  // a chronic refill whose claim table has no CARD1 column
};

// Builds the record of `row` for `patient` at `visit_time`. `link` is the patient's working
// record, where first-stage health-check cards are remembered.
RealSunVisitRecord BuildRealSunVisitRecord(const RealSunVisitRow& row,
                                           const std::optional<ClaimRow>& claim, int32_t patient,
                                           DateTime visit_time, const RealSunClinicSettings& clinic,
                                           RealSunDoctors& doctors, PatientChartLink& link,
                                           const MessageSink& sink);

// The card of a claim row: two characters starting with "X" become "C001", first-stage health
// checks IC25 and IC27 become IC23 and IC24.
std::string RealSunCardOf(std::string_view card);

}  // namespace zuvo
