#include "catalogue/trade_name.h"

#include <string>

#include "platform/big5.h"
#include "platform/profile_file.h"
#include "platform/record_set.h"
#include "workspace/data_ini.h"

namespace zuvo {

void ReplaceTradeName(RecordSet& mx, std::string_view tname, ProfileFile& data_ini) {
  const std::string old_tname = big5::Trim(mx.Text("Tname"));
  if (!old_tname.empty() && old_tname != big5::Trim(tname)) {
    const std::string code = big5::Trim(mx.Text("INSUcode"));
    if (!code.empty()) data_ini.WriteString(kDupMxSection, old_tname, code);
  }
  mx.SetText("Tname", tname);
}

}  // namespace zuvo
