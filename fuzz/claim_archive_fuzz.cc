// Opens every input as a monthly claim archive into the claim correction's scratch folder: only
// the scratch folder may receive files, a refused archive leaves it empty, and the document read
// is the one extracted.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>

#include "fuzz_files.h"
#include "platform/error.h"
#include "platform/file_ops.h"
#include "postprocess/realsun_claim_archive.h"
#include "postprocess/realsun_claim_document.h"

namespace fs = std::filesystem;
using zuvo::fuzz::Check;
using zuvo::fuzz::Inside;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const zuvo::fuzz::ArchiveLayout paths = zuvo::fuzz::MakeArchiveLayout(
      "zuvo-claim-archive-fuzz", "source/02/10801XML.zip", "tree/INSUunzip");
  zuvo::fuzz::WriteInput(paths.archive, data, size);
  // Something an earlier month left, which must not be read as this month's document.
  fs::create_directories(paths.folder);
  std::ofstream(paths.folder / "TOTFA.XML") << "<ddata>stale</ddata>";

  zuvo::ClaimArchiveRead read;
  bool failed = false;
  try {
    read = zuvo::ReadClaimArchive(paths.archive, paths.folder);
  } catch (const zuvo::Error&) {
    failed = true;
  }
  for (const auto& entry : fs::recursive_directory_iterator(paths.root)) {
    const fs::path& path = entry.path();
    if (paths.Scaffolding(path)) continue;
    Check(Inside(path, paths.folder) && !failed &&
          read.status != zuvo::ClaimArchiveRead::Status::kRefused);
    Check(!entry.is_symlink());
  }
  if (read.status == zuvo::ClaimArchiveRead::Status::kDocument) {
    Check(read.document_file.parent_path() == paths.folder);
    Check(zuvo::ReadWholeFile(read.document_file) == read.document);
    for (size_t at = 0;;) {
      zuvo::ClaimRead claim = zuvo::ReadNextClaim(read.document, at);
      if (claim.status != zuvo::ClaimReadStatus::kClaim) break;
      at = claim.next;
    }
  }
  fs::remove_all(paths.folder);
  return 0;
}
