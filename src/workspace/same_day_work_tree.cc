#include "workspace/same_day_work_tree.h"

#include <system_error>

#include "core/store_location.h"
#include "core/store_verify.h"
#include "platform/error.h"
#include "platform/file_ops.h"
#include "workspace/conversion_guard.h"
#include "workspace/path_text.h"

namespace zuvo {

namespace fs = std::filesystem;

namespace {

// A name that may be used: nothing there, or a tree without a conversion.
bool IsFree(const fs::path& work_tree) {
  std::error_code error;
  return !fs::exists(work_tree, error) || !HoldsConversion(work_tree);
}

bool ReplaceAsked(const fs::path& taken, const fs::path& next, StepContext& context) {
  return Confirmed(context.ShowMessage("今天的工作資料夾已有轉檔結果:\n" + PathToUtf8(taken) +
                                           "\n要取代它嗎?\n是: 刪除它,重新轉檔到這裡\n否: "
                                           "另建新的工作資料夾 " +
                                           PathToUtf8(next),
                                       MessageKind::kWarning, MessageButtons::kYesNo));
}

}  // namespace

bool HoldsConversion(const fs::path& work_tree) {
  std::optional<ConversionRecord> record = ReadConversionRecord(work_tree);
  if (record && record->state == ConversionState::kCompleted) return true;
  return !WorkTreeStoreFolders(work_tree).empty();
}

fs::path MakeSameDayWorkTree(const fs::path& clinic_folder, std::string_view roc_date,
                             WorkTreeKind kind, SameDayWorkTree policy, StepContext& context) {
  const fs::path first = WorkTreeFolder(clinic_folder, roc_date, kind);
  if (IsFree(first)) {
    CreateWorkTree(first);
    return first;
  }
  int serial = 2;
  while (!IsFree(WorkTreeFolder(clinic_folder, roc_date, kind, serial))) ++serial;
  const fs::path next = WorkTreeFolder(clinic_folder, roc_date, kind, serial);
  const bool replace = policy == SameDayWorkTree::kReplace ||
                       (policy == SameDayWorkTree::kAsk && ReplaceAsked(first, next, context));
  if (replace) {
    if (!DeleteFolder(first)) {
      throw Error("無法刪除舊的工作資料夾,請關閉使用它的程式: " + PathToUtf8(first));
    }
    CreateWorkTree(first);
    context.AddLine("取代今天已轉檔的工作資料夾: " + PathToUtf8(first));
    return first;
  }
  CreateWorkTree(next);
  context.AddLine("今天的工作資料夾 " + PathToUtf8(first) +
                  " 已有轉檔結果,另建新的工作資料夾: " + PathToUtf8(next));
  return next;
}

}  // namespace zuvo
