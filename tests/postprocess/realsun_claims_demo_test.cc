// The demo's claim archives, derived from a small RealSun source folder, applied to a store of
// the same visits: every claimed visit and order line carries the claim afterwards, everything
// else keeps its bytes.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <tuple>

#include "core/byte_layout.h"
#include "demo/realsun_claim_archives.h"
#include "platform/dbf_writer.h"
#include "postprocess/claims_fixture.h"
#include "postprocess/realsun_claim_archive.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using testing::ClaimTree;
using testing::I16At;
using testing::OrderAt;
using testing::VisitAt;

struct PlutRow {
  const char* code_f;  // patient number (6) + visit number (3)
  const char* date;    // yymmdd, "A" for the years 100-109
  const char* type;
  const char* bp;
  std::vector<const char*> drugs;
  const char* xp_card;  // the visit's claim row in S/xp10801.DBF, nullptr for none
};

const std::vector<PlutRow> kVisits = {
    {"000002001", "A80103", "", "", {"AC1", "AC2", "AC3"}, "0007"},
    {"000002002", "A80103", "", "", {"AC4"}, "0007"},  // same day and card
    {"000003001", "A80104", "A", "", {"AC1", "AC2"}, nullptr},
    {"000004001", "A80105", "", "", {"AC2", "AC3"}, "0002"},
    {"000004002", "A80107", "", "", {"AC1", "AC4", "AC2"}, "0003"},
    {"000005001", "A80108", "", "", {"AC3"}, "IC21"},  // a special card: not claimed
    {"000005002", "A80109", "", "", {"AC1", "AC3"}, "0004"},
    {"000006001", "A80110", "", "", {"AC2", "AC1"}, "0001"},
    {"000006002", "A80111", "1", "", {"AC4"}, nullptr},
    {"000007001", "A80112", "", "", {"AC1", "AC2"}, "0009"},
    {"000007002", "A80114", "", "", {"AC3", "AC4"}, "0010"},
    {"000002003", "A80115", "", "", {"AC1", "AC2", "AC3", "AC4"}, "0008"},
    {"000003002", "A80116", "A", "", {"AC2"}, nullptr},
    {"000004003", "A80117", "", "", {"AC4", "AC1"}, "0005"},
    {"000005003", "A80118", "", "", {"AC2"}, "0006"},
    {"000006003", "A80121", "", "", {"AC3", "AC1"}, "0011"},
};

char ExpectedClass(const std::string& case_type, const std::string& copay) {
  if (case_type == "D2" || case_type == "A3") return '3';
  static const std::map<std::string, char> kClasses = {{"D10", '3'}, {"000", '0'}, {"003", '1'},
                                                       {"009", 'B'}, {"K00", '3'}, {"001", '9'}};
  auto found = kClasses.find(copay);
  return found == kClasses.end() ? '0' : found->second;
}

class ClaimDemoTest : public ::testing::Test, public ClaimTree {
 protected:
  ClaimDemoTest() {
    DbfWriter patients(source / "S" / "PATDB.DBF", {{"NAME", 'C', 20, 0}, {"ID", 'C', 10, 0}});
    patients.Append({"HEADER", ""});
    for (int number = 2; number <= 7; ++number) {
      const std::string id = "A10000000" + std::to_string(number);
      patients.Append({"P" + std::to_string(number), id});
      AddPatient(number, id);
    }
    patients.Close();

    CreateFolders(source / "Z");
    std::vector<DbfFieldSpec> fields = {
        {"CODE_F", 'C', 9, 0}, {"DATE", 'C', 6, 0}, {"TYPE", 'C', 1, 0}, {"BP", 'C', 3, 0}};
    for (int slot = 1; slot <= 4; ++slot)
      fields.push_back({"DRUG" + std::to_string(slot), 'C', 10, 0});
    DbfWriter plut(source / "Z" / "plut1.dbf", fields);
    DbfWriter xp(source / "S" / "xp10801.DBF",
                 {{"CODE", 'C', 6, 0}, {"REQ", 'C', 3, 0}, {"CARD", 'C', 4, 0}});
    std::vector<ChartEntry> entries;
    for (const PlutRow& row : kVisits) {
      std::vector<std::string> values = {row.code_f, row.date, row.type, row.bp};
      values.insert(values.end(), row.drugs.begin(), row.drugs.end());
      plut.Append(values);
      const std::string code_f = row.code_f;
      if (row.xp_card) xp.Append({code_f.substr(0, 6), code_f.substr(6), row.xp_card});
      // The card the chart conversion gives the visit.
      const std::string card = row.xp_card                    ? row.xp_card
                               : std::string(row.type) == "A" ? "A900"
                                                              : "SELF";
      cards.push_back(card);
      const int day = std::stoi(std::string(row.date).substr(4));
      ChartEntry entry =
          Visit(std::stoi(code_f.substr(0, 6)),
                *EncodeDateTime({2019, 1, day, 9 + int(entries.size() % 2), 0, 0, 0}), card, {});
      for (const char* drug : row.drugs) {
        OrderLine line;
        line.record.Set(order_field::kInsuranceCode, drug);
        line.record.Set(order_field::kDays, int16_t{99});
        entry.orders.push_back(line);
      }
      entries.push_back(std::move(entry));
    }
    plut.Close();
    xp.Close();
    positions = WriteVisits(std::move(entries));
  }

  std::vector<ChartPosition> positions;
  std::vector<std::string> cards;
};

TEST_F(ClaimDemoTest, GeneratedClaimsCorrectTheirVisitsAndNothingElse) {
  const std::string before = ChartBytes();
  demo::DemoClaimArchives archives = demo::WriteRealSunClaimArchives(source, 7);
  ASSERT_EQ(archives.archives, 1);
  ASSERT_EQ(RunStep(), StepResult::kDone);
  const std::string chart = ChartBytes();

  std::set<std::string> case_types;
  std::set<size_t> corrected;
  bool mismatched = false, unknown_copay = false, shared = false, unclaimed = false;
  for (const demo::DemoClaim& claim : archives.claims) {
    SCOPED_TRACE(claim.visit_date + " " + claim.card_sequence);
    const std::string case_type = claim.Value("d1");
    case_types.insert(case_type);
    mismatched |= !claim.sequence_matches;
    unknown_copay |= claim.Value("d15") == "Q99";
    shared |= claim.visits == 2;
    unclaimed |= !claim.unclaimed_codes.empty();
    for (size_t i = 0; i < kVisits.size(); ++i) {
      const std::string code_f = kVisits[i].code_f;
      if (std::stoi(code_f.substr(0, 6)) != claim.patient ||
          "10" + std::string(kVisits[i].date).substr(1) != claim.visit_date ||
          cards[i] != claim.card_sequence || !claim.sequence_matches) {
        continue;
      }
      corrected.insert(i);
      const size_t v = VisitAt(positions[i]);
      EXPECT_EQ(I16At(chart, v + 109), 0x1043);
      EXPECT_EQ(chart.substr(v + 156, case_type.size()), case_type);
      EXPECT_EQ(chart.substr(v + 48, 10), claim.Value("d30"));
      EXPECT_EQ(I16At(chart, v + 209), std::stoi(claim.Value("d27")));
      EXPECT_EQ(I16At(chart, v + 233), std::stoi(claim.Value("d44")));
      EXPECT_EQ(chart[v + 104], ExpectedClass(case_type, claim.Value("d15")));
      for (size_t line = 0; line < kVisits[i].drugs.size(); ++line) {
        const size_t o = OrderAt(positions[i], line);
        const std::string code = kVisits[i].drugs[line];
        bool claimed = false;
        for (const auto& order_line : claim.order_lines) {
          if (demo::LineValue(order_line, "p4") != code) continue;
          claimed = true;
          EXPECT_EQ(I16At(chart, o + 114), std::stoi(demo::LineValue(order_line, "p1"))) << code;
          const std::string frequency = demo::LineValue(order_line, "p7");
          EXPECT_EQ(chart.substr(o + 86, 1 + frequency.size()), char(frequency.size()) + frequency);
        }
        if (!claimed) {
          EXPECT_EQ(chart.substr(o, 272), before.substr(o, 272)) << code;
        }
      }
    }
  }
  // Every visit that no claim matched keeps all its bytes.
  for (size_t i = 0; i < kVisits.size(); ++i) {
    if (corrected.contains(i)) continue;
    EXPECT_EQ(chart.substr(VisitAt(positions[i]), 292), before.substr(VisitAt(positions[i]), 292))
        << kVisits[i].code_f;
  }
  EXPECT_THAT(case_types, ::testing::IsSupersetOf({"D2", "A3", "08", "01"}));
  EXPECT_TRUE(mismatched && unknown_copay && shared && unclaimed);
  EXPECT_TRUE(corrected.contains(0) && corrected.contains(1)) << "one claim, two visits";
  EXPECT_FALSE(corrected.contains(5)) << "special cards are not claimed";
  EXPECT_THAT(context.lines(), ::testing::Contains("不明部分負擔碼:Q99"));

  // The same seed writes the same archive.
  const std::string archive = testing::ReadFileBytes(source / "02" / "10801XML.zip");
  demo::WriteRealSunClaimArchives(source, 7);
  EXPECT_EQ(testing::ReadFileBytes(source / "02" / "10801XML.zip"), archive);
}

TEST_F(ClaimDemoTest, OrderLinesClaimNhiCodesAndOnlyTheMonthsAskedForOfEitherYearLetter) {
  DbfWriter drugs(source / "Z" / "DRUG.DBF", {{"DRUG_NO", 'C', 10, 0}, {"DRUG_1AME", 'C', 12, 0}});
  drugs.Append({"AC1", "A000000100"});
  drugs.Append({"AC2", "B000000200"});
  drugs.Append({"AC3", ""});  // no NHI code: the clinic's code stays
  drugs.Close();

  EXPECT_EQ(demo::WriteRealSunClaimArchives(source, 7, {"10802", ""}).archives, 0);
  EXPECT_FALSE(fs::exists(source / "02" / "10801XML.zip"));
  EXPECT_EQ(demo::WriteRealSunClaimArchives(source, 7, {"", "10712"}).archives, 0);

  demo::DemoClaimArchives archives = demo::WriteRealSunClaimArchives(source, 7, {"10801", "10801"});
  ASSERT_EQ(archives.archives, 1);
  std::multiset<std::string> claimed;
  for (const demo::DemoClaim& claim : archives.claims) {
    for (const auto& line : claim.order_lines) claimed.insert(demo::LineValue(line, "p4"));
    for (const std::string& code : claim.unclaimed_codes) claimed.insert(code);
  }
  EXPECT_TRUE(claimed.contains("A000000100") && claimed.contains("B000000200"));
  EXPECT_TRUE(claimed.contains("AC3") && claimed.contains("AC4"));
  EXPECT_FALSE(claimed.contains("AC1") || claimed.contains("AC2"));
  // Visits of the years 110-119 ("B") are claimed in their months.
  std::vector<DbfFieldSpec> fields = {
      {"CODE_F", 'C', 9, 0}, {"DATE", 'C', 6, 0}, {"TYPE", 'C', 1, 0}, {"BP", 'C', 3, 0}};
  DbfWriter later(source / "Z" / "plut2.dbf", fields);
  later.Append({"000002004", "B00105", "", ""});
  later.Append({"000002005", "B00105", "", ""});  // same day and card: always claimed
  later.Close();
  demo::DemoClaimArchives year_110 = demo::WriteRealSunClaimArchives(source, 7, {"11001", ""});
  ASSERT_EQ(year_110.archives, 1);
  ASSERT_EQ(year_110.claims.size(), 1u);
  EXPECT_EQ(year_110.claims[0].visit_date, "1100105");
  EXPECT_EQ(year_110.claims[0].visits, 2);
  EXPECT_TRUE(fs::exists(source / "02" / "11001XML.zip"));

  // The archive holds what the claims say.
  const std::string document =
      ReadClaimArchive(source / "02" / "10801XML.zip", dir / "scratch").document;
  EXPECT_NE(document.find("<p4>A000000100</p4>"), std::string::npos);
  EXPECT_EQ(document.find("<p4>AC1</p4>"), std::string::npos);
}

}  // namespace
}  // namespace zuvo
