#include "catalogue/new_catalogue.h"

#include "catalogue/work_tree_copy.h"
#include "workspace/folder_layout.h"

namespace zuvo {

NewCatalogue NewCatalogue::Make(const std::filesystem::path& program_folder,
                                const std::filesystem::path& work_tree) {
  const std::filesystem::path corvix = work_tree / kFrontEndFolderName;
  ReplaceWithCopy(program_folder / "OPDbak.mdb", corvix / kCatalogueFileName);
  ReplaceWithCopy(program_folder / "PERSONALbak.mdb", corvix / "PERSONAL.mdb");
  Database opd = Database::Open(corvix / kCatalogueFileName);
  opd.Execute("delete from DX");
  RecordSet mx = opd.OpenTable("MX");
  return {std::move(opd), Database::OpenReadOnly(program_folder / "MX.MDB"), std::move(mx)};
}

}  // namespace zuvo
