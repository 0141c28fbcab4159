#include "postprocess/claim_archive.h"

#include <system_error>

#include "platform/error.h"
#include "platform/file_ops.h"
#include "platform/zip_archive.h"

namespace zuvo {

ClaimArchiveRead ReadClaimArchive(const std::filesystem::path& archive,
                                  const std::filesystem::path& scratch) {
  // What an earlier month left must not be taken for this month's document.
  if (!DeleteFolder(scratch)) throw Error("cannot empty the folder " + PathToUtf8(scratch));
  ClaimArchiveRead read;
  try {
    ExtractAll(archive, scratch);
  } catch (const UnsafeMemberError& refused) {
    read.status = ClaimArchiveRead::Status::kRefused;
    read.refusal = refused.what();
    return read;
  }
  std::optional<std::filesystem::path> document = ResolvePath(scratch, kClaimDocumentName);
  std::error_code error;
  if (!document || !std::filesystem::is_regular_file(*document, error)) return read;
  read.status = ClaimArchiveRead::Status::kDocument;
  read.document_file = *document;
  read.document = ReadWholeFile(*document);
  return read;
}

}  // namespace zuvo
