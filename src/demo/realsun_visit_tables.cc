#include "demo/realsun_visit_tables.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "core/roc_date.h"
#include "platform/big5.h"
#include "platform/dbf_table.h"
#include "platform/dbf_writer.h"
#include "platform/file_ops.h"

namespace zuvo::demo {
namespace {

namespace fs = std::filesystem;

constexpr int kOrdinarySlots = 28;
constexpr int kScaleSlots = 4;
constexpr int kOrdinaryVisits = 600;
constexpr int kYearsPerVisitTable = 3;
constexpr std::string_view kReferralInstitution = "0132010014";  // in the delivered hospbsc.txt

std::string B5(std::string_view utf8) { return big5::Literal(utf8); }

std::string Digits(long value, int width) {
  char text[32];
  std::snprintf(text, sizeof text, "%0*ld", width, value);
  return text;
}

// yymmdd with RealSun's "A" (100–109) and "B" (110–119) years.
std::string RealSunDate(DateTime day) {
  const std::string roc = RocDate(day);
  if (roc[0] == '1') return std::string(1, roc[1] == '0' ? 'A' : 'B') + roc.substr(2);
  return roc.substr(1);
}

struct Slot {
  std::string drug, usage, days, quantity;
};

struct DemoVisit {
  DateTime day = 0;
  int patient = 0;
  std::string type, bp, doctor, desc1, desc2, desc3;
  std::vector<std::string> diagnoses;
  std::vector<Slot> slots;
  // The claim row; none when `claimed` is false.
  bool claimed = true;
  std::string kind = "01", card, pay_code = "D10", days = "3", s_days, claim_type, date_serno,
              card1, transout, back6;
  // The card upload: its time (hhnnss), a day offset, and a newborn's data.
  std::optional<std::string> upload_time;
  int upload_day_offset = 0;
  std::string newborn_birth, newborn_order, parent_name, parent_id, parent_birth;
};

// What the rest of the source folder names, or the generator's own.
struct SourceNames {
  std::vector<int> patients;
  std::vector<std::string> orders, diagnoses;
  std::string doctor;
};

std::vector<std::string> ColumnValues(const fs::path& folder, std::string_view table,
                                      std::string_view column) {
  std::vector<std::string> values;
  if (!ResolvePath(folder, table)) return values;
  DbfTable dbf = DbfTable::Open(folder, table);
  if (!dbf.HasField(column)) return values;
  for (dbf.First(); !dbf.Eof(); dbf.Next()) {
    std::string value = big5::Trim(dbf.Text(column));
    if (!value.empty() && std::find(values.begin(), values.end(), value) == values.end()) {
      values.push_back(std::move(value));
    }
  }
  return values;
}

SourceNames ReadSourceNames(const fs::path& folder, int fallback_patients) {
  SourceNames names;
  if (ResolvePath(folder, "S/PATDB.DBF")) {
    DbfTable patients = DbfTable::Open(folder, "S/PATDB.DBF");
    for (patients.First(); !patients.Eof(); patients.Next()) {
      const bool named = !patients.HasField("NAME") || !big5::Trim(patients.Text("NAME")).empty();
      if (patients.RecordNumber() > 1 && named) names.patients.push_back(patients.RecordNumber());
    }
  }
  if (names.patients.empty()) {
    for (int n = 2; n < fallback_patients + 2; ++n) names.patients.push_back(n);
  }
  names.orders = ColumnValues(folder, "Z/DRUG.DBF", "DRUG_NO");
  if (names.orders.empty()) names.orders = {"PANA", "AMOX", "SYRUP", "EYE", "INJ", "OINT", "REG"};
  names.diagnoses = ColumnValues(folder, "Z/SICK.DBF", "CODE");
  if (names.diagnoses.empty()) names.diagnoses = {"URI", "GAS", "HTN", "DM"};
  std::vector<std::string> doctors = ColumnValues(folder, "S/TITLE.DBF", "DR_NAME");
  names.doctor = B5("王大明");
  if (!doctors.empty()) {
    names.doctor.clear();
    for (char c : doctors.front()) {
      if (c != ' ') names.doctor += c;
    }
  }
  return names;
}

std::vector<DbfFieldSpec> VisitFields(int slots) {
  std::vector<DbfFieldSpec> fields = {
      {"CODE_F", 'C', 9},    {"DATE", 'C', 6},   {"TYPE", 'C', 1},   {"BP", 'C', 6},
      {"DORNAME", 'C', 12},  {"DESC1", 'C', 40}, {"DESC2", 'C', 40}, {"DESC3", 'C', 40},
      {"SICK_CODE", 'C', 8}, {"SIC2", 'C', 8},   {"SIC3", 'C', 8}};
  for (int k = 1; k <= slots; ++k) {
    const std::string n = std::to_string(k);
    fields.push_back({"DRUG" + n, 'C', 10});
    fields.push_back({"NO" + n, 'C', 8});
    fields.push_back({"PS" + n, 'N', 3});
    fields.push_back({"QTY" + n, 'N', 6, 1});
  }
  return fields;
}

std::vector<DbfFieldSpec> ClaimFields(bool with_card1) {
  std::vector<DbfFieldSpec> fields = {
      {"CODE", 'C', 6},     {"REQ", 'C', 3},    {"TRANSOUT", 'C', 1},   {"BACK6", 'C', 10},
      {"DAYS", 'N', 3},     {"H_TYPE", 'C', 2}, {"KIND", 'C', 2},       {"CARD", 'C', 4},
      {"PAY_CODE", 'C', 3}, {"TYPE", 'C', 1},   {"DATE_SERNO", 'C', 6}, {"S_DAYS", 'N', 3}};
  if (with_card1) fields.push_back({"CARD1", 'C', 4});
  return fields;
}

const std::vector<DbfFieldSpec> kUploadFields = {
    {"CODE_F", 'C', 9}, {"DATETIME", 'C', 13}, {"DATE", 'C', 7}, {"TIME", 'C', 6},
    {"NEWBD", 'C', 7},  {"NEWB", 'C', 1},      {"NO", 'C', 2},   {"PARENT_N", 'C', 12},
    {"ID", 'C', 10},    {"PARENT_B", 'C', 7}};

// The tables written as the visits come, in date order: a visit table per kYearsPerVisitTable
// years, a claim and an upload table per month.
class TableStreams {
 public:
  TableStreams(const fs::path& folder, int slots, std::optional<std::string> missing_claim_month,
               std::optional<std::string> month_without_card1)
      : folder_(folder),
        slots_(slots),
        missing_claim_month_(std::move(missing_claim_month)),
        month_without_card1_(std::move(month_without_card1)) {
    CreateFolders(folder / "Z");
    CreateFolders(folder / "S");
    CreateFolders(folder / "IC");
  }

  void Write(const DemoVisit& visit, RealSunVisitTableCounts& counts) {
    const std::string roc = RocDate(visit.day);
    const int year = std::stoi(roc.substr(0, 3));
    const std::string month = std::to_string(year) + roc.substr(3, 2);
    const int group = year / kYearsPerVisitTable;
    if (!visits_ || group != group_) {
      Close();
      group_ = group;
      visits_ = std::make_unique<DbfWriter>(
          folder_ / "Z" / ("plut" + std::to_string(++counts.visit_tables) + ".dbf"),
          VisitFields(slots_));
    }
    if (month != month_) {
      CloseMonth();
      month_ = month;
      if (month != missing_claim_month_) {
        claims_ = std::make_unique<DbfWriter>(folder_ / "S" / ("xp" + month + ".DBF"),
                                              ClaimFields(month != month_without_card1_));
      }
      uploads_ =
          std::make_unique<DbfWriter>(folder_ / "IC" / ("ic" + month + ".dbf"), kUploadFields);
    }
    const int sequence = ++sequence_[visit.patient] % 1000;
    const std::string patient_part = Digits(visit.patient, 6);
    const std::string code_f = patient_part + Digits(sequence, 3);
    std::vector<std::string> row = {code_f,       RealSunDate(visit.day),
                                    visit.type,   visit.bp,
                                    visit.doctor, visit.desc1,
                                    visit.desc2,  visit.desc3};
    for (size_t i = 0; i < 3; ++i) {
      row.push_back(i < visit.diagnoses.size() ? visit.diagnoses[i] : std::string());
    }
    for (const Slot& slot : visit.slots) {
      row.insert(row.end(), {slot.drug, slot.usage, slot.days, slot.quantity});
    }
    visits_->Append(row);
    ++counts.visits;
    if (visit.claimed && claims_) {
      std::vector<std::string> claim = {patient_part,     Digits(sequence, 3), visit.transout,
                                        visit.back6,      visit.days,          "01",
                                        visit.kind,       visit.card,          visit.pay_code,
                                        visit.claim_type, visit.date_serno,    visit.s_days};
      if (month != month_without_card1_) claim.push_back(visit.card1);
      claims_->Append(claim);
      ++counts.claim_rows;
    }
    if (visit.upload_time) {
      const std::string stamp_day = RocDate(visit.day + visit.upload_day_offset);
      // Most uploads give the stamp whole; some only the date and time apart.
      const bool apart = sequence % 5 == 0;
      uploads_->Append({code_f, apart ? "" : stamp_day + *visit.upload_time, apart ? stamp_day : "",
                        apart ? *visit.upload_time : "", visit.newborn_birth, visit.newborn_order,
                        visit.newborn_birth.empty() ? "" : "1", visit.parent_name, visit.parent_id,
                        visit.parent_birth});
      ++counts.upload_rows;
    }
  }

  void Close() {
    if (visits_) visits_->Close();
    visits_.reset();
  }
  void CloseMonth() {
    if (claims_) claims_->Close();
    if (uploads_) uploads_->Close();
    claims_.reset();
    uploads_.reset();
  }

 private:
  fs::path folder_;
  int slots_;
  std::optional<std::string> missing_claim_month_, month_without_card1_;
  int group_ = -1;
  std::string month_;
  std::unique_ptr<DbfWriter> visits_, claims_, uploads_;
  std::map<int, int> sequence_;
};

class Generator {
 public:
  Generator(uint32_t seed, SourceNames names) : random_(seed), names_(std::move(names)) {}

  int Pick(int count) { return static_cast<int>(random_() % static_cast<uint32_t>(count)); }
  template <typename T>
  const T& PickOf(const std::vector<T>& items) {
    return items[static_cast<size_t>(Pick(static_cast<int>(items.size())))];
  }

  DemoVisit Plain(DateTime day, int slots) {
    DemoVisit visit;
    visit.day = day;
    visit.patient = PickOf(names_.patients);
    visit.doctor = names_.doctor;
    visit.card = Digits(1 + Pick(9), 4);
    visit.desc1 = B5(kComplaints[Pick(static_cast<int>(std::size(kComplaints)))]);
    visit.diagnoses.push_back(PickOf(names_.diagnoses));
    if (Pick(3) == 0) visit.diagnoses.push_back(PickOf(names_.diagnoses));
    for (int k = 0; k < slots; ++k) {
      visit.slots.push_back({PickOf(names_.orders),
                             kUsages[Pick(static_cast<int>(std::size(kUsages)))], "3",
                             std::to_string(1 + Pick(3))});
    }
    visit.claimed = Pick(10) != 0;
    if (Pick(2) == 0) visit.upload_time = Digits(8 + Pick(12), 2) + Digits(Pick(60), 2) + "00";
    return visit;
  }

  const SourceNames& names() const { return names_; }

 private:
  static constexpr std::string_view kComplaints[] = {"咳嗽流鼻水", "發燒", "喉嚨痛",
                                                     "腹痛",       "頭痛", "皮膚癢"};
  static constexpr const char* kUsages[] = {"TID", "BID", "QD", "HS", "QID", "TIDPC", "PRN"};
  std::mt19937 random_;  // the sequence is fixed by the standard
  SourceNames names_;
};

// The visits of the ordinary clinic: plain visits over the years and one visit for each rule.
std::vector<DemoVisit> OrdinaryVisits(Generator& generator) {
  const DateTime first = *EncodeDate(2010, 1, 4);
  const DateTime last = *EncodeDate(2026, 11, 20);
  std::vector<DemoVisit> visits;
  for (int i = 0; i < kOrdinaryVisits; ++i) {
    visits.push_back(generator.Plain(first + std::floor((last - first) * i / kOrdinaryVisits),
                                     1 + generator.Pick(4)));
  }
  const SourceNames& names = generator.names();
  const int adult = names.patients.front();
  auto special = [&](int year, int month, int day, int patient) -> DemoVisit& {
    DemoVisit visit = generator.Plain(*EncodeDate(year, month, day), 2);
    visit.patient = patient;
    visit.claimed = true;
    visit.upload_time.reset();
    visits.push_back(visit);
    return visits.back();
  };
  // Claims of the A-years and of the year 99; the claim table of February 2012 is missing.
  special(2018, 3, 15, adult).kind = "01";
  special(2010, 3, 15, adult).kind = "01";
  special(2012, 2, 14, adult);
  // Without claim rows.
  special(2011, 5, 2, adult).type = "1";
  special(2011, 5, 3, adult).claimed = false;
  visits.back().type = "1";
  special(2011, 5, 4, adult).claimed = false;
  visits.back().type = "A";
  special(2011, 5, 5, adult).claimed = false;
  // Uploads on the visit's day and on the day after.
  special(2013, 6, 10, adult).upload_time = "093000";
  special(2013, 6, 11, adult).upload_time = "153000";
  visits.back().upload_day_offset = 1;
  // Adult health checks over two stages, and a second stage without a first.
  const int checked = names.patients[std::min<size_t>(1, names.patients.size() - 1)];
  special(2015, 4, 1, checked).card = "IC21";
  special(2015, 5, 1, checked).card = "IC23";
  special(2016, 4, 1, checked).card = "IC25";
  special(2016, 5, 1, checked).card = "IC26";
  special(2017, 4, 1, checked).card = "IC22";
  special(2017, 5, 1, checked).card = "IC24";
  special(2018, 4, 1, checked).card = "IC27";
  special(2018, 5, 1, checked).card = "IC28";
  special(2019, 4, 1, adult).card = "IC23";
  for (const char* card : {"IC85", "IC31", "IC12", "IC95"}) special(2019, 6, 3, adult).card = card;
  // Newborns on a parent's card: the last two patients.
  for (size_t back = 1; back <= 2 && back <= names.patients.size(); ++back) {
    DemoVisit& newborn =
        special(2020, 3, 9 + static_cast<int>(back), names.patients[names.patients.size() - back]);
    newborn.pay_code = "903";
    newborn.upload_time = "100000";
    newborn.newborn_birth = "1090301";
    newborn.newborn_order = std::to_string(back);
    newborn.parent_name = B5("陳媽媽");
    newborn.parent_id = "F223456789";
    newborn.parent_birth = "0750101";
  }
  // Doctors the clinic does not know, and RealSun's placeholders.
  special(2014, 2, 3, adult).doctor = B5("林醫師");
  special(2014, 2, 4, adult).doctor = B5("護士小姐");
  special(2014, 2, 5, adult).doctor = B5("耀 聖");
  // All 28 slots, marked usages, an unknown code and frequency.
  DemoVisit& full = special(2021, 8, 2, adult);
  full.slots.clear();
  for (int k = 0; k < kOrdinarySlots; ++k) {
    static constexpr const char* kMarked[] = {"TIDX", "QDS", "HS", "STAT", "ZZ9", "bidx", "TID"};
    full.slots.push_back({k == 5 ? "ZZ999" : names.orders[k % names.orders.size()],
                          kMarked[k % std::size(kMarked)], "3", "1"});
  }
  // Complaints with RealSun's marks.
  special(2015, 9, 1, adult).desc2 = B5("流鼻水 Y");
  special(2015, 9, 2, adult).desc2 = B5("流鼻水 100");
  special(2015, 9, 3, adult).desc3 = B5("發燒,004IC");
  // Chronic refills (one month's claim table has no CARD1), repeated dispensings, an E1 with an
  // X card, "04" without days, "10", an emergency with a referral.
  DemoVisit& refill = special(2017, 9, 5, adult);
  refill.kind = "08";
  refill.days = "28";
  refill.s_days = "56";
  refill.date_serno = "A60808";
  refill.card1 = "IC02";
  DemoVisit& no_card1 = special(2019, 10, 7, adult);
  no_card1.kind = "08";
  no_card1.days = "28";
  no_card1.s_days = "84";
  no_card1.date_serno = "A80909";
  DemoVisit& e1 = special(2017, 9, 6, adult);
  e1.kind = "E1";
  e1.card = "XA01";
  e1.days = "7";
  e1.s_days = "14";
  special(2017, 9, 7, adult).kind = "04";
  visits.back().days = "0";
  special(2017, 9, 8, adult).kind = "10";
  DemoVisit& referred = special(2022, 1, 10, adult);
  referred.kind = "02";
  referred.transout = "Y";
  referred.back6 = std::string(kReferralInstitution);
  referred.slots.push_back({"01036C", "", "", "1"});
  std::stable_sort(visits.begin(), visits.end(),
                   [](const DemoVisit& a, const DemoVisit& b) { return a.day < b.day; });
  return visits;
}

}  // namespace

RealSunVisitTableCounts WriteRealSunVisitTables(const fs::path& folder, uint32_t seed,
                                                const RealSunVisitTableOptions& options) {
  Generator generator(seed, ReadSourceNames(folder, options.patients));
  RealSunVisitTableCounts counts;
  if (options.scale_visits == 0) {
    TableStreams streams(folder, kOrdinarySlots, "10102", "10810");
    for (const DemoVisit& visit : OrdinaryVisits(generator)) streams.Write(visit, counts);
    streams.Close();
    streams.CloseMonth();
    return counts;
  }
  TableStreams streams(folder, kScaleSlots, std::nullopt, std::nullopt);
  const DateTime first = *EncodeDate(2016, 1, 4);
  const double span = *EncodeDate(2021, 12, 1) - first;
  for (int i = 0; i < options.scale_visits; ++i) {
    DemoVisit visit =
        generator.Plain(first + std::floor(span * i / options.scale_visits), kScaleSlots);
    visit.claimed = i % 10 != 9;
    if (i % 2 == 0) {
      visit.upload_time = Digits(8 + i % 12, 2) + Digits(i % 60, 2) + "00";
    } else {
      visit.upload_time.reset();
    }
    streams.Write(visit, counts);
  }
  streams.Close();
  streams.CloseMonth();
  return counts;
}

}  // namespace zuvo::demo
