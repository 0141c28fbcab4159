#include "platform/zip_archive.h"

#include <unicode/ustring.h>
#include <zip.h>

#include <array>
#include <atomic>
#include <fstream>
#include <memory>
#include <random>
#include <string_view>

#include "platform/big5.h"
#include "platform/error.h"
#include "platform/file_ops.h"

namespace zuvo {

namespace fs = std::filesystem;

namespace {

// Unix file type bits in the upper half of the external attributes of a Unix-made member.
constexpr zip_uint32_t kUnixTypeMask = 0170000;
constexpr zip_uint32_t kUnixSymlink = 0120000;
constexpr int kUnixAttributeShift = 16;
constexpr size_t kReadChunk = 64 * 1024;

constexpr std::array<std::string_view, 22> kWindowsDeviceNames = {
    "CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7",
    "COM8", "COM9", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9"};

struct ArchiveCloser {
  void operator()(zip_t* archive) const { zip_discard(archive); }
};
using ArchivePtr = std::unique_ptr<zip_t, ArchiveCloser>;

struct MemberCloser {
  void operator()(zip_file_t* member) const { zip_fclose(member); }
};
using MemberPtr = std::unique_ptr<zip_file_t, MemberCloser>;

std::string ArchiveText(const fs::path& zip) { return "the zip archive " + PathToUtf8(zip); }

RejectedArchiveError Unreadable(const std::string& message) {
  return RejectedArchiveError(RejectedArchiveError::Reason::kUnreadable, message);
}

std::string TakeMessage(zip_error_t& error) {
  std::string message = zip_error_strerror(&error);
  zip_error_fini(&error);
  return message;
}

ArchivePtr OpenArchive(const fs::path& zip) {
  zip_error_t error;
  zip_error_init(&error);
#ifdef _WIN32
  zip_source_t* source = zip_source_win32w_create(zip.c_str(), 0, -1, &error);
#else
  zip_source_t* source = zip_source_file_create(zip.c_str(), 0, -1, &error);
#endif
  if (source == nullptr)
    throw Unreadable("cannot open " + ArchiveText(zip) + ": " + TakeMessage(error));
  zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, &error);
  if (archive == nullptr) {
    zip_source_free(source);
    throw Unreadable("cannot open " + ArchiveText(zip) + ": " + TakeMessage(error));
  }
  zip_error_fini(&error);
  return ArchivePtr(archive);
}

bool IsAscii(std::string_view text) {
  for (unsigned char byte : text) {
    if (byte >= 0x80) return false;
  }
  return true;
}

bool IsValidUtf8(std::string_view text) {
  UErrorCode status = U_ZERO_ERROR;
  int32_t length = 0;
  u_strFromUTF8(nullptr, 0, &length, text.data(), static_cast<int32_t>(text.size()), &status);
  return status == U_BUFFER_OVERFLOW_ERROR || U_SUCCESS(status);
}

std::string MemberName(zip_t* archive, zip_uint64_t index, const fs::path& zip) {
  const char* raw_name = zip_get_name(archive, index, ZIP_FL_ENC_RAW);
  if (raw_name == nullptr) {
    throw Unreadable("cannot read the name of member " + std::to_string(index + 1) + " of " +
                     ArchiveText(zip) + ": " + zip_strerror(archive));
  }
  const std::string raw = raw_name;
  if (IsAscii(raw)) return raw;
  // With the UTF-8 flag set, libzip's strict reading returns the stored bytes unchanged; without
  // it, it converts them from code page 437, which changes every byte above 0x7F.
  const char* strict = zip_get_name(archive, index, ZIP_FL_ENC_STRICT);
  const bool flagged_utf8 = strict != nullptr && raw == strict;
  if (!flagged_utf8) {
    if (std::optional<std::string> decoded = big5::TryToUtf8(raw)) return *decoded;
  }
  if (IsValidUtf8(raw)) return raw;
  throw Unreadable("cannot decode the member name \"" + big5::ToUtf8Escaped(raw) + "\" of " +
                   ArchiveText(zip));
}

// The reason a name cannot be extracted safely, or empty when it can.
std::string UnsafeNameReason(std::string_view name) {
  if (name.empty()) return "an empty name";
  if (name[0] == '/' || name[0] == '\\') return "an absolute name";
  for (unsigned char byte : name) {
    if (byte == ':') return "a drive letter or ':'";
    if (byte < 0x20 ||
        std::string_view("<>\"|?*").find(static_cast<char>(byte)) != std::string_view::npos) {
      return "a character Windows does not allow in file names";
    }
  }
  for (size_t start = 0; start < name.size();) {
    size_t end = name.find_first_of("/\\", start);
    if (end == std::string_view::npos) end = name.size();
    const std::string_view part = name.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") return "a \"..\" part";
    if (part.find_first_not_of(". ") == std::string_view::npos) return "a part of only dots";
    std::string stem(part.substr(0, part.find('.')));
    stem = big5::UpperAscii(big5::TrimRight(stem));
    for (std::string_view device : kWindowsDeviceNames) {
      if (stem == device) return "a Windows device name";
    }
  }
  return {};
}

// The member's path below the extraction folder: its parts, '\' and '/' both separating.
fs::path RelativePath(std::string_view name) {
  fs::path relative;
  for (size_t start = 0; start < name.size();) {
    size_t end = name.find_first_of("/\\", start);
    if (end == std::string_view::npos) end = name.size();
    const std::string_view part = name.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == ".") continue;
    relative /= PathFromUtf8(part);
  }
  return relative;
}

bool IsSymlink(zip_t* archive, zip_uint64_t index) {
  zip_uint8_t system = 0;
  zip_uint32_t attributes = 0;
  if (zip_file_get_external_attributes(archive, index, 0, &system, &attributes) != 0) return false;
  return system == ZIP_OPSYS_UNIX &&
         ((attributes >> kUnixAttributeShift) & kUnixTypeMask) == kUnixSymlink;
}

struct Member {
  zip_uint64_t index;
  std::string name;  // UTF-8
  fs::path relative;
  bool is_folder;
};

std::vector<Member> CheckedMembers(zip_t* archive, const fs::path& zip) {
  const zip_int64_t count = zip_get_num_entries(archive, 0);
  std::vector<Member> members;
  for (zip_uint64_t index = 0; index < static_cast<zip_uint64_t>(count); ++index) {
    std::string name = MemberName(archive, index, zip);
    std::string reason = UnsafeNameReason(name);
    if (reason.empty() && IsSymlink(archive, index)) reason = "a symbolic link";
    if (!reason.empty()) {
      throw UnsafeMemberError("refusing to extract " + ArchiveText(zip) + ": member \"" + name +
                              "\" has " + reason);
    }
    const bool is_folder = name.back() == '/' || name.back() == '\\';
    fs::path relative = RelativePath(name);
    if (relative.empty()) {
      if (is_folder) continue;  // "./": the extraction folder itself
      throw UnsafeMemberError("refusing to extract " + ArchiveText(zip) + ": member \"" + name +
                              "\" names no file");
    }
    members.push_back({index, std::move(name), std::move(relative), is_folder});
  }
  return members;
}

// Writes one member to `target`, adding its bytes to `total`; never lets `total` pass
// `max_bytes`.
void ExtractMember(zip_t* archive, const Member& member, const fs::path& target,
                   unsigned long long& total, unsigned long long max_bytes) {
  const std::string which = "member \"" + member.name + "\": ";
  auto fail = [&](const std::string& why) { return Error(which + why); };
  auto damaged = [&](const std::string& why) { return Unreadable(which + why); };
  MemberPtr input(zip_fopen_index(archive, member.index, 0));
  if (!input) throw damaged(zip_strerror(archive));
  std::ofstream output(target, std::ios::binary | std::ios::trunc);
  if (!output) throw fail("cannot write " + PathToUtf8(target));
  std::vector<char> buffer(kReadChunk);
  for (;;) {
    const zip_int64_t count = zip_fread(input.get(), buffer.data(), buffer.size());
    if (count < 0) throw damaged(zip_file_strerror(input.get()));
    if (count == 0) break;
    total += static_cast<unsigned long long>(count);
    if (total > max_bytes) {
      throw RejectedArchiveError(
          RejectedArchiveError::Reason::kTooLarge,
          which + "the members expand to more than " + std::to_string(max_bytes) + " bytes");
    }
    output.write(buffer.data(), static_cast<std::streamsize>(count));
    if (!output) throw fail("cannot write " + PathToUtf8(target));
  }
  output.close();
  if (!output) throw fail("cannot write " + PathToUtf8(target));
}

fs::path StagingFolderFor(const fs::path& folder) {
  static std::atomic<unsigned> counter{0};
  static const unsigned salt = std::random_device()();
  fs::path staging = folder.parent_path();
  staging /= "." + PathToUtf8(folder.filename()) + ".partial-" + std::to_string(salt) + "-" +
             std::to_string(counter++);
  return staging;
}

// Moves everything in `from` into `to`: files replace files (a link in the way is replaced,
// never followed), folders merge with folders.
void MoveInto(const fs::path& from, const fs::path& to) {
  for (const fs::directory_entry& entry : fs::directory_iterator(from)) {
    const fs::path target = to / entry.path().filename();
    const fs::file_status existing = fs::symlink_status(target);
    if (entry.is_directory() && fs::is_directory(existing)) {
      MoveInto(entry.path(), target);
      continue;
    }
    if (fs::is_directory(existing)) {
      throw Error("cannot replace the folder " + PathToUtf8(target) + " by a file");
    }
    if (entry.is_directory() && fs::exists(existing)) fs::remove(target);
    fs::rename(entry.path(), target);
  }
}

// 2000-01-01 00:00 as an MS-DOS time and date: the date of every member of a new archive.
constexpr zip_uint16_t kFixedDosTime = 0;
constexpr zip_uint16_t kFixedDosDate = ((2000 - 1980) << 9) | (1 << 5) | 1;

}  // namespace

void WriteZipArchive(const fs::path& zip, const std::vector<ZipMember>& members) {
  const std::string failure = "cannot write " + ArchiveText(zip) + ": ";
  int code = 0;
  ArchivePtr archive(zip_open(zip.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code));
  if (!archive) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    throw Error(failure + TakeMessage(error));
  }
  for (const ZipMember& member : members) {
    // libzip keeps the buffer until the archive is closed; `members` outlives that.
    zip_source_t* source =
        zip_source_buffer(archive.get(), member.content.data(), member.content.size(), 0);
    if (source == nullptr) throw Error(failure + zip_strerror(archive.get()));
    const zip_flags_t encoding = IsAscii(member.name) ? ZIP_FL_ENC_GUESS : ZIP_FL_ENC_UTF_8;
    const zip_int64_t index =
        zip_file_add(archive.get(), member.name.c_str(), source, encoding | ZIP_FL_OVERWRITE);
    if (index < 0) {
      zip_source_free(source);
      throw Error(failure + "member \"" + member.name + "\": " + zip_strerror(archive.get()));
    }
    if (zip_set_file_compression(archive.get(), static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE,
                                 0) != 0 ||
        zip_file_set_dostime(archive.get(), static_cast<zip_uint64_t>(index), kFixedDosTime,
                             kFixedDosDate, 0) != 0) {
      throw Error(failure + "member \"" + member.name + "\": " + zip_strerror(archive.get()));
    }
  }
  zip_t* closing = archive.release();
  if (zip_close(closing) != 0) {
    std::string message = zip_strerror(closing);
    zip_discard(closing);
    throw Error(failure + message);
  }
}

std::vector<std::string> ListMembers(const fs::path& zip) {
  ArchivePtr archive = OpenArchive(zip);
  const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
  std::vector<std::string> names;
  for (zip_uint64_t index = 0; index < static_cast<zip_uint64_t>(count); ++index) {
    names.push_back(MemberName(archive.get(), index, zip));
  }
  return names;
}

void ExtractAll(const fs::path& zip, const fs::path& folder, unsigned long long max_bytes) {
  ArchivePtr archive = OpenArchive(zip);
  const std::vector<Member> members = CheckedMembers(archive.get(), zip);
  fs::path target = fs::absolute(folder).lexically_normal();
  if (target.filename().empty() && target.has_relative_path()) target = target.parent_path();
  CreateFolders(target.parent_path());
  const fs::path staging = StagingFolderFor(target);
  try {
    CreateFolders(staging);
    unsigned long long total = 0;
    for (const Member& member : members) {
      const fs::path path = staging / member.relative;
      // The name checks make this impossible; it guards them.
      if (member.relative.is_absolute() || member.relative.has_root_name() ||
          path.lexically_normal().lexically_relative(staging).native().starts_with(
              fs::path("..").native())) {
        throw Error("member \"" + member.name + "\" would be written outside the folder");
      }
      if (member.is_folder) {
        CreateFolders(path);
        continue;
      }
      CreateFolders(path.parent_path());
      ExtractMember(archive.get(), member, path, total, max_bytes);
    }
    if (!fs::exists(fs::symlink_status(target))) {
      fs::rename(staging, target);
    } else {
      MoveInto(staging, target);
      fs::remove_all(staging);
    }
  } catch (const std::exception& failure) {
    std::error_code ignored;
    fs::remove_all(staging, ignored);
    const std::string message = "cannot extract " + ArchiveText(zip) + " into " +
                                PathToUtf8(target) + ": " + failure.what();
    if (const auto* rejected = dynamic_cast<const RejectedArchiveError*>(&failure)) {
      throw RejectedArchiveError(rejected->reason(), message);
    }
    throw Error(message);
  }
}

}  // namespace zuvo
