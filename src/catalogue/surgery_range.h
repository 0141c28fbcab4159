#pragma once

// The NHI codes that stand for surgery: the first five characters of the code, compared as
// text, inside one of a few ranges.

#include <initializer_list>
#include <string>
#include <string_view>

namespace zuvo {

// Five-character code heads, both ends included.
struct CodeHeadRange {
  std::string_view first;
  std::string_view last;
};

inline constexpr CodeHeadRange kSurgeryCodeHeads = {"62001", "88999"};
// Anaesthesia, which RealSun clinics also count as surgery.
inline constexpr CodeHeadRange kAnaesthesiaCodeHeads = {"96000", "96030"};

// "OPD" and "operate" orders whose code starts with five characters inside one of `ranges` are
// surgery ("operate"); any other "operate" order becomes "OPD"; other classes stay as they are.
// A code shorter than five characters is no surgery.
std::string ApplySurgeryRange(std::string_view code, std::string_view order_class,
                              std::initializer_list<CodeHeadRange> ranges = {kSurgeryCodeHeads});

}  // namespace zuvo
