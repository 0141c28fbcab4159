#include "postprocess/realsun_claim_archive.h"

#include <fstream>
#include <system_error>

#include "platform/error.h"
#include "platform/file_ops.h"
#include "platform/zip_archive.h"

namespace zuvo {
namespace {

// The whole file in one allocation of its size: a document near the limit must not be held
// twice while a growing string is copied.
std::string ReadDocument(const std::filesystem::path& file) {
  std::error_code error;
  const auto size = std::filesystem::file_size(file, error);
  if (error) throw Error("cannot read " + PathToUtf8(file) + ": " + error.message());
  std::ifstream in(file, std::ios::binary);
  std::string bytes(size, '\0');
  if (!in || !in.read(bytes.data(), static_cast<std::streamsize>(size))) {
    throw Error("cannot read " + PathToUtf8(file));
  }
  return bytes;
}

}  // namespace

ClaimArchiveRead ReadClaimArchive(const std::filesystem::path& archive,
                                  const std::filesystem::path& scratch,
                                  unsigned long long max_bytes) {
  // What an earlier month left must not be taken for this month's document.
  if (!DeleteFolder(scratch)) throw Error("cannot empty the folder " + PathToUtf8(scratch));
  ClaimArchiveRead read;
  try {
    ExtractAll(archive, scratch, max_bytes);
  } catch (const UnsafeMemberError& refused) {
    read.status = ClaimArchiveRead::Status::kRefused;
    read.refusal = refused.what();
    return read;
  } catch (const RejectedArchiveError& rejected) {
    read.status = rejected.reason() == RejectedArchiveError::Reason::kTooLarge
                      ? ClaimArchiveRead::Status::kTooLarge
                      : ClaimArchiveRead::Status::kUnreadable;
    read.refusal = rejected.what();
    return read;
  }
  std::optional<std::filesystem::path> document = ResolvePath(scratch, kClaimDocumentName);
  std::error_code error;
  if (!document || !std::filesystem::is_regular_file(*document, error)) return read;
  read.status = ClaimArchiveRead::Status::kDocument;
  read.document_file = *document;
  read.document = ReadDocument(*document);
  return read;
}

}  // namespace zuvo
