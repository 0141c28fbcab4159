#pragma once

// Applying a merged data set (the merge page's "融合後套用"): the same one change as the apply
// of a converted work tree (ApplyWorkTree), so that a merged set and a conversion are applied and
// taken back (restore-live) in one way. The merge records itself in the merged folder like a
// conversion; only a merge that completed and a merged store that verifies are applied. The old
// live folders become the dated backup.

#include <filesystem>
#include <string_view>

#include "app/apply_live.h"

namespace zuvo {

inline constexpr std::string_view kMergeAppliedUtf8 = "備份完成,套用完成";

// The window's "融合後套用" (command merge-apply): applies `merged_folder` to DataEdit.ini's
// live root of `program_folder`; the backup it took is in the outcome (CcombineBakPath).
ApplyOutcome ApplyMergedSet(const std::filesystem::path& merged_folder,
                            const std::filesystem::path& program_folder, DateTime now,
                            StepContext& context,
                            ApplyChecks checks = ApplyChecks::kRefuseFailures);

}  // namespace zuvo
