#include "demo/vision_patient_tables.h"

#include <array>
#include <random>
#include <string_view>
#include <vector>

#include "demo/demo_people.h"
#include "platform/big5.h"
#include "platform/dbf_writer.h"

namespace zuvo::demo {

namespace fs = std::filesystem;

namespace {

// Rows as UTF-8 texts, in the field order of kPatientFields.
struct PatientTexts {
  std::string_view KCSTMR, MPERSONID, MNAME, MBIRTHDT, MSEX, MTELH, MFML, MADDR, MMEDI, MISNO,
      MWEIGHT, MREMARK;
};

const std::vector<DbfFieldSpec>& PatientFields() {
  static const std::vector<DbfFieldSpec> fields = {
      {"KCSTMR", 'C', 10, 0},  {"MPERSONID", 'C', 10, 0}, {"MNAME", 'C', 20, 0},
      {"MBIRTHDT", 'C', 7, 0}, {"MSEX", 'C', 1, 0},       {"MTELH", 'C', 15, 0},
      {"MFML", 'C', 15, 0},    {"MADDR", 'C', 60, 0},     {"MMEDI", 'C', 30, 0},
      {"MISNO", 'C', 30, 0},   {"MWEIGHT", 'N', 6, 1},    {"MREMARK", 'M', 0, 0},
  };
  return fields;
}

// The national IDs the showcase rows share: 15 and 27 hold the same ID in other letter case.
constexpr std::string_view kSharedIdUpper = "F128456784";
constexpr std::string_view kSharedIdLower = "f128456784";

constexpr PatientTexts kShowcase[] = {
    {"1", "A123456789", "陳大文", "0650312", "1", "02-27123456", "0912345678",
     "台北市大安區和平東路一段10號", "老人", "榮民", "65.5", "asthma,aspirin,x"},
    {"2", "B220134565", "林美玲", "0720105", "0", "04-22334455", "02-29876543",
     "台中市西區民生路22號", "殘障手冊", "", "52", "penicillin allergy\r\ncough\r\n"},
    {"3", "C134679021", "王小明", "1050620", "2", "07-3456789", "", "高雄市苓雅區四維三路6號", "",
     "", "18.2", "G6PD 蠶豆症,\r\n"},
    {"0", "D123098762", "張志強", "0700808", "1", "", "", "", "", "", "", ""},
    {"ABC", "E298765431", "黃淑芬", "0681111", "0", "", "", "", "", "", "", ""},
    {"2", "G142536477", "周文彬", "0590101", "1", "", "", "", "", "", "", "重複的病歷號\r\n"},
    {"15", kSharedIdUpper, "李建國", "0610704", "1", "03-5123456", "0933111222",
     "新竹市東區光復路二段101號", "", "", "", "DM,HTN~"},
    {"27", kSharedIdLower, "李建民", "0610704", "1", "", "", "", "", "", "", ""},
    {"30", "", "趙錢孫", "0900215", "0", "", "", "", "", "", "", ""},
    {"31", "", "吳小妹", "1080930", "0", "", "", "", "", "", "", ""},
    {"32", "A12345", "鄭成功", "0550505", "1", "", "", "", "", "", "", ""},
    {"33", "H210987658", "", "0801212", "0", "", "", "", "", "", "", "無名的病人\r\n"},
    {"34", "J154321095", "許志明", "1070230", "1", "", "", "", "", "", "", ""},
    {"35", "K267812348", "蔡依林", "", " ", "", "", "", "", "", "", ""},
    {"36", "L123123122", "謝宏達", "0450918", "1", "", "", "", "福保", "低收", "70",
     "Asthm\r\nDM type 2\r\nhypertension\r\n"},
    {"37", "M234234237", "何美華", "0771001", "0", "", "", "", "重大傷病", "", "",
     "ibuprofen過敏[PONSTAN]voltaren\\"},
    {"38", "N178899002", "曾國華", "0660606", "1", "", "", "", "abc", "之前的病人", "",
     "95年家戶,糖尿病收案~pap smear\r\n"},
    {"39", "P256677881", "簡秀英", "0530303", "0", "", "", "", "", "", "",
     "asrhma,amoxil,keflex,baktar,sulfa drug\r\n"},
    {"40", "Q111222338", "羅志偉", "0880808", "1", "", "", "", "", "", "",
     "看診很久,看診很久,\r\n"},
    {"41", "R222333443", "葉子豪", "0920202", "1", "", "", "", "", "", "", "看診很久\r\n"},
    {"42", "S133444554", "江美惠", "0600101", "0", "", "", "", "", "", "", ""},
    {"43", "T244555669", "彭家豪", "0730707", "1", "", "", "", "", "員工", "", ""},
    {"2147483648", "U155666770", "游大為", "0750505", "1", "", "", "", "", "", "", ""},
    {"44", "V266777885", "石", "0820820", "0", "", "", "", "", "", "", "cough\r\n"},
};
static_assert(std::size(kShowcase) == kShowcasePatientRows);

// The long remark of patient 42: many lines of history, several kilobytes.
std::string LongRemark() {
  std::string remark;
  for (int visit = 1; visit <= 120; ++visit) {
    remark += "visit " + std::to_string(visit) + ": chronic rhinitis, 過敏性鼻炎\r\n";
  }
  return remark;
}

std::vector<std::string> Big5Values(const PatientTexts& row) {
  std::vector<std::string> values;
  for (std::string_view text :
       {row.KCSTMR, row.MPERSONID, row.MNAME, row.MBIRTHDT, row.MSEX, row.MTELH, row.MFML,
        row.MADDR, row.MMEDI, row.MISNO, row.MWEIGHT, row.MREMARK}) {
    values.push_back(big5::FromUtf8(text));
  }
  return values;
}

constexpr size_t kNameField = 2;
constexpr size_t kRemarkField = 11;

constexpr std::string_view kIdentityRemarks[] = {
    "老人", "福保", "榮民", "重大傷病", "親友", "家扶", "殘障手冊", "行動不便", "注意", "教友"};
constexpr std::string_view kMisnoRemarks[] = {"低收", "榮民", "同業", "院長親戚", "員眷", "重傷"};
constexpr std::string_view kRemarkPhrases[] = {"asthma",      "Asthma",
                                               "asrhma",      "DM",
                                               "HTN",         "GERD",
                                               "AR",          "allergic rhinitis",
                                               "aspirin",     "penicillin allergy",
                                               "PCN",         "amoxil",
                                               "keflex",      "sulfa",
                                               "ibuprofen",   "BRUFEN",
                                               "pyrin",       "cough",
                                               "蠶豆症",      "G6PD",
                                               "藥物過敏",    "對藥物不舒服",
                                               "gout",        "CVA",
                                               "hepatitis B", "epilepsy",
                                               "肝炎帶原",    "UTI",
                                               "hernia",      "s/p appendectomy",
                                               "voltaren",    "ponstan",
                                               "看診很久",    "95年家戶",
                                               "糖尿病收案",  "pap smear",
                                               "雙胞胎",      "hormone therapy",
                                               "fever"};
constexpr std::string_view kSeparators[] = {",", ",", "\r\n", "~", "[", "]", "\\"};

class PatientGenerator {
 public:
  explicit PatientGenerator(uint32_t seed) : random_(seed) {}

  std::vector<std::string> Next(int chart_number, std::vector<std::string>& earlier_ids) {
    std::vector<std::string> values(PatientFields().size());
    values[0] = std::to_string(chart_number);
    values[1] = NationalId(earlier_ids);
    values[2] = Chance(1, 200) ? std::string() : random_.Name();
    values[3] = Birthday();
    values[4] = Chance(1, 2) ? "0" : (Chance(1, 2) ? "1" : "2");
    values[5] = "0" + std::to_string(2 + Pick(7)) + "-" + Digits(7);
    values[6] = Chance(1, 2) ? "09" + Digits(8) : (Chance(1, 5) ? "02-" + Digits(8) : "");
    values[7] = random_.Address();
    values[8] = Chance(1, 10) ? big5::FromUtf8(kIdentityRemarks[Pick(std::size(kIdentityRemarks))])
                              : std::string();
    values[9] = Chance(1, 20) ? big5::FromUtf8(kMisnoRemarks[Pick(std::size(kMisnoRemarks))])
                              : std::string();
    values[10] = Chance(3, 10) ? std::to_string(10 + Pick(80)) + "." + std::to_string(Pick(10))
                               : std::string();
    values[11] = Chance(6, 10) ? Remark() : std::string();
    return values;
  }

 private:
  uint32_t Pick(size_t count) { return random_.Pick(count); }
  bool Chance(uint32_t in, uint32_t of) { return random_.Chance(in, of); }
  std::string Digits(int count) { return random_.Digits(count); }

  std::string NationalId(std::vector<std::string>& earlier_ids) {
    if (Chance(1, 50)) return {};
    if (Chance(1, 100)) return Digits(6);
    if (Chance(1, 100) && !earlier_ids.empty()) return earlier_ids[Pick(earlier_ids.size())];
    std::string id = random_.NationalId();
    earlier_ids.push_back(id);
    return id;
  }
  std::string Birthday() {
    if (Chance(1, 100)) return "0" + std::to_string(50 + Pick(50)) + "0231";
    int year = 20 + static_cast<int>(Pick(93));
    char text[16];
    std::snprintf(text, sizeof text, "%03d%02d%02d", year, 1 + Pick(12), 1 + Pick(28));
    return text;
  }
  std::string Remark() {
    std::string remark;
    int phrases = 1 + static_cast<int>(Pick(4));
    for (int i = 0; i < phrases; ++i) {
      remark += kRemarkPhrases[Pick(std::size(kRemarkPhrases))];
      if (i + 1 < phrases || Chance(3, 4)) remark += kSeparators[Pick(std::size(kSeparators))];
    }
    return big5::FromUtf8(remark);
  }

  DemoRandom random_;
};

}  // namespace

void WriteVisionPatientTable(const fs::path& folder, uint32_t seed, int generated_patients) {
  DbfWriter table(folder / "CO01M.DBF", PatientFields());
  for (const PatientTexts& row : kShowcase) {
    std::vector<std::string> values = Big5Values(row);
    if (row.KCSTMR == "42") values[kRemarkField] = big5::FromUtf8(LongRemark());
    // Patient 44: a name cut inside a character and a remark with control characters.
    if (row.KCSTMR == "44") {
      values[kNameField] += '\xA5';
      values[kRemarkField] = "\x07" + values[kRemarkField] + "\x1B[0m,";
    }
    table.Append(values);
  }
  PatientGenerator generator(seed);
  std::vector<std::string> earlier_ids;
  for (int i = 0; i < generated_patients; ++i) {
    table.Append(generator.Next(kFirstGeneratedChartNumber + i, earlier_ids));
  }
  table.Close();
}

}  // namespace zuvo::demo
