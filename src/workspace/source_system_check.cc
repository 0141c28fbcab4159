#include "workspace/source_system_check.h"

#include "platform/big5.h"
#include "platform/file_ops.h"
#include "workspace/conversion_guard.h"
#include "workspace/folder_layout.h"

namespace zuvo {
namespace fs = std::filesystem;

SourceSystem WorkTreeSystem(const ClinicFolderFields& folder) {
  if (folder.work_tree.empty()) return SourceSystem::kUnknown;
  const fs::path tree = WithoutTrailingSeparator(folder.work_tree);
  if (std::optional<ConversionRecord> record = ReadConversionRecord(tree)) {
    if (record->system != SourceSystem::kUnknown) return record->system;
  }
  const std::string area = PathToUtf8(tree.parent_path().parent_path().filename());
  if (area == kVisionArea) return SourceSystem::kVision;
  if (area == kRealSunArea) return SourceSystem::kRealSun;
  return SourceSystem::kUnknown;
}

bool IsClinicOf(SourceSystem expected, const ClinicFolderFields& folder) {
  if (big5::Trim(folder.his) != big5::Literal(SourceSystemName(expected))) return false;
  const SourceSystem source = RecogniseSourceSystem(folder.source_folder);
  if (source != SourceSystem::kUnknown && source != expected) return false;
  const SourceSystem converted = WorkTreeSystem(folder);
  return converted == SourceSystem::kUnknown || converted == expected;
}

bool CheckSourceSystem(SourceSystem expected, const ClinicFolderFields& folder,
                       std::string_view refusal_utf8, StepContext& context) {
  if (IsClinicOf(expected, folder)) return true;
  context.ShowMessage(refusal_utf8, MessageKind::kWarning);
  return false;
}

}  // namespace zuvo
