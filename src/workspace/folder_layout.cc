#include "workspace/folder_layout.h"

#include "core/store_location.h"
#include "core/store_verify.h"

#include "platform/big5.h"
#include "platform/error.h"
#include "platform/file_ops.h"
#include "workspace/path_text.h"

namespace zuvo {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kCharactersNotInFolderNames = "\\/:*?\"<>|";

bool IsSingleByteUnfit(std::string_view character) {
  if (character.size() != 1) return false;
  unsigned char byte = static_cast<unsigned char>(character[0]);
  return byte <= 0x20 || byte == 0x7F ||
         kCharactersNotInFolderNames.find(character[0]) != std::string_view::npos;
}

fs::path FolderComponent(std::string_view code) {
  if (auto problem = ClinicCodeProblem(code)) throw Error(*problem);
  return PathFromBig5(big5::Trim(code));
}

}  // namespace

std::string_view WorkTreeSuffix(WorkTreeKind kind) {
  switch (kind) {
    case WorkTreeKind::kVision:
    case WorkTreeKind::kRealSunOnAndAfter:
      return "_1";
    case WorkTreeKind::kRealSunBefore:
      return "_2";
    case WorkTreeKind::kHisSearch:
      break;
  }
  return "_H";
}

std::optional<std::string> ClinicCodeProblem(std::string_view code) {
  std::string trimmed = big5::Trim(code);
  if (trimmed.empty()) return "沒有健保代碼,無法建立診所資料夾";
  std::optional<std::string> shown = big5::TryToUtf8(trimmed);
  if (!shown) {
    return "健保代碼含有無法辨識的字元,不能做為資料夾名稱:" + big5::ToUtf8Escaped(trimmed);
  }
  bool unfit = false;
  big5::ForEachChar(trimmed, [&](std::string_view character, size_t) {
    unfit = unfit || IsSingleByteUnfit(character);
  });
  if (unfit || trimmed.find_first_not_of('.') == std::string::npos) {
    return "健保代碼含有空白或不能做為資料夾名稱的字元:" + *shown;
  }
  return std::nullopt;
}

fs::path ClinicFolder(const fs::path& program_folder, std::string_view area,
                      std::string_view code) {
  return program_folder / PathFromUtf8(area) / FolderComponent(code);
}

fs::path WorkTreeFolder(const fs::path& clinic_folder, std::string_view roc_date,
                        WorkTreeKind kind) {
  return clinic_folder / PathFromUtf8(std::string(roc_date) + std::string(WorkTreeSuffix(kind)));
}

fs::path WorkTreeFolder(const fs::path& clinic_folder, std::string_view roc_date, WorkTreeKind kind,
                        int serial) {
  if (serial <= 1) return WorkTreeFolder(clinic_folder, roc_date, kind);
  return clinic_folder / PathFromUtf8(std::string(roc_date) + std::string(WorkTreeSuffix(kind)) +
                                      "-" + std::to_string(serial));
}

std::string_view WorkTreeNameWithoutSerial(std::string_view name) {
  const size_t dash = name.rfind('-');
  if (dash == std::string_view::npos || dash + 1 == name.size()) return name;
  const std::string_view serial = name.substr(dash + 1);
  if (serial.find_first_not_of("0123456789") != std::string_view::npos) return name;
  const std::string_view base = name.substr(0, dash);
  for (WorkTreeKind kind :
       {WorkTreeKind::kVision, WorkTreeKind::kRealSunBefore, WorkTreeKind::kHisSearch}) {
    if (base.ends_with(WorkTreeSuffix(kind))) return base;
  }
  return name;
}

fs::path ServerDataFolder(const fs::path& work_tree, std::string_view code) {
  return work_tree / PathFromUtf8(kServerFolderName) / FolderComponent(code);
}

StoreLocation WorkTreeStoreLocation(const fs::path& work_tree, std::string_view code) {
  const fs::path tree = WithoutTrailingSeparator(work_tree);
  return {ServerDataFolder(tree, code),
          FindWithoutCase(tree / PathFromUtf8(kServerFolderName), "PTdata.ind")};
}

fs::path WorkTreeCatalogue(const fs::path& work_tree) {
  return FindWithoutCase(FindWithoutCase(WithoutTrailingSeparator(work_tree), kFrontEndFolderName),
                         kCatalogueFileName);
}

void CreateWorkTree(const fs::path& work_tree) {
  CreateFolders(work_tree / PathFromUtf8(kServerFolderName));
  CreateFolders(work_tree / PathFromUtf8(kFrontEndFolderName));
}

std::vector<std::filesystem::path> WorkTreeStoreFolders(const std::filesystem::path& work_tree) {
  std::vector<std::filesystem::path> folders;
  std::error_code error;
  const std::filesystem::path server_folder = FindWithoutCase(work_tree, kServerFolderName);
  for (const std::filesystem::directory_entry& entry :
       std::filesystem::directory_iterator(server_folder, error)) {
    std::error_code status_error;
    if (entry.is_directory(status_error) && HoldsStoreFiles({entry.path(), {}})) {
      folders.push_back(entry.path());
    }
  }
  return folders;
}

}  // namespace zuvo
