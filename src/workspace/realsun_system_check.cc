#include "workspace/realsun_system_check.h"

#include "platform/big5.h"
#include "workspace/source_system.h"

namespace zuvo {

bool CheckRealSunSystem(std::string_view his, StepContext& context) {
  if (big5::Trim(his) == big5::Literal(SourceSystemName(SourceSystem::kRealSun))) return true;
  context.ShowMessage(kRealSunWrongSystemUtf8, MessageKind::kWarning);
  return false;
}

}  // namespace zuvo
