#pragma once

// The monthly NHI claim archives of the RealSun demo clinic: source folder/02/<yyymm>XML.zip,
// each holding the claim document TOTFA.XML (Big5, CR LF) of one month. The claims are derived
// from what the source folder holds, so that they fit the demo's patients and visits:
//   S/PATDB.DBF     the national ID (`ID`) of each patient, by row number;
//   Z/plut<n>.dbf   the visits (`CODE_F`: patient number and visit number, `DATE`, `TYPE`, `BP`,
//                   order slots `DRUG1` ...);
//   S/xp<yymm>.DBF  when present, the visit's health-card sequence (`CARD`, located by
//                   `CODE`/`REQ`); a visit without one carries the card the chart conversion
//                   gives it ("A900" for `TYPE` "A" with a blank `BP`, else "SELF");
//   Z/DRUG.DBF      when present, the NHI code (`DRUG_1AME`) that order lines claim for the
//                   clinic's own code (`DRUG_NO`) in the visit's order slots.
// Visits of one patient, day and card sequence share one claim (always written). Deterministic
// from the seed: about three in four other claimable visits are claimed; case types "D2", "A3",
// "08" and "01" all occur, one claim carries a co-payment code no table knows, some claim a card
// sequence the visit does not have, and some of a visit's order codes are left out of its order
// lines.

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace zuvo::demo {

// A claim as written, for the tests that check what the correction made of it.
struct DemoClaim {
  std::string month;             // ROC yyymm: the archive it is in
  int32_t patient = 0;           // PATDB.DBF row number (the chart number)
  std::string visit_date;        // ROC yyymmdd of the claimed visits
  std::string card_sequence;     // the visits' card sequence
  bool sequence_matches = true;  // false: d29 names another sequence, no visit is corrected
  int visits = 1;                // visits of the patient with that day and sequence
  // The claim fields in document order, "d1" (of <dhead>) first; values as written (Big5).
  std::vector<std::pair<std::string, std::string>> fields;
  // The order lines: fields p1 ... p20 of each <pdata>.
  std::vector<std::vector<std::pair<std::string, std::string>>> order_lines;
  // Order codes of the visits that no order line claims.
  std::vector<std::string> unclaimed_codes;

  // The value of field `name` ("d30", "p4" of a line), empty when not written.
  std::string Value(std::string_view name) const;
};

struct DemoClaimArchives {
  int archives = 0;
  std::vector<DemoClaim> claims;
};

// The claim months to write, ROC yyymm, both included; empty for no bound.
struct DemoClaimMonths {
  std::string first;
  std::string last;
};

// Writes the archives below `source_folder` (replacing archives of the same months) and returns
// what they claim. Only visits of `months` are claimed. Without S/PATDB.DBF or Z/plut1.dbf
// nothing is written.
DemoClaimArchives WriteRealSunClaimArchives(const std::filesystem::path& source_folder,
                                            uint32_t seed, const DemoClaimMonths& months = {});

// The value of `name` among "name=value" pairs of one order line; empty when absent.
std::string LineValue(const std::vector<std::pair<std::string, std::string>>& line,
                      std::string_view name);

}  // namespace zuvo::demo
