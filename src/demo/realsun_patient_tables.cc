#include "demo/realsun_patient_tables.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "demo/demo_people.h"
#include "platform/big5.h"
#include "platform/dbf_writer.h"
#include "platform/file_ops.h"

namespace zuvo::demo {

namespace fs = std::filesystem;

namespace {

const std::vector<DbfFieldSpec>& PatientFields() {
  static const std::vector<DbfFieldSpec> fields = {
      {"NAME", 'C', 20, 0}, {"ID", 'C', 12, 0},   {"BIRTH", 'C', 7, 0}, {"SEX", 'C', 1, 0},
      {"TEL", 'C', 15, 0},  {"ADDR", 'C', 60, 0}, {"WARN", 'C', 80, 0}, {"PASS", 'C', 80, 0},
  };
  return fields;
}

// Rows as UTF-8 texts, in the field order of PatientFields.
struct PatientTexts {
  std::string_view NAME, ID, BIRTH, SEX, TEL, ADDR, WARN, PASS;
};

constexpr PatientTexts kShowcase[] = {
    // 1: the system's own first record, never a patient.
    {"耀聖系統", "A100000001", "010101", "+", "", "", "", ""},
    {"王大明", "A123456789", "870701", "+", "02-27123456", "台北市大安區和平東路一段10號",
     "penicillin", "高血壓"},
    {"林美玲", "B220134565", "A70326", "-", "0912345678", "台中市西區民生路22號", "", "氣喘"},
    {"陳志明", "C134679021", "1070326", "+", "07-3456789", "", "", ""},
    {"", "D123098762", "650312", "-", "", "", "", ""},
    {"黃淑芬", "A12", "720105", "-", "", "", "aspirin", ""},
    {"張家豪", "@@0012345", "800808", "+", "", "", "", ""},
    {"李建國", "F128456784", "610704", "+", "03-5123456", "新竹市東區光復路二段101號", "", ""},
    // 9: patient 8's ID in lower case.
    {"李建民", "f128456784", "610704", "+", "", "", "", ""},
    {"吳雅婷", "G242536470", "", "-", "", "", "", ""},
    {"劉俊傑", "", "900215", "+", "0933111222", "", "", ""},
    {"蔡怡君", "B1234", "A91231", "-", "", "", "", ""},
    {"楊文華", "H210987658", "870231", "+", "", "", "", ""},
    {"許秀英", "J254321098", "530303", "-", "04-22334455", "",
     "penicillin, sulfa drug, aspirin, ibuprofen, 磺胺類藥物, 消炎止痛藥",
     "糖尿病, 高血壓, 痛風, 慢性腎臟病第三期, 白內障手術後, 骨質疏鬆"},
    // 15: no ID of its own; data.ini [IDFIX] may give it one.
    {"鄭嘉惠", "", "A00101", "-", "", "", "", ""},
    {"謝宗翰", "ABCD", "990909", "+", "", "", "", ""},
    {"何美華", "K267812348", "8707", "-", "0800123456", "", "", ""},
    {"曾國華", "L123123122", "ab0101", "+", "", "", "", ""},
};
static_assert(std::size(kShowcase) == kRealSunShowcaseRecords);

constexpr std::string_view kAllergies[] = {"penicillin", "aspirin",        "sulfa",
                                           "NSAID",      "磺胺類",         "盤尼西林",
                                           "ibuprofen",  "contrast medium"};
constexpr std::string_view kHistories[] = {"高血壓",  "糖尿病", "氣喘", "痛風",
                                           "B型肝炎", "HTN",    "DM",   "s/p appendectomy"};

std::vector<std::string> Big5Values(const PatientTexts& row) {
  std::vector<std::string> values;
  for (std::string_view text :
       {row.NAME, row.ID, row.BIRTH, row.SEX, row.TEL, row.ADDR, row.WARN, row.PASS}) {
    values.push_back(big5::FromUtf8(text));
  }
  return values;
}

class PatientGenerator {
 public:
  explicit PatientGenerator(uint32_t seed) : random_(seed) {}

  std::vector<std::string> Next() {
    return {random_.Chance(1, 200) ? std::string() : random_.Name(),
            NationalId(),
            Birth(),
            random_.Chance(1, 2) ? "+" : "-",
            Telephone(),
            random_.Address(),
            random_.Chance(1, 5) ? Phrases(kAllergies) : std::string(),
            random_.Chance(1, 4) ? Phrases(kHistories) : std::string()};
  }

 private:
  // Mostly valid IDs; now and then none, a short one, an "@@" one, or an earlier one again in
  // lower case.
  std::string NationalId() {
    if (random_.Chance(1, 50)) return {};
    if (random_.Chance(1, 100)) return random_.Digits(3);
    if (random_.Chance(1, 200)) return "@@" + random_.Digits(7);
    if (random_.Chance(1, 100) && !earlier_ids_.empty()) {
      return big5::LowerAscii(earlier_ids_[random_.Pick(earlier_ids_.size())]);
    }
    std::string id = random_.NationalId();
    if (earlier_ids_.size() < kRememberedIds) earlier_ids_.push_back(id);
    return id;
  }
  // "yymmdd" for ROC years 20..99, "A" + "ymmdd" for 100..109; a few empty, seven-character and
  // impossible ones.
  std::string Birth() {
    if (random_.Chance(1, 100)) return {};
    if (random_.Chance(1, 100)) return "10" + random_.Digits(1) + "0620";
    if (random_.Chance(1, 100)) return random_.Digits(2) + "0231";
    char text[16];
    if (random_.Chance(1, 10)) {
      std::snprintf(text, sizeof text, "A%u%02u%02u", random_.Pick(10), 1 + random_.Pick(12),
                    1 + random_.Pick(28));
    } else {
      std::snprintf(text, sizeof text, "%02u%02u%02u", 20 + random_.Pick(80), 1 + random_.Pick(12),
                    1 + random_.Pick(28));
    }
    return text;
  }
  std::string Telephone() {
    if (random_.Chance(1, 2)) return "09" + random_.Digits(8);
    if (random_.Chance(1, 3)) return "02-" + random_.Digits(8);
    return "0" + std::to_string(3 + random_.Pick(6)) + "-" + random_.Digits(7);
  }
  template <size_t N>
  std::string Phrases(const std::string_view (&phrases)[N]) {
    std::string text(phrases[random_.Pick(N)]);
    if (random_.Chance(1, 3)) text += ", " + std::string(phrases[random_.Pick(N)]);
    return big5::FromUtf8(text);
  }

  static constexpr size_t kRememberedIds = 1000;
  DemoRandom random_;
  std::vector<std::string> earlier_ids_;
};

}  // namespace

void WriteRealSunPatientTable(const fs::path& source_folder, uint32_t seed, int patients) {
  CreateFolders(source_folder / "S");
  DbfWriter table(source_folder / "S" / "PATDB.DBF", PatientFields());
  for (const PatientTexts& row : kShowcase) table.Append(Big5Values(row));
  PatientGenerator generator(seed);
  for (int row = kRealSunShowcaseRecords - 1; row < patients; ++row) {
    table.Append(generator.Next());
  }
  table.Close();
}

}  // namespace zuvo::demo
