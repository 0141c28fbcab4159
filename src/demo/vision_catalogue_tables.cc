#include "demo/vision_catalogue_tables.h"

#include <random>
#include <string>
#include <vector>

#include "platform/big5.h"
#include "platform/dbf_writer.h"

namespace zuvo::demo {
namespace fs = std::filesystem;

namespace {

// One CO09D.DBF record (UTF-8 texts, converted when written).
struct DemoOrder {
  const char* code;         // DNO
  const char* source_code;  // KDRUG
  const char* kind;         // DTYPE
  const char* unit;         // DUM1
  const char* name;         // DDESC
  const char* name2;        // DDESC2
  const char* cost;         // DLPRI
  const char* self_price;   // DP1
  const char* nhi_price;    // DP2
  const char* frequency;    // DFREQ
  const char* route;        // DPATH
  const char* changed;      // DLDPDT
};

// Each line meets at least one rule of the conversion.
const DemoOrder kHandWrittenOrders[] = {
    {"A000080100", "PARA", "0", "錠", "ACETAMINOPHEN", "普拿疼", "0.5", "0", "0.74", "TID", "PO",
     "1030301"},
    {"A000080100", "PARA2", "0", "TAB", "ACETAMINOPHEN 2", "普拿疼2", "0.5", "0", "0.74", "QID",
     "PO", "1070101"},  // newer duplicate: replaces PARA's row
    {"AC45856100", "PANA", "02", "tab", "PANADOL", "普拿疼膜衣", "1", "2", "1.5", "BID", "PO",
     "1080101"},
    {"AC45856100", "PANAOLD", "02", "tab", "PANADOL OLD", "", "1", "2", "1.5", "BID", "PO",
     "1020101"},  // older duplicate: skipped and mapped
    {"AC45856151", "PANA2", "02", "1包", "PANADOL FOIL", "", "1", "0", "1.5", "Q6H", "PO", ""},
    {"A032125100", "IBU", "02", "2支", "IBUPROFEN", "", "1", "0", "1.73", "tid1", "", ""},
    {"A041913100", "MOBIC", "02", "單次", "MOBIC", "", "3", "0", "3", "QD", "", ""},
    {"A043214345", "PIRO", "03", "3條", "PIROXICAM GEL", "", "40", "0", "60", "BID", "TOPI", ""},
    {"A018422100", "AMOX", "03", "大瓶", "AMOXICILLIN", "", "2", "0", "2.5", "每日三次", "", ""},
    {"AC39841100", "AUG", "03", "紙盒", "AUGMENTIN", "", "5", "0", "5", "", "", ""},
    {"A035678100", "CEPH", "03", "包", "CEPHALEXIN", "", "2", "0", "2", "HS", "", ""},
    {"A045112100", "AZI", "03", "棉棒包", "AZITHROMYCIN", "", "9", "0", "9", "QOD", "", ""},
    {"A028876100", "CHLOR", "03", "VIAL", "CHLORPHENIRAMINE", "", "0.2", "0", "0.2", "Q8H", "IM",
     ""},
    {"A039004255", "SYRUP", "01", "瓶", "COUGH SYRUP", "", "20", "0", "30", "TID", "PO", ""},
    {"A039411100", "INJ1", "04", "1AMP", "INJECTION AMP", "", "10", "0", "12", "STAT", "IM", ""},
    {"BC23456100", "INJ2", "04", "2支", "INJECTION VIAL", "", "10", "0", "12", "STAT", "IV", ""},
    {"A030022100", "INJ3", "04", "大瓶", "INJECTION BOTTLE", "", "10", "0", "12", "", "",
     "1010101"},
    {"A034567100", "INJ4", "04", "XX", "INJECTION ODD", "", "10", "0", "12", "", "", "1010101"},
    {"47031C", "INTUB", "10", "次", "氣管內管插管", "", "0", "0", "464", "", "", ""},
    {"64028C", "FEMUR", "10", "次", "股骨幹骨折開放性復位術", "", "0", "0", "11000", "", "", ""},
    {"48011C", "DRESS", "05", "次", "小換藥", "", "0", "0", "47", "", "", ""},
    {"62001C", "EXCIS", "01", "次", "顏面腫瘤切除", "", "0", "0", "1300", "", "", ""},
    {"CBP01FOLEY1A", "FOLEY", "09", "條", "導尿管", "", "100", "150", "128", "", "", ""},
    {"CBP02NGTUB01", "NGT", "02", "包彈繃", "鼻胃管", "", "30", "0", "42", "", "", ""},
    {"K000912210", "FLU", "04", "支", "流感疫苗", "", "0", "0", "0", "STAT", "IM", ""},
    {"XV0001C", "VXOLD", "99", "次", "舊疫苗處置", "", "0", "0", "0", "", "", ""},
    {"XV0001C", "VXNEW", "05", "次", "疫苗注射處置", "", "0", "50", "0", "", "",
     ""},  // code known, no row
    {"B023817100", "OLDX", "ZZ", "", "old", "", "0", "0", "0", "", "", ""},
    {"B023817100", "CHAMP1", "12", "tab", "CHAMPIX 1MG", "", "40", "0", "49", "", "", ""},
    {"K000912210", "FLU2", "04", "支", "公費流感疫苗(衛)", "", "0", "0", "0", "STAT", "IM", ""},
    {"B023816100", "CHAMP", "12", "tab", "CHAMPIX", "", "40", "0", "49", "BID", "PO", ""},
    {"A12", "SELF1", "12", "錠", "self pay vitamin", "", "1", "5", "0", "QD", "PO", "1100101"},
    {"", "SELF2", "", "粒", "", "自費保健品", "3", "30", "0", "QD", "", ""},
    {"96000C", "LOCAL", "", "", "local anaesthesia", "", "0", "0", "0", "", "", ""},
    {"123456", "PKG", "", "份", "package", "", "0", "0", "0", "", "", ""},
    {"", "00012B", "31", "", "診所套餐", "", "0", "100", "0", "", "", ""},
    {"", "ODDK", "31", "", "odd kind", "", "0", "100", "0", "", "", ""},
    {"", "ODDK2", "77", "紙盒", "odd kind 2", "", "0", "100", "0", "", "", ""},
    {"ZZ0001", "NOTE", "ZZ", "", "備註", "", "0", "0", "0", "", "", ""},
    {"", "****", "0", "", "deleted", "", "0", "0", "0", "", "", ""},
    {"", "", "0", "", "no code", "", "0", "0", "0", "", "", ""},
    {"XYZ999", "ODDFREQ", "0", "tab", "odd frequency", "", "1", "1", "0", "一天兩回", "", ""},
    {"XYZ998", "FIXFREQ", "0", "tab", "fixed frequency", "", "1", "1", "0", "飯後吃", "", ""},
};

// Codes the drawn orders take their NHI code from.
constexpr const char* kDrawnCodes[] = {"A040101100", "A031177100", "A025519100", "A033390100",
                                       "BC24455100", "A036012100", "A029876100", "CDZ01WOUND01",
                                       "",           "ABC12"};
constexpr const char* kDrawnKinds[] = {"0", "02", "03", "04", "05", "12", "10", "01", ""};
constexpr const char* kDrawnUnits[] = {"tab", "錠", "顆", "ml", "瓶", "支", "amp", "次", "包"};
constexpr const char* kDrawnFrequencies[] = {"TID", "BID", "QD", "HS", "Q4H", "PRN", "", "QIDPC"};

struct DemoDiagnosis {
  const char* code;
  const char* name;
  const char* memo;
  const char* related;
};

const DemoDiagnosis kHandWrittenDiagnoses[] = {
    {"J00", "感冒", "", ""},        {"J069", "感冒", "", "460"},  // the name is taken: "J069感冒"
    {"I10", "", "高血壓", "401.9"}, {"E119", "糖尿病", "", ""},
    {"E119", "糖尿病重複", "", ""},  // converted once
    {"K219", "胃食道逆流", "", ""}, {"ZZZ99", "不存在的碼", "", ""},
    {"", "空白碼", "", ""},         {"E785", "高血脂's", "", ""},
};

constexpr const char* kDrawnDiagnosisCodes[] = {"J029", "J209",  "M545", "R05",  "K5900",
                                                "L309", "H1010", "N390", "R509", "J0190"};

std::string B(const char* utf8) { return big5::FromUtf8(utf8); }

void WriteOrders(const fs::path& folder, std::mt19937& random, int count) {
  DbfWriter table(folder / "CO09D.DBF", {{"DNO", 'C', 12, 0},
                                         {"KDRUG", 'C', 10, 0},
                                         {"DTYPE", 'C', 2, 0},
                                         {"DUM1", 'C', 10, 0},
                                         {"DDESC", 'C', 40, 0},
                                         {"DDESC2", 'C', 40, 0},
                                         {"DLPRI", 'N', 10, 2},
                                         {"DP1", 'N', 10, 2},
                                         {"DP2", 'N', 10, 2},
                                         {"DNOTE", 'C', 30, 0},
                                         {"DFREQ", 'C', 10, 0},
                                         {"DPATH", 'C', 6, 0},
                                         {"DBEGDT", 'C', 7, 0},
                                         {"DENDDT", 'C', 7, 0},
                                         {"DLDPDT", 'C', 7, 0}});
  int written = 0;
  for (const DemoOrder& o : kHandWrittenOrders) {
    table.Append({B(o.code), B(o.source_code), B(o.kind), B(o.unit), B(o.name), B(o.name2), o.cost,
                  o.self_price, o.nhi_price, B("飯後服用"), B(o.frequency), B(o.route), "1000101",
                  "1991231", o.changed});
    ++written;
  }
  for (; written < count; ++written) {
    auto pick = [&](const auto& list) { return list[random() % std::size(list)]; };
    std::string source = "D" + std::to_string(100000 + written);
    // Most clinic orders are their own; one in ten shares a code of the reference catalogue.
    std::string code = random() % 10 == 0 ? std::string(pick(kDrawnCodes))
                                          : "A0" + std::to_string(10000000 + written);
    std::string date = std::to_string(1000101 + random() % 100000);
    table.Append({code, source, pick(kDrawnKinds), B(pick(kDrawnUnits)),
                  "ORDER " + std::to_string(written), "", std::to_string(random() % 50),
                  std::to_string(random() % 3 * 10), std::to_string(random() % 100), "",
                  pick(kDrawnFrequencies), "PO", "1000101", "1991231", date});
  }
  table.Close();
}

void WriteDiagnoses(const fs::path& folder, std::mt19937& random, int count) {
  DbfWriter table(
      folder / "CO07A.DBF",
      {{"NO", 'C', 8, 0}, {"NAME", 'C', 40, 0}, {"BMEMO", 'C', 40, 0}, {"BREL2", 'C', 8, 0}});
  int written = 0;
  for (const DemoDiagnosis& d : kHandWrittenDiagnoses) {
    table.Append({d.code, B(d.name), B(d.memo), d.related});
    ++written;
  }
  for (; written < count; ++written) {
    table.Append({kDrawnDiagnosisCodes[random() % std::size(kDrawnDiagnosisCodes)],
                  B("診斷") + std::to_string(written), "", ""});
  }
  table.Close();
}

void WriteStaff(const fs::path& folder) {
  DbfWriter table(folder / "EECSETDT.DBF", {{"PAT_ID", 'C', 10, 0}, {"PAT_BRDT", 'C', 7, 0}});
  table.Append({"Z100000000", "0500101"});  // the first record is not read
  table.Append({"A123456789", "0550817"});
  table.Close();
}

}  // namespace

void WriteVisionCatalogueTables(const fs::path& folder, uint32_t seed,
                                const VisionCatalogueCounts& counts) {
  std::mt19937 random(seed);
  WriteOrders(folder, random, counts.orders);
  WriteDiagnoses(folder, random, counts.diagnoses);
  WriteStaff(folder);
}

}  // namespace zuvo::demo
