#include "catalogue/work_tree_copy.h"

#include "platform/error.h"
#include "platform/file_ops.h"
#include "platform/table_store.h"

namespace zuvo {
namespace fs = std::filesystem;

void ReplaceWithCopy(const fs::path& from, const fs::path& target) {
  std::error_code error;
  if (!fs::exists(from, error)) throw Error("找不到檔案: " + PathToUtf8(from));
  if (!DeleteDatabaseFile(target)) {
    throw Error("無法刪除舊檔,請關閉使用它的程式: " + PathToUtf8(target));
  }
  CopyFileTo(from, target, false);
}

}  // namespace zuvo
