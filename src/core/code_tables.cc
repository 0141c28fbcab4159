#include "core/code_tables.h"

#include <algorithm>

#include "platform/big5.h"

namespace zuvo {
namespace {

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && big5::UpperAscii(a) == big5::UpperAscii(b);
}

template <size_t N>
bool ContainsIgnoringCase(const std::array<std::string_view, N>& table, std::string_view code) {
  return std::any_of(table.begin(), table.end(),
                     [&](std::string_view entry) { return EqualIgnoringCase(entry, code); });
}

template <size_t N>
int PositionOf(const std::array<std::string_view, N>& table, std::string_view code) {
  auto found = std::find(table.begin(), table.end(), code);
  return found == table.end() ? -1 : static_cast<int>(found - table.begin());
}

}  // namespace

std::string DepartmentName(std::string_view code) {
  std::string key = big5::UpperAscii(big5::Trim(code));
  if (int position = PositionOf(DepartmentCodes, key); position >= 0) {
    return big5::Literal(DepartmentNames[position]);
  }
  if (int position = PositionOf(SubDepartmentCodes, key); position >= 0) {
    return big5::Literal(SubDepartmentNames[position]);
  }
  return {};
}

int CopayPosition(std::string_view code) { return PositionOf(CopayCodes, code); }

bool IsCopayFreeCode(std::string_view code) { return ContainsIgnoringCase(CopayFreeCodes, code); }
bool IsZeroPriceConsultCode(std::string_view code) {
  return ContainsIgnoringCase(ZeroPriceConsultCodes, code);
}
bool IsFreeFeeCode(std::string_view code) { return ContainsIgnoringCase(FreeFeeCodes, code); }
bool IsIcCardOrderCode(std::string_view code) {
  return ContainsIgnoringCase(IcCardOrderCodes, code);
}
bool IsUncommonOrderCode(std::string_view code) {
  return PositionOf(UncommonOrderCodes, code) >= 0;
}

std::string PackageUnitName(int unit_code) {
  if (unit_code < 1 || unit_code > static_cast<int>(PackageUnits.size())) unit_code = 8;
  return big5::Literal(PackageUnits[unit_code - 1]);
}

std::string DoseUnitName(int perunit_code) {
  if (perunit_code < 1 || perunit_code > static_cast<int>(DoseUnits.size())) perunit_code = 2;
  return big5::Literal(DoseUnits[perunit_code - 1]);
}

}  // namespace zuvo
