#pragma once

// The work tree a folder choice makes today, when a conversion of the same day may be in the
// way: a work tree that holds a conversion is never overwritten without the operator's word.

#include <filesystem>
#include <string_view>

#include "core/step_context.h"
#include "workspace/clinic_fields.h"
#include "workspace/folder_layout.h"

namespace zuvo {

// True when `work_tree` holds a conversion worth keeping: its last run or step completed
// (ZuvoConversion.ini), or a folder of its Tolsern holds store files (HoldsStoreFiles). An empty
// tree, or one whose runs wrote no store and never completed, holds none.
bool HoldsConversion(const std::filesystem::path& work_tree);

// Makes (with Tolsern, Corvix and every missing parent) and returns the work tree of `kind` for
// `roc_date` in `clinic_folder`. The caller holds the clinic folder's lock.
// - The day's first tree (WorkTreeFolder) when it does not exist or holds no conversion: it is
//   reused as it is.
// - Otherwise `policy` decides; kAsk shows "今天的工作資料夾已有轉檔結果:" + tree + ... (Yes/No):
//   Yes replaces, No takes a new name.
//   - replace: the tree is deleted and made anew; line "取代今天已轉檔的工作資料夾: " + tree.
//     Throws Error naming the tree when it cannot be deleted.
//   - new name: the first of the day's trees "-2", "-3", ... that does not exist or holds no
//     conversion; line "今天的工作資料夾 " + tree + " 已有轉檔結果,另建新的工作資料夾: " + new
//     tree.
// Throws Error when a folder cannot be made.
std::filesystem::path MakeSameDayWorkTree(const std::filesystem::path& clinic_folder,
                                          std::string_view roc_date, WorkTreeKind kind,
                                          SameDayWorkTree policy, StepContext& context);

}  // namespace zuvo
