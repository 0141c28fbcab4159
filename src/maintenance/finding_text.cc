#include "maintenance/finding_text.h"

#include "platform/big5.h"

namespace zuvo {

std::string FindingText(const FindingRecord& finding) {
  using namespace finding_field;
  std::string text = "name=" + big5::Trim(finding.Get(kName));
  text += "^time=" + big5::Trim(finding.Get(kTime));
  text += "^area=" + big5::Trim(finding.Get(kArea));
  text += "^note=" + big5::Trim(finding.Get(kNote));
  text += "^plusminus=";
  // A record that never had the character set holds a zero byte, which no text may carry.
  char plus_minus = finding.Get(kPlusMinus);
  if (plus_minus != '\0') text += plus_minus;
  text += "^code=" + std::to_string(finding.Get(kCode));
  return text;
}

}  // namespace zuvo
