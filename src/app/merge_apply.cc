#include "app/merge_apply.h"

#include "platform/file_ops.h"
#include "workspace/dataedit_ini.h"

namespace zuvo {

ApplyOutcome ApplyMergedSet(const std::filesystem::path& merged_folder,
                            const std::filesystem::path& program_folder, DateTime now,
                            StepContext& context, ApplyChecks checks) {
  return ApplyWorkTree(WithoutTrailingSeparator(merged_folder),
                       DataEditIni(program_folder).ReadWorkbench().live_root, now, context, checks,
                       kMergeAppliedUtf8);
}

}  // namespace zuvo
