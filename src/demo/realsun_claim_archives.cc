#include "demo/realsun_claim_archives.h"

#include <algorithm>
#include <map>
#include <optional>
#include <random>
#include <tuple>

#include "charts/realsun_dates.h"
#include "core/roc_date.h"
#include "platform/big5.h"
#include "platform/dbf_table.h"
#include "platform/file_ops.h"
#include "platform/zip_archive.h"

namespace zuvo::demo {
namespace {

namespace fs = std::filesystem;

using Fields = std::vector<std::pair<std::string, std::string>>;

constexpr int kOrderSlots = 28;
constexpr std::string_view kPatientTable = "S/PATDB.DBF";
constexpr std::string_view kDrugTable = "Z/DRUG.DBF";
constexpr std::string_view kDoctorId = "A123456789";
constexpr std::string_view kPharmacistId = "B223456780";
constexpr std::string_view kStaffId = "C187654321";
// Days before the visit of the first prescription of a refill (case type "08").
constexpr int kRefillInterval = 56;

struct SourceVisit {
  int32_t patient = 0;
  std::string date;  // ROC yyymmdd
  std::string card;
  std::vector<std::string> codes;  // the order slots' DRUG values, trimmed
};

bool IsFourDigits(std::string_view text) {
  return text.size() == 4 && text.find_first_not_of("0123456789") == std::string_view::npos;
}

std::map<int32_t, std::string> ReadNationalIds(const fs::path& source_folder) {
  std::map<int32_t, std::string> ids;
  DbfTable patients = DbfTable::Open(source_folder, kPatientTable);
  for (patients.First(); !patients.Eof(); patients.Next()) {
    std::string id = big5::Trim(patients.Text("ID"));
    if (!id.empty()) ids.emplace(patients.RecordNumber(), id);
  }
  return ids;
}

// The claim tables S/xp<yymm>.DBF by name, opened once each (empty when missing or not
// searchable by CODE and REQ).
class ClaimRows {
 public:
  explicit ClaimRows(fs::path source_folder) : source_folder_(std::move(source_folder)) {}

  // The card of the visit as the chart conversion writes it; empty for a visit whose claim row
  // names a special card, which the demo does not claim.
  std::string Card(const std::string& date, std::string_view patient_part,
                   std::string_view visit_part, std::string_view type, std::string_view bp) {
    DbfTable* table = Table(ClaimTableName(*MonthOfRocDate(date)));
    if (table != nullptr && table->Locate("CODE", patient_part, "REQ", visit_part)) {
      std::string card = big5::Trim(table->Text("CARD"));
      return IsFourDigits(card) ? card : std::string();
    }
    return type == "A" && bp.empty() ? "A900" : "SELF";
  }

 private:
  DbfTable* Table(const std::string& name) {
    auto [found, added] = tables_.try_emplace(name);
    if (added) {
      if (std::optional<fs::path> path = ResolvePath(source_folder_, name)) {
        DbfTable table(*path);
        if (table.HasField("CODE") && table.HasField("REQ") && table.HasField("CARD")) {
          found->second.emplace(std::move(table));
        }
      }
    }
    return found->second ? &*found->second : nullptr;
  }

  fs::path source_folder_;
  std::map<std::string, std::optional<DbfTable>> tables_;
};

// The NHI code (DRUG_1AME) of each of the clinic's own codes (DRUG_NO) of Z/DRUG.DBF, which
// claims name where the visit tables name the clinic's code; empty without the table.
std::map<std::string, std::string> ReadNhiCodes(const fs::path& source_folder) {
  std::map<std::string, std::string> codes;
  std::optional<fs::path> path = ResolvePath(source_folder, kDrugTable);
  if (!path) return codes;
  DbfTable drugs(*path);
  if (!drugs.HasField("DRUG_NO") || !drugs.HasField("DRUG_1AME")) return codes;
  for (drugs.First(); !drugs.Eof(); drugs.Next()) {
    std::string nhi = big5::Trim(drugs.Text("DRUG_1AME"));
    if (!nhi.empty()) codes.emplace(big5::Trim(drugs.Text("DRUG_NO")), std::move(nhi));
  }
  return codes;
}

bool InMonths(const std::string& date, const DemoClaimMonths& months) {
  const std::string month = date.substr(0, 5);
  return (months.first.empty() || month >= months.first) &&
         (months.last.empty() || month <= months.last);
}

std::vector<SourceVisit> ReadVisits(const fs::path& source_folder, const DemoClaimMonths& months) {
  std::vector<SourceVisit> visits;
  ClaimRows claim_rows(source_folder);
  const std::map<std::string, std::string> nhi_codes = ReadNhiCodes(source_folder);
  for (int n = 1;; ++n) {
    std::optional<fs::path> path =
        ResolvePath(source_folder, "Z/plut" + std::to_string(n) + ".dbf");
    if (!path) break;
    DbfTable table(*path);
    for (table.First(); !table.Eof(); table.Next()) {
      const std::string code = big5::Trim(table.Text("CODE_F"));
      const std::string date = RealSunDateText(big5::Trim(table.Text("DATE")));
      if (code.size() < 6 || date.empty() || RocDateToDate(date) == 0 ||
          code.substr(0, 6).find_first_not_of("0123456789") != std::string::npos ||
          !InMonths(date, months)) {
        continue;
      }
      SourceVisit visit;
      visit.patient = std::stoi(code.substr(0, 6));
      visit.date = date;
      const std::string type = table.HasField("TYPE") ? big5::Trim(table.Text("TYPE")) : "";
      const std::string bp = table.HasField("BP") ? big5::Trim(table.Text("BP")) : "";
      visit.card = claim_rows.Card(date, code.substr(0, 6), code.substr(6), type, bp);
      if (visit.card.empty()) continue;
      for (int slot = 1; slot <= kOrderSlots; ++slot) {
        const std::string field = "DRUG" + std::to_string(slot);
        if (!table.HasField(field)) break;
        std::string drug = big5::Trim(table.Text(field));
        if (drug.empty()) break;
        auto nhi = nhi_codes.find(drug);
        visit.codes.push_back(nhi == nhi_codes.end() ? std::move(drug) : nhi->second);
      }
      visits.push_back(std::move(visit));
    }
  }
  return visits;
}

// Writes the claims of the visits, which share one claim per patient, day and card.
class ClaimWriter {
 public:
  explicit ClaimWriter(uint32_t seed) : random_(seed ^ 0x1C1A1250u) {}

  DemoClaim Make(const SourceVisit& visit, const std::string& national_id, int visits,
                 const std::vector<std::string>& codes);

 private:
  template <typename T, size_t N>
  const T& Pick(const T (&choices)[N]) {
    return choices[random_() % N];
  }

  std::mt19937 random_;  // mt19937's sequence is fixed by the standard
  int made_ = 0;
  bool mismatch_made_ = false;
};

DemoClaim ClaimWriter::Make(const SourceVisit& visit, const std::string& national_id, int visits,
                            const std::vector<std::string>& codes) {
  static constexpr std::string_view kCaseTypes[] = {"01", "01", "01", "01", "04", "D2", "A3", "08"};
  static constexpr std::string_view kCopayCodes[] = {"D10", "D10", "D10", "000",
                                                     "003", "009", "K00", "001"};
  static constexpr std::string_view kFrequencies[] = {"TID", "QID", "BID", "QD"};
  static constexpr std::string_view kDoses[] = {"1", "0.5", "2", "1.5"};
  static constexpr std::string_view kCaseTypesFirst[] = {"D2", "A3", "08", "01"};
  const int k = made_++;

  DemoClaim claim;
  claim.month = visit.date.substr(0, 5);
  claim.patient = visit.patient;
  claim.visit_date = visit.date;
  claim.card_sequence = visit.card;
  claim.visits = visits;
  const std::string case_type(k < 4 ? kCaseTypesFirst[k] : Pick(kCaseTypes));
  const bool refill = case_type == "08" || case_type == "04";
  // From the sixth claim on, a claim of a single visit now and then names another card; the
  // first such claim always does.
  claim.sequence_matches = !(visits == 1 && k >= 5 && (!mismatch_made_ || random_() % 12 == 0));
  mismatch_made_ |= !claim.sequence_matches;
  const std::string sequence =
      claim.sequence_matches ? visit.card : (visit.card == "9999" ? "9998" : "9999");
  std::string copay(k == 4 ? "Q99" : Pick(kCopayCodes));
  const int drug_days = refill ? 28 : static_cast<int>(3 + random_() % 5);
  const DateTime visit_day = RocDateToDate(visit.date);

  Fields& fields = claim.fields;
  auto add = [&fields](std::string name, std::string value) {
    if (!value.empty()) fields.emplace_back(std::move(name), std::move(value));
  };
  add("d1", case_type);
  add("d2", "1");
  add("d3", national_id);
  if (k % 7 == 1) add("d4", "G5");
  add("d8", "01");
  if (case_type == "08") {
    add("d9", RocDate(visit_day - kRefillInterval));
    add("d10", visit.date);
  } else {
    add("d9", visit.date);
  }
  add("d14", k % 3 == 0 ? "4" : "1");
  add("d15", copay);
  if (k % 5 == 2) add("d24", "48011C");
  add("d27", std::to_string(drug_days));
  add("d29", sequence);
  add("d30", std::string(kDoctorId));
  add("d31", std::string(kPharmacistId));

  int drug_points = 0;
  for (size_t slot = 0; slot < codes.size(); ++slot) {
    if ((k + static_cast<int>(slot)) % 4 == 3) {
      claim.unclaimed_codes.push_back(codes[slot]);
      continue;
    }
    const std::string dose(Pick(kDoses));
    const std::string frequency(Pick(kFrequencies));
    const int price_cents = 50 + static_cast<int>(random_() % 400);
    const int quantity = drug_days * 3;
    drug_points += price_cents * quantity / 100;
    Fields line;
    line.emplace_back("p1", std::to_string(drug_days));
    line.emplace_back("p2", "1");
    line.emplace_back("p3", "1");
    line.emplace_back("p4", codes[slot]);
    line.emplace_back("p5", dose);
    line.emplace_back("p7", frequency);
    line.emplace_back("p8", "100.00");
    line.emplace_back("p9", "PO");
    line.emplace_back("p10", std::to_string(quantity) + ".0");
    line.emplace_back("p11", std::to_string(price_cents / 100) + "." +
                                 std::to_string(price_cents % 100 / 10) +
                                 std::to_string(price_cents % 10));
    line.emplace_back("p13", std::to_string(price_cents * quantity / 100));
    line.emplace_back("p14", visit.date + "0930");
    line.emplace_back("p15", visit.date + "0945");
    line.emplace_back("p16", std::string(kStaffId));
    if (slot == 0) line.emplace_back("p20", "01");
    claim.order_lines.push_back(std::move(line));
  }
  add("d32", std::to_string(drug_points));
  add("d33", std::to_string(230 + 10 * (k % 4)));
  add("d34", "0");
  add("d40", copay == "D10" ? "50" : "0");
  add("d44", std::to_string(refill ? drug_days * 3 : drug_days));
  if (k % 9 == 6) add("d45", RocDate(visit_day - 30));
  if (case_type == "08") add("d48", "RX" + visit.date.substr(1));
  return claim;
}

void AppendElement(std::string& out, std::string_view name, std::string_view value) {
  out += "<" + std::string(name) + ">" + std::string(value) + "</" + std::string(name) + ">\r\n";
}

// The claim document of one month.
std::string ClaimDocument(const std::string& month, const std::vector<const DemoClaim*>& claims) {
  std::string out = "<?xml version=\"1.0\" encoding=\"Big5\"?>\r\n<outpatient>\r\n<tdata>\r\n";
  AppendElement(out, "t1", "10");
  AppendElement(out, "t3", month);
  AppendElement(out, "t4", std::to_string(claims.size()));
  out += "</tdata>\r\n";
  for (const DemoClaim* claim : claims) {
    out += "<ddata>\r\n<dhead>\r\n";
    for (const auto& [name, value] : claim->fields) {
      if (name == "d1" || name == "d2") AppendElement(out, name, value);
    }
    out += "</dhead>\r\n<dbody>\r\n";
    for (const auto& [name, value] : claim->fields) {
      if (name != "d1" && name != "d2") AppendElement(out, name, value);
    }
    for (const Fields& line : claim->order_lines) {
      out += "<pdata>\r\n";
      for (const auto& [name, value] : line) AppendElement(out, name, value);
      out += "</pdata>\r\n";
    }
    out += "</dbody>\r\n</ddata>\r\n";
  }
  out += "</outpatient>\r\n";
  return out;
}

}  // namespace

std::string LineValue(const std::vector<std::pair<std::string, std::string>>& line,
                      std::string_view name) {
  for (const auto& [field, value] : line) {
    if (field == name) return value;
  }
  return {};
}

std::string DemoClaim::Value(std::string_view name) const { return LineValue(fields, name); }

DemoClaimArchives WriteRealSunClaimArchives(const fs::path& source_folder, uint32_t seed,
                                            const DemoClaimMonths& months) {
  DemoClaimArchives written;
  if (!ResolvePath(source_folder, kPatientTable) || !ResolvePath(source_folder, "Z/plut1.dbf")) {
    return written;
  }
  const std::map<int32_t, std::string> ids = ReadNationalIds(source_folder);
  const std::vector<SourceVisit> visits = ReadVisits(source_folder, months);

  // One claim per patient, day and card, in the order of the first of its visits.
  using Key = std::tuple<int32_t, std::string, std::string>;
  std::map<Key, size_t> group_of;
  std::vector<std::vector<const SourceVisit*>> groups;
  for (const SourceVisit& visit : visits) {
    if (!ids.contains(visit.patient)) continue;
    auto [found, added] =
        group_of.try_emplace(Key{visit.patient, visit.date, visit.card}, groups.size());
    if (added) groups.emplace_back();
    groups[found->second].push_back(&visit);
  }

  ClaimWriter writer(seed);
  std::mt19937 choose(seed);
  for (const std::vector<const SourceVisit*>& group : groups) {
    // A visit the clinic did not claim; visits that share a day and card are always claimed,
    // to show one claim correcting both.
    if (group.size() == 1 && choose() % 4 == 3) continue;
    std::vector<std::string> codes;
    for (const SourceVisit* visit : group) {
      for (const std::string& code : visit->codes) {
        if (std::find(codes.begin(), codes.end(), code) == codes.end()) codes.push_back(code);
      }
    }
    written.claims.push_back(writer.Make(*group.front(), ids.at(group.front()->patient),
                                         static_cast<int>(group.size()), codes));
  }

  std::map<std::string, std::vector<const DemoClaim*>> by_month;
  for (const DemoClaim& claim : written.claims) by_month[claim.month].push_back(&claim);
  const fs::path archive_folder = source_folder / "02";
  CreateFolders(archive_folder);
  for (const auto& [month, claims] : by_month) {
    WriteZipArchive(archive_folder / (month + "XML.zip"),
                    {{"TOTFA.XML", ClaimDocument(month, claims)}});
    ++written.archives;
  }
  return written;
}

}  // namespace zuvo::demo
