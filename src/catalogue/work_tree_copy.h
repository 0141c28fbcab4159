#pragma once

// How the orders step puts its files into a work tree: a target that exists is deleted first,
// and one that cannot be deleted (held open by another program) stops the step, so that a
// stale file is never taken for a new one.

#include <filesystem>
#include <string_view>

namespace zuvo {

// Deletes `target` if it exists (with the journal files a database under that name may have left
// beside it, see DeleteDatabaseFile), then copies `from` to it. Throws Error naming the file when
// the old copy cannot be deleted ("無法刪除舊檔,請關閉使用它的程式: " + target), when `from` is
// missing, or when the copy fails.
void ReplaceWithCopy(const std::filesystem::path& from, const std::filesystem::path& target);

}  // namespace zuvo
