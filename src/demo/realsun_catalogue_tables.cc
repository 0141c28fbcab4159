#include "demo/realsun_catalogue_tables.h"

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/big5.h"
#include "platform/dbf_writer.h"
#include "platform/file_ops.h"

namespace zuvo::demo {
namespace fs = std::filesystem;

namespace {

// One DRUG.DBF record (UTF-8 texts, converted when written).
struct DemoDrug {
  const char* code;         // DRUG_1AME
  const char* name;         // DRUG_NAME
  const char* source_code;  // DRUG_NO
  const char* kind;         // DRUG_TYPE
  const char* unit;         // UNIT
  const char* cost;         // COST
  const char* sale;         // SALE
  const char* nhi_price;    // C_PRICE
  const char* frequency;    // NO
  const char* date;         // DATE3
};

// Each line meets at least one rule of the conversion.
const DemoDrug kHandWrittenDrugs[] = {
    {"A000080100", "普拿疼", "PARA", "H", "TAB", "0.5", "2", "0.74", "TID", "1030301"},
    // newer duplicate: replaces PARA's row, [DUPMX] PARA
    {"A000080100", "普拿疼新包裝", "PARA2", "H", "TAB", "0.6", "2", "0.74", "QID", "1070101"},
    {"AC45856100", "PANADOL", "PANA", "H", "tab", "1", "3", "1.5", "BID", "1080101"},
    // older duplicate: skipped, [DUPMX] PANAOLD
    {"AC45856100", "PANADOL OLD", "PANAOLD", "H", "tab", "1", "3", "1.5", "BID", "1020101"},
    {"A033390100", "蓋舒泰", "FAMO", "H", "tab", "1", "2", "1.5", "BID", "1050101"},
    // newer duplicate of the same source code: replaces without a [DUPMX] note
    {"A033390100", "蓋舒泰新", "FAMO", "H", "tab", "1", "2", "1.5", "TID", "1060101"},
    {"A039004255", "安佳熱液", "SYRUP", "O", "瓶", "20", "0", "28", "TID", "1050101"},
    {"A032125100", "伊普錠", "IBU", "W", "次", "1", "0", "1.73", "tid1", ""},
    {"A030117212", "健大黴素注射液", "GENT", "I", "amp", "10", "0", "15", "STAT", ""},
    {"A029940321", "倍他每松乳膏", "BETA", "L", "tube", "10", "0", "15", "BID", ""},
    {"A037108335", "克黴唑陰道錠", "VAGT", "L", "tab", "5", "0", "6.5", "QD", ""},
    {"A036447335", "樂可舒栓劑", "SUPP", "L", "顆", "3", "0", "4", "HS", ""},
    {"CBP01FOLEY1A", "導尿管", "FOLEY", "M", "條", "100", "150", "128", "", ""},
    {"CDZ01WOUND01", "人工皮", "WOUND", "V", "片", "100", "0", "155", "", ""},
    {"A037615209", "人工淚液", "TEARS", "V", "瓶", "20", "0", "33", "QID", ""},
    {"48011C", "小換藥", "DRESS", "4", "次", "0", "0", "47", "", ""},
    {"47031C", "氣管內管插管", "INTUB", "S", "次", "0", "0", "464", "", ""},
    {"96020C", "局部麻醉", "LOCAL", "T", "次", "0", "0", "3917", "", ""},
    {"96023B", "麻醉範圍之末", "ANES", "T", "次", "0", "0", "150", "", ""},
    {"97004C", "麻醉範圍之後", "HIGH", "T", "次", "0", "0", "30570", "", ""},
    {"62001C", "顏面腫瘤切除", "EXCIS", "D", "次", "0", "0", "1300", "", ""},
    {"50001C", "手術範圍之前", "LOW", "E", "次", "0", "0", "130", "", ""},
    {"88029C", "嬰兒鼠蹊疝氣", "HERN", "E", "次", "0", "0", "8292", "", ""},
    {"89001C", "手術範圍之後", "OUT", "F", "次", "0", "0", "450", "", ""},
    {"47039C", "熱敷", "HOT", "A", "次", "0", "0", "28", "", ""},
    {"64028C", "股骨幹骨折開放性復位術", "FEMUR", "C", "次", "0", "0", "11000", "", ""},
    {"47032B", "心電圖監視", "EKG", "P", "次", "0", "0", "400", "", ""},
    // kinds the conversion does not know
    {"A034490209", "托布黴素眼藥水", "EYE", "X", "瓶", "30", "0", "45", "QID", ""},
    {"A040337219", "鼻噴劑", "NASAL", "Z", "瓶", "40", "0", "56", "", ""},
    {"A032258212", "得寶松注射液", "DEXA", "9", "amp", "10", "0", "15", "", ""},
    {"A035884321", "優碘", "IOD", "9", "瓶", "10", "0", "24", "", ""},
    {"A031336342", "安達口內膏", "PASTE", "9", "條", "10", "0", "30", "", ""},
    {"A027789100", "沐舒痰錠", "AMB", "#", "tab", "0.5", "0", "0.82", "TID", ""},
    {"62002C", "腫瘤切除二", "EXC2", "Q", "次", "0", "0", "2520", "", ""},
    {"47036B", "順流導管插管術", "SWAN", "Q", "次", "0", "0", "2405", "", ""},
    {"FBZ01SUTUR01", "可吸收縫線", "SUTURE", "K", "條", "80", "0", "118", "", ""},
    // codes found in another table than their kind's
    {"47035B", "腦室引流", "DRAIN", "H", "次", "0", "0", "80", "", ""},
    {"FHB01ELAST02", "彈性繃帶", "ELAST", "I", "捲", "20", "0", "32", "", ""},
    // made-up codes, the surgery range applied all the same
    {"", "自費保健品", "SELF2", "H", "盒", "3", "30", "0", "QD", ""},
    {"E2", "自費掛號", "REG", "4", "次", "0", "100", "0", "", ""},
    {"Z9999999999", "不存在的藥", "NOREF", "H", "tab", "1", "5", "0", "tid1", ""},
    {"96030X", "自費麻醉", "B96030", "T", "次", "0", "500", "0", "", ""},
    {"96031X", "自費處置", "B96031", "T", "次", "0", "500", "0", "", ""},
    {"88999Z", "自費手術", "B88999", "D", "次", "0", "900", "0", "", ""},
    {"62000Z", "自費處置二", "B62000", "D", "次", "0", "900", "0", "", ""},
    {"A041913100", "", "EMPTY", "H", "tab", "3", "0", "6.1", "", ""},  // no name: skipped
    // vaccines
    {"K000912210", "流感疫苗", "FLU", "I", "支", "0", "0", "0", "STAT", ""},
    {"XV0001C", "舊疫苗處置", "VXOLD", "4", "次", "0", "50", "0", "", ""},
    {"XV0001C", "疫苗注射處置", "VXNEW", "4", "次", "0", "50", "0", "", ""},
    {"XV0001C", "其他處置", "VXOTHER", "4", "次", "0", "50", "0", "", ""},
    // apostrophes, odd units and frequencies
    {"A043390100", "Children's chewable", "KID'S", "H", "tab", "10", "0", "15.6", "飯後吃", ""},
    {"A042219100", "驅異樂膜衣錠", "LEVO", "H", "大瓶", "2", "0", "3.9", "一天兩回", ""},
    {"A040101100", "服爾安錠", "PSE", "H", "tab", "0.3", "0", "0.51", "Q4H", ""},
};

struct DemoDiagnosis {
  const char* code;         // ICD10
  const char* name;         // ENG_NAME
  const char* clinic_code;  // CODE
  const char* related;      // S_CODE
};

const DemoDiagnosis kHandWrittenDiagnoses[] = {
    {"J069", "Acute upper respiratory infection", "URI", "460"},
    {"J069", "Acute URI again", "URI2", ""},  // converted once
    {"J00", "", "COLD", ""},                  // named by the diagnosis database
    {"N390", "", "UTI", ""},                  // no short name there: its Chinese name
    // names sharing their first 24 characters
    {"I10", "Essential hypertension, primary", "HT1", ""},
    {"I119", "Essential hypertension, secondary", "HT2", ""},
    {"E785", "Hyperlipidemia, doctor's note", "HL'1", ""},
    {"K219", "Acute upper respiratory infection", "GERD", ""},   // name taken: code + name
    {"K5900", "Acute upper respiratory infection", "GERD", ""},  // that taken too: nothing
    {"ZZZ99", "Mystery's illness", "MYS", ""},                   // unknown code: [DXfix]
    {"XX1", "", "XC", ""},                                       // unknown, nameless
    {"", "No code", "NONE", ""},
    {"R509", "Fever", "FEV", ""},
};

struct DemoCombination {
  const char* diagnosis;  // SICK_CODE
  int group;              // SEQ
  const char* order;      // DRUG_NO
  const char* frequency;  // NO
  int days;               // PS
  const char* quantity;   // QTY
  const char* note;       // MEMO
};

const DemoCombination kHandWrittenCombinations[] = {
    {"URI", 1, "PARA", "TID", 3, "3", "飯後"},    // found through [DUPMX]
    {"URI", 1, "SYRUP", "TID", 3, "10", ""},      // sold by the bottle
    {"URI", 2, "A032125100", "BID", 5, "2", ""},  // found by NHI code
    {"URI", 2, "A303", "BID", 5, "2", ""},        // fixed drugs
    {"URI", 2, "PIR", "", 5, "1", ""},
    {"URI", 1, "NOPE", "TID", 3, "1", ""},  // not found
    {"URI", 9, "DRESS", "", 1, "1", ""},    // a group number out of range
    {"FEV", 3, "DRESS", "", 1, "1", ""},    // group 3 alone
    {"FEV", 3, "GENT", "stat", 1, "1.5", ""},
    {"HT1", 1, "LOCAL", "", 1, "1", ""},
    {"HT2", 1, "FOLEY", "", 1, "2", ""},
    {"HL'1", 4, "BETA", "BID", 7, "1", ""},
    {"HL'1", 4, "VAGT", "QD", 7, "1", ""},
    {"HL'1", 5, "SUPP", "HS", 2, "1", ""},
    {"HL'1", 5, "KID'S", "一天兩回", 3, "1", ""},
    {"HL'1", 5, "SELF2", "QD", 10, "1", ""},
    {"COLD", 2, "EYE", "QID", 3, "1", "這是一段很長的備註文字超過四十二個位元組的長度要被切斷"},
    {"COLD", 2, "AMB", "飯後吃", 3, "1", ""},
    {"OLD1", 6, "DRESS", "", 1, "1", ""},  // a clinic code the clinic may map in [DXcodefix]
    {"NODX", 1, "DRESS", "", 1, "1", ""},  // diagnosis not found
    {"MYS", 1, "DRESS", "", 1, "1", ""},   // its diagnosis was not converted
};

// What the drawn records take their values from.
// Codes of the reference catalogue that no hand-written record has, so that the drawn records
// repeat each other but leave the hand-written ones alone.
constexpr const char* kDrawnCodes[] = {"A031177100", "A025519100", "A036012100",   "BC24455100",
                                       "62003C",     "50002C",     "CDZ01WOUND02", "K000925210",
                                       "",           "E2"};
constexpr const char* kDrawnKinds[] = {"H", "O", "W", "I", "L", "M", "V", "4", "S", "T", "A", "X"};
constexpr const char* kDrawnUnits[] = {"tab", "錠", "顆", "ml", "瓶", "支", "amp", "次", "包"};
constexpr const char* kDrawnFrequencies[] = {"TID", "BID", "QD", "HS", "Q4H", "PRN", "", "QIDPC"};
constexpr const char* kDrawnDiagnosisCodes[] = {"J029", "J209", "L309", "H6690", "J309",
                                                "A09",  "R519", "K529", "L500",  "H1030"};

std::string B(const char* utf8) { return big5::FromUtf8(utf8); }

// The source code of the n-th drawn drug, which the drawn combinations order.
std::string DrawnSourceCode(int n) { return "D" + std::to_string(100000 + n); }

void WriteDrugs(const fs::path& folder, std::mt19937& random, int count) {
  DbfWriter table(folder / "DRUG.DBF", {{"DRUG_1AME", 'C', 12, 0},
                                        {"DRUG_NAME", 'C', 40, 0},
                                        {"DRUG_NO", 'C', 10, 0},
                                        {"DRUG_NO1", 'C', 40, 0},
                                        {"DRUG_TYPE", 'C', 1, 0},
                                        {"UNIT", 'C', 8, 0},
                                        {"COST", 'N', 10, 2},
                                        {"SALE", 'N', 10, 2},
                                        {"C_PRICE", 'N', 10, 2},
                                        {"WARN", 'C', 30, 0},
                                        {"ATC_CODE", 'C', 8, 0},
                                        {"NO", 'C', 10, 0},
                                        {"DATE3", 'C', 7, 0}});
  int written = 0;
  for (const DemoDrug& d : kHandWrittenDrugs) {
    table.Append({B(d.code), B(d.name), B(d.source_code), "ALT " + B(d.source_code), d.kind,
                  B(d.unit), d.cost, d.sale, d.nhi_price, B("孕婦忌用"), "N02BE01", B(d.frequency),
                  d.date});
    ++written;
  }
  for (int n = 0; written < count; ++written, ++n) {
    auto pick = [&](const auto& list) { return list[random() % std::size(list)]; };
    // Most clinic orders are their own; one in ten shares a code of the reference catalogue.
    std::string code = random() % 10 == 0 ? std::string(pick(kDrawnCodes))
                                          : "A0" + std::to_string(10000000 + written);
    std::string date = std::to_string(1000101 + random() % 100000);
    table.Append({code, "ORDER " + std::to_string(written), DrawnSourceCode(n), "",
                  pick(kDrawnKinds), B(pick(kDrawnUnits)), std::to_string(random() % 50),
                  std::to_string(random() % 3 * 10), std::to_string(random() % 100), "", "",
                  pick(kDrawnFrequencies), date});
  }
  table.Close();
}

void WriteDiagnoses(const fs::path& folder, int count) {
  DbfWriter table(
      folder / "SICK.DBF",
      {{"ICD10", 'C', 8, 0}, {"ENG_NAME", 'C', 60, 0}, {"CODE", 'C', 8, 0}, {"S_CODE", 'C', 8, 0}});
  int written = 0;
  for (const DemoDiagnosis& d : kHandWrittenDiagnoses) {
    table.Append({d.code, d.name, B(d.clinic_code), d.related});
    ++written;
  }
  // Drawn diagnoses repeat the codes of a short list; only the first of each is converted.
  for (int n = 0; written < count; ++written, ++n) {
    table.Append({kDrawnDiagnosisCodes[n % std::size(kDrawnDiagnosisCodes)],
                  "Diagnosis " + std::to_string(n), "G" + std::to_string(n), ""});
  }
  table.Close();
}

void WriteCombinations(const fs::path& folder, std::mt19937& random, int count, int drawn_drugs,
                       int drawn_diagnoses) {
  DbfWriter table(folder / "TREAT.DBF", {{"SICK_CODE", 'C', 8, 0},
                                         {"SEQ", 'N', 2, 0},
                                         {"DRUG_NO", 'C', 10, 0},
                                         {"NO", 'C', 10, 0},
                                         {"PS", 'N', 3, 0},
                                         {"QTY", 'N', 8, 2},
                                         {"MEMO", 'C', 60, 0}});
  int written = 0;
  for (const DemoCombination& c : kHandWrittenCombinations) {
    table.Append({B(c.diagnosis), std::to_string(c.group), B(c.order), B(c.frequency),
                  std::to_string(c.days), c.quantity, B(c.note)});
    ++written;
  }
  // Only the first drawn diagnosis of each code is converted: G0 to G9 at the most.
  const int diagnoses =
      std::max(1, std::min(drawn_diagnoses, static_cast<int>(std::size(kDrawnDiagnosisCodes))));
  for (; written < count; ++written) {
    std::string order = drawn_drugs > 0 ? DrawnSourceCode(static_cast<int>(random() % drawn_drugs))
                                        : std::string("DRESS");
    table.Append({"G" + std::to_string(random() % diagnoses), std::to_string(1 + random() % 8),
                  order, kDrawnFrequencies[random() % std::size(kDrawnFrequencies)],
                  std::to_string(1 + random() % 7), std::to_string(1 + random() % 3), ""});
  }
  table.Close();
}

}  // namespace

void WriteRealSunCatalogueTables(const fs::path& folder, uint32_t seed,
                                 const RealSunCatalogueCounts& counts) {
  const fs::path z = folder / "Z";
  CreateFolders(z);
  std::mt19937 random(seed);
  const int hand_written_drugs = static_cast<int>(std::size(kHandWrittenDrugs));
  const int hand_written_diagnoses = static_cast<int>(std::size(kHandWrittenDiagnoses));
  WriteDrugs(z, random, counts.drugs);
  WriteDiagnoses(z, counts.diagnoses);
  WriteCombinations(z, random, counts.combinations, std::max(0, counts.drugs - hand_written_drugs),
                    std::max(0, counts.diagnoses - hand_written_diagnoses));
}

}  // namespace zuvo::demo
