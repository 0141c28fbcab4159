#pragma once

// Constant code tables shared by the conversion steps. Codes are ASCII; names are written here
// in UTF-8 and reach data files as Big5 through big5::Literal.

#include <array>
#include <string>
#include <string_view>

namespace zuvo {

// NHI co-payment codes for which no registration co-payment is charged.
inline constexpr std::array<std::string_view, 22> CopayFreeCodes = {
    "000", "001", "002", "003", "004", "005", "006", "007", "008", "009", "801",
    "901", "902", "903", "904", "905", "906", "907", "K00", "K20", "L00", "Z00"};

// Clinic departments; the position is the department's index ("16" follows "22").
inline constexpr std::array<std::string_view, 39> DepartmentCodes = {
    "00", "01", "02", "03", "04", "05", "06", "07", "08", "09", "10", "11", "12",
    "13", "14", "15", "22", "16", "2A", "2B", "40", "41", "42", "43", "44", "45",
    "46", "47", "48", "49", "60", "81", "82", "83", "84", "85", "86", "87", "88"};
inline constexpr std::array<std::string_view, 39> DepartmentNames = {
    "不分科",     "家醫科",     "內科",      "外科",         "小兒科",     "婦產科",
    "骨科",       "神經外科",   "泌尿科",    "耳鼻喉科",     "眼科",       "皮膚科",
    "神經科",     "精神科",     "復健科",    "整形外科",     "急診醫學科", "職業醫學科",
    "結核科",     "洗腎科",     "牙科",      "復形牙科",     "牙髓病科",   "牙周病科",
    "補綴牙科",   "齒顎矯正科", "兒童牙科",  "口腔顎面外科", "口腔診斷科", "口腔病理科",
    "中醫科",     "麻醉科",     "放射線科",  "病理科",       "核子醫學科", "放射腫瘤科",
    "放射診斷科", "解剖病理科", "臨床病理科"};

// Sub-specialties, searched after the main departments.
inline constexpr std::array<std::string_view, 23> SubDepartmentCodes = {
    "AA", "AB", "AC", "AD", "AE", "AF", "AG", "AH", "AI", "AJ", "HA", "BA",
    "BB", "BC", "BD", "CA", "CB", "DA", "EA", "FA", "FB", "GA", "AK"};
inline constexpr std::array<std::string_view, 23> SubDepartmentNames = {
    "消化內科",     "心臟血管內科", "胸腔內科",       "腎臟內科",       "風濕免疫科", "血液腫瘤科",
    "內分泌科",     "感染科",       "潛醫科",         "胸腔暨重症加護", "脊椎骨科",   "直腸外科",
    "心臟血管外科", "胸腔外科",     "消化外科",       "小兒外科",       "新生兒科",   "疼痛科",
    "居家護理",     "放射診斷科",   "放射腫瘤科學科", "口腔顎面外科",   "老人醫學科"};

// NHI co-payment codes with the payment class character of each, by position.
inline constexpr std::array<std::string_view, 19> CopayCodes = {
    "000", "002", "003", "004", "005", "D10", "001", "009", "906", "006",
    "D20", "902", "903", "Z00", "D00", "K00", "K20", "901", "907"};
inline constexpr std::string_view CopayClassOf = "0312339BJK333Z333LZ";

// Catalogue items with these NHI codes are installed as not common.
inline constexpr std::array<std::string_view, 4> UncommonOrderCodes = {"E1009D", "E1010D", "E1011C",
                                                                       "E1012C"};
// The orders-catalogue tables, in the order they are searched for an NHI code.
inline constexpr std::array<std::string_view, 4> CatalogueTables = {"medicine", "OPD", "material",
                                                                    "Vaccine"};
// Package unit names by the catalogue's 1-based `unit` code.
inline constexpr std::array<std::string_view, 8> PackageUnits = {"tab", "bot",  "tube", "box",
                                                                 "amp", "vial", "ml",   "次(個)"};
// Dose unit names by the catalogue's 1-based `perunit` code.
inline constexpr std::array<std::string_view, 11> DoseUnits = {
    "gtt", "tab", "cap", "ml", "cc", "個", "mcg", "mg", "gm", "支", ""};
inline constexpr std::array<std::string_view, 3> ZeroPriceConsultCodes = {"01036C", "01037C",
                                                                          "01038C"};
inline constexpr std::array<std::string_view, 9> FreeFeeCodes = {
    "R001", "R002", "R003", "R004", "R005", "R006", "R007", "R008", "DRFREE"};
inline constexpr std::array<std::string_view, 13> IcCardOrderCodes = {
    "004IC", "009IC",  "009",   "001",   "500400", "00400", "500900",
    "00900", "500100", "00100", "008IC", "010IC",  "0B1IC"};

// Days of a leap year before each month (January first).
inline constexpr std::array<int, 12> DaysBeforeMonth = {0,   31,  60,  91,  121, 152,
                                                        182, 213, 244, 274, 305, 335};

// The Big5 name of a department or sub-specialty code (trimmed and upper-cased first); empty
// when the code is in neither table.
std::string DepartmentName(std::string_view code);

// Position of an NHI co-payment code in CopayCodes (exact comparison), -1 when absent.
int CopayPosition(std::string_view code);

// Membership tests that ignore letter case.
bool IsCopayFreeCode(std::string_view code);
bool IsZeroPriceConsultCode(std::string_view code);
bool IsFreeFeeCode(std::string_view code);
bool IsIcCardOrderCode(std::string_view code);
// Exact comparison.
bool IsUncommonOrderCode(std::string_view code);

// Unit names (Big5) by catalogue code; a code out of range reads as "次(個)" (8) and "tab" (2).
std::string PackageUnitName(int unit_code);
std::string DoseUnitName(int perunit_code);

}  // namespace zuvo
