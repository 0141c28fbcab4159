#include "catalogue/package_unit.h"

#include <array>

#include "core/code_tables.h"
#include "platform/big5.h"

namespace zuvo {
namespace {

constexpr std::string_view kTab[] = {"tab", "CAB", "CAP",  "PACK", "PK", "Sct", "膜衣", "Vag",
                                     "ESC", "Fct", "supp", "VT",   "顆", "錠",  "糖衣", "錠劑"};
constexpr std::string_view kBot[] = {"bot", "瓶",   "BIT", "BT",   "BT1",  "BTL", "DROP",
                                     "GTT", "Puff", "SP",  "spra", "bott", "點眼"};
constexpr std::string_view kTube[] = {"tube", "tub", "GM", "MG", "條", "卷"};
constexpr std::string_view kBox[] = {"box", "盒", "包", "箱", "罐"};
constexpr std::string_view kAmp[] = {"amp"};
constexpr std::string_view kVial[] = {"vial", "DOSE", "VIA", "針"};
constexpr std::string_view kMl[] = {"ml", "CC"};
constexpr std::string_view kPiece[] = {"次(個)", "份", "STAT", "次", "bed",
                                       "EA",     "個", "支",   "台", "片"};

constexpr UnitWordGroup kGroups[] = {{1, kTab}, {2, kBot},  {3, kTube}, {4, kBox},
                                     {5, kAmp}, {6, kVial}, {7, kMl}};
constexpr int kOtherUnit = 8;

const UnitWordTable& PackageUnitWords() {
  static const UnitWordTable table(kGroups, kOtherUnit, kPiece);
  return table;
}

}  // namespace

UnitReading UnitCode(std::string_view big5_text) { return PackageUnitWords().Read(big5_text); }

std::string UnitName(int code) {
  if (code < 1 || code > static_cast<int>(PackageUnits.size())) return "";
  return big5::Literal(PackageUnits[code - 1]);
}

int UnitCodeLogged(std::string_view big5_text, const MessageSink& report) {
  UnitReading reading = UnitCode(big5_text);
  if (!reading.unrecognised.empty()) {
    report("不明Unit:  " + big5::ToUtf8Escaped(reading.unrecognised));
  }
  return reading.code;
}

}  // namespace zuvo
