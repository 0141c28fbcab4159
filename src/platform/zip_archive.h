#pragma once

// Zip archives, read through libzip (the clinics' monthly claim archives).
//
// Member names are read as the raw bytes the archive holds. A name whose UTF-8 flag is set is
// UTF-8. Any other name is taken as Big5 (code page 950, what the clinics' Windows computers
// write); only when it is not valid Big5 but valid UTF-8 (some archivers write UTF-8 without
// setting the flag) is it taken as UTF-8. Names are handed out, and written to disk, as UTF-8.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"

namespace zuvo {

// The refusal of an archive because one of its members could not be extracted safely (see
// ExtractAll). Nothing of the archive has been written when it is thrown.
class UnsafeMemberError : public Error {
 public:
  using Error::Error;
};

// The refusal of an archive for what it is, not for where it is read or written: it cannot be
// opened as a zip archive (damaged, cut off, no archive at all), a member does not expand intact
// or has a name that cannot be decoded, or its members together expand beyond the limit given.
// Nothing of the archive has been written when it is thrown.
class RejectedArchiveError : public Error {
 public:
  enum class Reason { kUnreadable, kTooLarge };
  RejectedArchiveError(Reason reason, const std::string& message)
      : Error(message), reason_(reason) {}
  Reason reason() const { return reason_; }

 private:
  Reason reason_;
};

// Limit on the bytes one archive may expand to unless the caller sets its own: a damaged or
// hostile archive must not fill the disk.
inline constexpr unsigned long long kMaxExtractedBytes = 2ULL << 30;

// Names of all members in archive order, as UTF-8, exactly as stored otherwise (folders end in
// '/'; nothing is checked for safety). Throws Error naming the archive when it cannot be opened
// or a name cannot be decoded (RejectedArchiveError, kUnreadable).
std::vector<std::string> ListMembers(const std::filesystem::path& zip);

// Extracts every member of `zip` into `folder` (created with its parents when missing), files
// replacing files of the same name, other files in the folder kept.
//
// Throws UnsafeMemberError naming the archive and the member, before anything is written, when
// a member would land outside `folder` or cannot be written on Windows: an absolute name, a
// drive letter or any ':', a ".." part (with '\' as a separator too), a part made only of dots and
// blanks, a Windows device name (CON, NUL, COM1, ...), a character Windows does not allow in file
// names, or a symbolic link. Throws RejectedArchiveError naming the archive when it is damaged
// (kUnreadable; also when the damage is found only while a member is read) or the members
// together expand to more than `max_bytes` (kTooLarge; no more than that is ever written). Throws
// Error naming the archive when the folder cannot be written.
//
// Everything is first extracted into a temporary folder beside `folder` and moved into place
// only when every member was read intact; on failure the temporary folder is deleted and
// `folder` is as before. A `folder` that did not exist appears whole in one rename.
void ExtractAll(const std::filesystem::path& zip, const std::filesystem::path& folder,
                unsigned long long max_bytes = kMaxExtractedBytes);

struct ZipMember {
  std::string name;  // UTF-8, stored with the UTF-8 flag unless it is ASCII
  std::string content;
};

// Writes `members` in order into a new archive `zip` (replacing it), compressed with deflate and
// dated 2000-01-01 00:00, so that the same members always give the same bytes. Names are written
// as given, unchecked: tests make hostile archives with it. Throws Error naming the archive.
void WriteZipArchive(const std::filesystem::path& zip, const std::vector<ZipMember>& members);

}  // namespace zuvo
