#include "catalogue/surgery_range.h"

namespace zuvo {

std::string ApplySurgeryRange(std::string_view code, std::string_view order_class,
                              std::initializer_list<CodeHeadRange> ranges) {
  bool surgery = false;
  if (code.size() >= 5) {
    std::string_view head = code.substr(0, 5);
    for (const CodeHeadRange& range : ranges) {
      surgery = surgery || (head >= range.first && head <= range.last);
    }
  }
  if ((order_class == "OPD" || order_class == "operate") && surgery) return "operate";
  if (order_class == "operate") return "OPD";
  return std::string(order_class);
}

}  // namespace zuvo
