#include "catalogue/trade_name.h"

#include <string>

#include "platform/big5.h"
#include "platform/record_set.h"
#include "workspace/clinic_settings.h"

namespace zuvo {

void ReplaceTradeName(RecordSet& mx, std::string_view tname, ClinicSettings& settings) {
  const std::string old_tname = big5::Trim(mx.Text("Tname"));
  if (!old_tname.empty() && old_tname != big5::Trim(tname)) {
    const std::string code = big5::Trim(mx.Text("INSUcode"));
    if (!code.empty()) settings.NoteOrderCodeRename(old_tname, code);
  }
  mx.SetText("Tname", tname);
}

}  // namespace zuvo
