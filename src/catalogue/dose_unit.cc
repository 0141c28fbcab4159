#include "catalogue/dose_unit.h"

#include "platform/big5.h"

namespace zuvo {
namespace {

constexpr std::string_view kTab[] = {"tab", "CAB", "CAP", "PACK", "PK", "Sct",  "膜衣",
                                     "Vag", "ESC", "Fct", "supp", "VT", "糖衣", "錠劑"};
constexpr std::string_view kBot[] = {"bot",  "BIT", "BT",   "BT1",  "BTL", "DROP", "GTT",
                                     "Puff", "SP",  "spra", "bott", "條",  "點眼"};
constexpr std::string_view kTube[] = {"tube", "tub"};
constexpr std::string_view kBox[] = {"box"};
constexpr std::string_view kAmp[] = {"amp"};
constexpr std::string_view kVial[] = {"vial", "GM", "MG"};
constexpr std::string_view kMl[] = {"ml", "CC"};
constexpr std::string_view kNone[] = {"次(個)", "DOSE", "STAT", "次", "bed",
                                      "EA",     "個",   "支",   "台"};

constexpr int kGtt = 1, kTabCode = 2, kMlCode = 4, kMg = 8, kNoDoseUnit = 0;

constexpr UnitWordGroup kGroups[] = {{kTabCode, kTab}, {kGtt, kBot},    {kGtt, kTube},
                                     {kTabCode, kBox}, {kMlCode, kAmp}, {kMg, kVial},
                                     {kMlCode, kMl}};

const UnitWordTable& DoseUnitWords() {
  static const UnitWordTable table(kGroups, kNoDoseUnit, kNone);
  return table;
}

}  // namespace

UnitReading PerUnitCode(std::string_view big5_text) { return DoseUnitWords().Read(big5_text); }

int PerUnitCodeLogged(std::string_view big5_text, const MessageSink& report) {
  UnitReading reading = PerUnitCode(big5_text);
  if (!reading.unrecognised.empty()) {
    report("不明perUnit:  " + big5::ToUtf8Escaped(reading.unrecognised));
  }
  return reading.code;
}

std::string PerUnitName(int code) {
  switch (code) {
    case kGtt:
      return "gtt";
    case kTabCode:
      return "tab";
    case kMlCode:
      return "ml";
    case kMg:
      return "mg";
    default:
      return "";
  }
}

int PerUnitFromUnit(int unit_code, std::string_view order_class) {
  switch (unit_code) {
    case 1:  // tab
    case 4:  // box
      return kTabCode;
    case 2:  // bot
      return big5::LowerAscii(order_class) == "oral" ? kMlCode : kGtt;
    case 3:  // tube
      return kGtt;
    case 5:  // amp
    case 6:  // vial
      return kMg;
    case 7:  // ml
      return kMlCode;
    default:
      return kNoDoseUnit;
  }
}

}  // namespace zuvo
