#include "demo/vision_visit_tables.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <unordered_map>
#include <vector>

#include "core/roc_date.h"
#include "platform/big5.h"
#include "platform/dbf_table.h"
#include "platform/dbf_writer.h"
#include "platform/file_ops.h"

namespace zuvo::demo {
namespace {

namespace fs = std::filesystem;

std::string B5(std::string_view utf8) { return big5::Literal(utf8); }

std::string Digits(long value, int width) {
  char text[32];
  std::snprintf(text, sizeof text, "%0*ld", width, value);
  return text;
}

// The visit span: 2013-01-05 to 2026-11-30, so that a conversion run these years finds the
// last two years of visits that the common-item screening counts.
constexpr int kSpanDays = 5078;

std::string RocOfDay(int day_index) {
  static const DateTime first = RocDateToDate(kDemoOpeningDate);
  return RocDate(first + day_index);
}

std::string WesternOf(std::string_view roc) {
  return Digits(std::stol(std::string(roc.substr(0, 3))) + 1911, 4) + std::string(roc.substr(3));
}

class Tables {
 public:
  Tables(const fs::path& folder)
      : visits_(folder / "CO03L.DBF",
                {{"KCSTMR", 'C', 7}, {"DATE", 'C', 7},   {"TIME", 'C', 6},   {"LCS", 'C', 2},
                 {"DAYQTY", 'C', 3}, {"CREAT", 'C', 2},  {"LDTID", 'C', 10}, {"LLDTT", 'C', 1},
                 {"LISRS", 'C', 4},  {"LHIID", 'C', 3},  {"A0", 'N', 6},     {"A98", 'N', 6},
                 {"A96", 'N', 6},    {"LITEM", 'C', 20}, {"LLDNO", 'C', 10}, {"LLDDT", 'C', 7},
                 {"LIDS", 'C', 2},   {"LLDCN", 'C', 1},  {"EDATE", 'C', 7},  {"LABNO", 'C', 9},
                 {"LABDT", 'C', 60}, {"LACD", 'C', 80},  {"LICD", 'C', 60}}),
        complaints_(
            folder / "CO02H.DBF",
            {{"KCSTMR", 'C', 7}, {"SDATE", 'C', 7}, {"STIME", 'C', 6}, {"STEXT", 'C', 254}}),
        orders_(folder / "CO02P.DBF", {{"KCSTMR", 'C', 7},
                                       {"PDATE", 'C', 7},
                                       {"PTIME", 'C', 6},
                                       {"KDRUG", 'C', 10},
                                       {"POQTY", 'N', 8, 2},
                                       {"PFQ", 'C', 10},
                                       {"PTFQ", 'N', 5, 1},
                                       {"PMU", 'N', 6, 2},
                                       {"PPS", 'C', 6},
                                       {"PTDAY", 'N', 3},
                                       {"PTQTY", 'N', 8, 2},
                                       {"PCLM", 'C', 1}}),
        checks_(folder / "CO18R.DBF", HealthCheckFields()) {}

  static std::vector<DbfFieldSpec> HealthCheckFields() {
    std::vector<DbfFieldSpec> fields = {{"KCSTMR", 'C', 7}, {"RDATE", 'C', 7}, {"RULDT", 'C', 7}};
    for (const char* name :
         {"RLNO",  "LCITYNO", "RCBC",  "RHP",  "RDM",   "RHBF", "RHTD",  "RBSK",   "RHKD",  "RSM",
          "RDR",   "RBT",     "RSPT",  "RDC1", "RDC2",  "RHT",  "RWT",   "RBP2",   "RBP1",  "RWTE",
          "RBMI",  "RUPRO",   "RSU",   "RCH",  "RTR",   "RLCH", "RHCH",  "RSGOT",  "RSGPT", "RCR",
          "REGFR", "RBHP",    "RCHP",  "RQSK", "RQDK",  "RQBU", "RLSPT", "RMBDWT", "RHET",  "RLPN",
          "ROHT",  "RRBP",    "RRSUB", "RRTC", "RRBCU", "RRLF", "RRBHP", "RRCHP",  "RMTS"}) {
      fields.push_back({name, 'C', 10});
    }
    return fields;
  }

  void Close() {
    visits_.Close();
    complaints_.Close();
    orders_.Close();
    checks_.Close();
  }

  DbfWriter visits_;
  DbfWriter complaints_;
  DbfWriter orders_;
  DbfWriter checks_;
};

struct Visit {
  std::string patient;
  std::string date;
  std::string time;
  std::string case_type = "01";
  std::string days = "3";
  std::string refill = "";
  std::string card = "0001";
  std::string copay = "000";
  std::string main_code = "J069";
  std::string main_text;
  std::string secondary;
  std::string items;
  std::string course;
  std::string course_date;
  std::string category = "01";
  std::string end_date;
  std::string procedures;
};

const char* const kFrequencies[] = {"TID", "BID", "QD", "QID", "HS", "TIDPC", "Q8H", "PRN"};
// Co-payment codes of ordinary visits, chosen by the card sequence.
const char* const kCopayCodes[] = {"000", "001", "D10", "003"};

// The national IDs of the patient table already written into `folder`, by chart number, so that
// the referral files name patients the clinic has; empty when there is no patient table.
std::unordered_map<int, std::string> PatientIds(const fs::path& folder) {
  std::unordered_map<int, std::string> ids;
  if (!ResolvePath(folder, "CO01M.DBF")) return ids;
  DbfTable patients = DbfTable::Open(folder, "CO01M.DBF");
  for (patients.First(); !patients.Eof(); patients.Next()) {
    std::string id = big5::Trim(patients.Text("MPERSONID"));
    if (id.size() == 10) ids.emplace(std::atoi(patients.Text("KCSTMR").c_str()), id);
  }
  return ids;
}

// The national ID of a referral file for a patient number the patient table does not hold.
std::string DemoNationalId(int patient) {
  return std::string(patient % 2 ? "A1" : "B2") + Digits(10000000L + patient * 37L, 8);
}

}  // namespace

VisitTableCounts WriteVisionVisitTables(const fs::path& folder, uint32_t seed,
                                        const VisitTableOptions& options) {
  std::mt19937 random(seed);
  auto pick = [&](uint32_t n) { return static_cast<int>(random() % n); };
  CreateFolders(folder);
  Tables tables(folder);
  VisitTableCounts counts;
  const bool special = !options.scale;
  fs::path referrals = folder / "NHI_REF";
  const std::unordered_map<int, std::string> patient_ids = PatientIds(folder);
  auto referral_id = [&](int patient) {
    auto found = patient_ids.find(patient);
    return found != patient_ids.end() ? found->second : DemoNationalId(patient);
  };
  if (special) CreateFolders(referrals);

  auto add_order = [&](const Visit& visit, std::string_view drug, std::string_view frequency,
                       std::string_view route, int days, double quantity) {
    char dose[16], total[16];
    std::snprintf(dose, sizeof dose, "%.2f", 1.0 + pick(3) * 0.5);
    std::snprintf(total, sizeof total, "%.2f", quantity);
    tables.orders_.Append({visit.patient, visit.date, visit.time, std::string(drug), dose,
                           std::string(frequency), "", "1.00", std::string(route),
                           std::to_string(days), total, pick(5) ? "1" : ""});
    ++counts.orders;
  };
  auto write_visit = [&](const Visit& visit, int orders) {
    tables.visits_.Append({visit.patient,
                           visit.date,
                           visit.time,
                           visit.case_type,
                           visit.days,
                           "01",
                           "",
                           visit.refill,
                           visit.card,
                           visit.copay,
                           "50",
                           "-50",
                           "0",
                           visit.items,
                           visit.course,
                           visit.course_date,
                           visit.category,
                           "",
                           visit.end_date,
                           visit.main_code,
                           visit.main_text,
                           visit.secondary,
                           visit.procedures});
    ++counts.visits;
    tables.complaints_.Append(
        {visit.patient, visit.date, visit.time,
         B5("CC:咳嗽 流鼻水 ") + std::to_string(counts.visits % 97) + B5(" 天")});
    ++counts.complaints;
    for (int i = 0; i < orders; ++i) {
      add_order(visit, kDemoDrugCodes[pick(4)], kFrequencies[pick(8)], pick(3) ? "" : "PO",
                std::stoi(visit.days.empty() ? "3" : visit.days), 9 + pick(12));
    }
  };

  const int per_patient = std::max(1, options.visits_per_patient);
  const int orders_per_visit = std::max(0, options.orders_per_visit);
  const int last_patient = options.first_patient + options.patients - 1;
  for (int patient = options.first_patient; patient <= last_patient; ++patient) {
    int visits = special ? per_patient - 2 + pick(5) : per_patient;
    // Spread the patient's visits over the span, in date order.
    std::vector<int> days;
    for (int i = 0; i < std::max(1, visits); ++i) days.push_back(pick(kSpanDays));
    std::sort(days.begin(), days.end());
    for (size_t i = 0; i < days.size(); ++i) {
      Visit visit;
      visit.patient = Digits(patient, 7);
      visit.date = RocOfDay(days[i]);
      visit.time = Digits(8 + pick(12), 2) + Digits(pick(60), 2) + "00";
      const int card = 1 + pick(99);
      visit.card = Digits(card, 4);
      visit.copay = kCopayCodes[card % 4];
      visit.main_code = visit.date < "1050101" ? "4659" : "J069";
      visit.main_text = B5("急性上呼吸道感染");
      visit.secondary = pick(3) ? "" : "R05,J069,R509";
      int orders = orders_per_visit == 0 ? 0 : orders_per_visit - 1 + pick(3);
      if (special) {
        switch (pick(12)) {
          case 0: {  // chronic refill
            visit.case_type = "08";
            visit.refill = std::to_string(2 + pick(2));
            visit.days = "28";
            visit.course_date = RocOfDay(std::max(0, days[i] - 28));
            visit.end_date = RocOfDay(days[i] + 84);
            visit.main_code = visit.date < "1050101" ? "4019" : "I10";
            visit.main_text = B5("原發性高血壓");
            break;
          }
          case 1:  // prescription without drug days
            visit.case_type = "04";
            visit.days = "0";
            break;
          case 2:  // preventive care
            visit.case_type = "A3";
            visit.main_code = pick(2) ? "@85" : "@23";
            visit.days = "0";
            break;
          case 3:  // card sequences with their own rules
            visit.card = pick(2) ? "26" : "IC2";
            break;
          default:
            break;
        }
      }
      write_visit(visit, orders);
      if (!special) continue;
      if (visit.case_type == "A3" && visit.main_code == "@23") {
        add_order(visit, "21", "STAT", "", 1, 1);
        bool uploaded = pick(2);
        std::vector<std::string> row = {visit.patient, visit.date,
                                        uploaded ? RocOfDay(days[i] + 10) : ""};
        const char* values[] = {
            "3501200000", "63000", "1",   "0",   "1",   "0",   "0",  "0",   "0",  "9",
            "2",          "1",     "3",   "0",   "1",   "172", "70", "135", "88", "92",
            "23.7",       "+-",    "105", "210", "160", "120", "38", "25",  "30", "0.9",
            "95",         "1",     "2",   "1",   "0",   "1",   "1",  "1",   "0",  "1",
            "1",          "2",     "3",   "2",   "1",   "1",   "2",  "1",   "2"};
        for (const char* value : values) row.emplace_back(value);
        tables.checks_.Append(row);
        ++counts.health_checks;
      }
    }
    if (!special) continue;
    // Every fifth patient comes twice on the same day; the second visit gets a referral.
    if (patient % 5 == 0) {
      Visit first;
      first.patient = Digits(patient, 7);
      first.date = RocOfDay(kSpanDays - 30 - patient);
      first.time = "091500";
      write_visit(first, 2);
      Visit second = first;
      second.time = "163000";
      write_visit(second, 1);
      add_order(second, "01036C", "ASORDER", "", 0, 1);
      if (patient % 10 == 0) {  // the form file exists only for every other one
        std::string western = WesternOf(second.date);
        WriteFileAtomically(referrals / ("ETA" + Digits(patient, 6) + ".XML"),
                            "<etadata><h1>" + referral_id(patient) + "</h1><h18>3</h18><h23>" +
                                western + "</h23><h28>0401180014</h28><h29>01</h29><h30>" +
                                B5("王大明") + "</h30><h33>" + B5("請協助診治") + "</h33><h34>" +
                                western + "</h34></etadata>");
        ++counts.referral_files;
      }
    }
    // Every seventh patient's last visit carries a referral reply with its file.
    if (patient % 7 == 0) {
      Visit reply;
      reply.patient = Digits(patient, 7);
      reply.date = RocOfDay(kSpanDays - 3 - patient % 5);
      reply.time = "140000";
      write_visit(reply, 1);
      add_order(reply, "01038C", "ASORDER", "", 0, 1);
      WriteFileAtomically(referrals / ("ETB" + Digits(patient, 6) + ".XML"),
                          "<etbdata><h1>0401180014</h1><h2>" + referral_id(patient) + "</h2><h5>" +
                              WesternOf(reply.date) + "</h5><h6>" + B5("已收治") +
                              "</h6><h7>I10</h7><h9>" + B5("持續追蹤") +
                              "</h9><h10>20240101</h10><h11>" + B5("回診") + "</h11></etbdata>");
      ++counts.referral_files;
    }
  }
  if (special) {
    // Unknown codes and frequencies, a visit before the opening date, one in the future, and
    // one without patient number.
    Visit odd;
    odd.patient = Digits(1, 7);
    odd.date = RocOfDay(kSpanDays - 10);
    odd.time = "100000";
    odd.copay = "C10";  // valid at one clinic only
    write_visit(odd, 0);
    add_order(odd, "XYZ999", "TIDX", "", 3, 9);
    add_order(odd, "PANA500", "Q2D", "", 3, 9);
    Visit early = odd;
    early.date = "1011231";
    write_visit(early, 1);
    Visit future = odd;
    future.date = "1991231";
    write_visit(future, 1);
    Visit nobody = odd;
    nobody.patient = "0000000";
    write_visit(nobody, 1);
  }
  tables.Close();
  return counts;
}

}  // namespace zuvo::demo
