#include "platform/zip_archive.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <algorithm>
#include <optional>

#include "platform/error.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using ::zuvo::testing::ReadFileBytes;
using ::zuvo::testing::TempDir;
using ::zuvo::testing::WriteFileBytes;

struct Member {
  std::string name;  // bytes as stored
  std::string content;
  // ZIP_FL_ENC_CP437 stores the bytes without the UTF-8 flag; ZIP_FL_ENC_UTF_8 sets the flag.
  zip_flags_t encoding = ZIP_FL_ENC_CP437;
  bool stored = false;  // uncompressed
  bool symlink = false;
};

void MakeZip(const fs::path& file, const std::vector<Member>& members) {
  int error = 0;
  zip_t* archive = zip_open(file.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  ASSERT_NE(archive, nullptr) << "libzip error " << error;
  for (const Member& member : members) {
    zip_int64_t index;
    if (member.name.ends_with('/')) {
      index = zip_dir_add(archive, member.name.c_str(), member.encoding);
    } else {
      zip_source_t* source =
          zip_source_buffer(archive, member.content.data(), member.content.size(), 0);
      index = zip_file_add(archive, member.name.c_str(), source, member.encoding);
    }
    ASSERT_GE(index, 0) << member.name << ": " << zip_strerror(archive);
    if (member.stored) zip_set_file_compression(archive, index, ZIP_CM_STORE, 0);
    if (member.symlink) {
      zip_file_set_external_attributes(archive, index, 0, ZIP_OPSYS_UNIX, 0120777u << 16);
    }
  }
  ASSERT_EQ(zip_close(archive), 0);
}

// Clears the UTF-8 flag (bit 11 of the general purpose flags) of every member, as archivers
// that write UTF-8 names without saying so do. libzip itself refuses to write such names.
void ClearUtf8Flags(const fs::path& file) {
  constexpr std::string_view kLocalHeader = "PK\x03\x04", kCentralHeader = "PK\x01\x02";
  constexpr size_t kLocalFlagsHigh = 7, kCentralFlagsHigh = 9;  // high byte of the flags
  constexpr char kUtf8FlagInHighByte = 0x08;
  std::string bytes = ReadFileBytes(file);
  for (auto [signature, offset] :
       {std::pair{kLocalHeader, kLocalFlagsHigh}, std::pair{kCentralHeader, kCentralFlagsHigh}}) {
    for (size_t at = bytes.find(signature); at != std::string::npos;
         at = bytes.find(signature, at + 1)) {
      bytes[at + offset] = static_cast<char>(bytes[at + offset] & ~kUtf8FlagInHighByte);
    }
  }
  WriteFileBytes(file, bytes);
}

std::vector<std::string> Listing(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    names.push_back(entry.path().lexically_relative(folder).generic_string() +
                    (entry.is_directory() ? "/" : ""));
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string ErrorOf(const fs::path& zip, const fs::path& folder) {
  try {
    ExtractAll(zip, folder);
  } catch (const Error& error) {
    return error.what();
  }
  return "no error";
}

const std::string kXml = "<?xml version=\"1.0\" encoding=\"Big5\"?><outpatient>...</outpatient>";

TEST(ZipArchive, ExtractsBig5AndUtf8NamesToUtf8FilesKeepingOtherFiles) {
  TempDir dir;
  const fs::path zip = dir / "10701XML.zip";
  MakeZip(zip, {
                   {"TOTFA.XML", kXml},
                   {"\xC1\x60\xAA\xED/", ""},                      // 總表/ (Big5 folder)
                   {"\xC1\x60\xAA\xED\\\xB3\x5C.txt", "xu"},       // 總表\許.txt; 許 is B3 5C
                   {"caf\xC3\xA9.txt", "utf8", ZIP_FL_ENC_UTF_8},  // flagged UTF-8
                   {"./stored/plain.bin", std::string("\0\1\2", 3), ZIP_FL_ENC_CP437, true},
               });
  // The same UTF-8 name without the flag is read as UTF-8 too, since it is not valid Big5 text.
  const fs::path unflagged = dir / "unflagged.zip";
  MakeZip(unflagged, {{"\xE6\xAA\xA2\xE9\xA9\x97.txt", "x", ZIP_FL_ENC_UTF_8}});  // 檢驗.txt
  ClearUtf8Flags(unflagged);
  EXPECT_EQ(ListMembers(unflagged), (std::vector<std::string>{"檢驗.txt"}));
  // café in UTF-8 (63 61 66 C3 A9) is also valid Big5: without the flag it is Big5.
  const fs::path ambiguous = dir / "ambiguous.zip";
  MakeZip(ambiguous, {{"caf\xC3\xA9.txt", "x", ZIP_FL_ENC_UTF_8}});
  ClearUtf8Flags(ambiguous);
  EXPECT_EQ(ListMembers(ambiguous), (std::vector<std::string>{"caf矇.txt"}));

  EXPECT_EQ(ListMembers(zip), (std::vector<std::string>{"TOTFA.XML", "總表/", "總表\\許.txt",
                                                        "café.txt", "./stored/plain.bin"}));
  const fs::path out = dir / "scratch";
  WriteFileBytes(dir / "placeholder", "");
  fs::create_directory(out);
  WriteFileBytes(out / "TOTFA.XML", "last month");
  WriteFileBytes(out / "keep.txt", "kept");

  ExtractAll(zip, out);
  EXPECT_EQ(Listing(out), (std::vector<std::string>{"TOTFA.XML", "café.txt", "keep.txt", "stored/",
                                                    "stored/plain.bin", "總表/", "總表/許.txt"}));
  EXPECT_EQ(ReadFileBytes(out / "TOTFA.XML"), kXml);
  EXPECT_EQ(ReadFileBytes(out / "keep.txt"), "kept");
  EXPECT_EQ(ReadFileBytes(out / "stored/plain.bin"), std::string("\0\1\2", 3));
  EXPECT_EQ(ReadFileBytes(out / fs::path(u8"總表/許.txt")), "xu");
  // Nothing is left beside the folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 5);

  // A folder that does not exist yet is created with its parents.
  ExtractAll(zip, dir / "new/deeper");
  EXPECT_EQ(ReadFileBytes(dir / "new/deeper/TOTFA.XML"), kXml);
}

TEST(ZipArchive, RefusesMembersThatWouldLandOutsideTheFolderBeforeWritingAnything) {
  struct Case {
    Member evil;
    std::string reason;
  };
  const std::vector<Case> cases = {
      {{"../evil", "x"}, "a \"..\" part"},
      {{"a/../../evil", "x"}, "a \"..\" part"},
      {{"sub\\..\\..\\evil", "x"}, "a \"..\" part"},
      {{"/etc/evil", "x"}, "an absolute name"},
      {{"\\evil", "x"}, "an absolute name"},
      {{"C:evil", "x"}, "a drive letter or ':'"},
      {{"c:/evil", "x"}, "a drive letter or ':'"},
      {{"ok/.../evil", "x"}, "a part of only dots"},
      {{"aux.txt", "x"}, "a Windows device name"},
      {{"a?b", "x"}, "a character Windows does not allow in file names"},
      {{"link", "/etc/passwd", ZIP_FL_ENC_CP437, false, true}, "a symbolic link"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const fs::path zip = dir / "bad.zip";
    MakeZip(zip, {{"TOTFA.XML", kXml}, c.evil});
    fs::create_directory(dir / "out");
    WriteFileBytes(dir / "out/TOTFA.XML", "old");
    EXPECT_EQ(ErrorOf(zip, dir / "out"), "refusing to extract the zip archive " + zip.string() +
                                             ": member \"" + c.evil.name + "\" has " + c.reason);
    EXPECT_EQ(Listing(dir.path()), (std::vector<std::string>{"bad.zip", "out/", "out/TOTFA.XML"}))
        << c.evil.name;
    EXPECT_EQ(ReadFileBytes(dir / "out/TOTFA.XML"), "old");
  }
}

TEST(ZipArchive, DamagedArchiveIsAnErrorAndLeavesTheFolderAsItWas) {
  TempDir dir;
  std::string big;
  for (int i = 0; i < 2000; ++i) big += "<ddata><d1>" + std::to_string(i) + "</d1></ddata>";
  for (bool stored : {false, true}) {
    const fs::path zip = dir / (stored ? "stored.zip" : "deflated.zip");
    MakeZip(zip, {{"first.txt", "fine"}, {"TOTFA.XML", big, ZIP_FL_ENC_CP437, stored}});
    std::string bytes = ReadFileBytes(zip);
    // The second member's data starts after the first member and its own local header.
    const size_t data = bytes.find("TOTFA.XML") + 9;
    bytes[data + 500] = static_cast<char>(bytes[data + 500] ^ 0x55);
    WriteFileBytes(zip, bytes);

    const std::string message = ErrorOf(zip, dir / "never");
    EXPECT_TRUE(message.starts_with("cannot extract the zip archive " + zip.string())) << message;
    EXPECT_NE(message.find("member \"TOTFA.XML\""), std::string::npos) << message;
    EXPECT_FALSE(fs::exists(dir / "never"));

    fs::create_directories(dir / "kept");
    WriteFileBytes(dir / "kept/first.txt", "old");
    EXPECT_NE(ErrorOf(zip, dir / "kept"), "no error");
    EXPECT_EQ(Listing(dir / "kept"), (std::vector<std::string>{"first.txt"}));
    EXPECT_EQ(ReadFileBytes(dir / "kept/first.txt"), "old");
  }
  EXPECT_EQ(Listing(dir.path()),
            (std::vector<std::string>{"deflated.zip", "kept/", "kept/first.txt", "stored.zip"}));
}

TEST(ZipArchive, TruncatedMissingOrForeignFilesAreErrorsNamingThem) {
  TempDir dir;
  const fs::path zip = dir / "cut.zip";
  MakeZip(zip, {{"TOTFA.XML", kXml}});
  std::string bytes = ReadFileBytes(zip);
  WriteFileBytes(zip, bytes.substr(0, bytes.size() - 30));
  WriteFileBytes(dir / "text.zip", "this is not an archive");
  for (const fs::path& bad : {zip, dir / "text.zip", dir / "missing.zip"}) {
    const std::string message = ErrorOf(bad, dir / "out");
    EXPECT_TRUE(message.starts_with("cannot open the zip archive " + bad.string() + ": "))
        << message;
    EXPECT_THROW(ListMembers(bad), Error);
  }
  EXPECT_FALSE(fs::exists(dir / "out"));
}

// What the reader refuses for the archive itself, by reason, apart from errors of the folder.
std::optional<RejectedArchiveError::Reason> RejectionOf(const fs::path& zip, const fs::path& folder,
                                                        unsigned long long max_bytes) {
  try {
    ExtractAll(zip, folder, max_bytes);
  } catch (const RejectedArchiveError& rejected) {
    return rejected.reason();
  }
  return std::nullopt;
}

TEST(ZipArchive, MembersExpandingBeyondTheLimitAreRefusedAfterAtMostTheLimit) {
  TempDir dir;
  const fs::path zip = dir / "bomb.zip";
  // 1000 + 24 bytes in two members; the limit counts them together.
  MakeZip(zip, {{"a.txt", std::string(1000, 'a')}, {"TOTFA.XML", std::string(24, 'x')}});
  EXPECT_FALSE(RejectionOf(zip, dir / "exact", 1024).has_value());
  EXPECT_EQ(Listing(dir / "exact"), (std::vector<std::string>{"TOTFA.XML", "a.txt"}));
  EXPECT_EQ(RejectionOf(zip, dir / "over", 1023), RejectedArchiveError::Reason::kTooLarge);
  EXPECT_EQ(ErrorOf(zip, dir / "over"), "no error") << "the default limit is far above";
  fs::remove_all(dir / "over");
  try {
    ExtractAll(zip, dir / "over", 1023);
    FAIL() << "1024 bytes passed a limit of 1023";
  } catch (const RejectedArchiveError& rejected) {
    EXPECT_EQ(std::string(rejected.what()),
              "cannot extract the zip archive " + zip.string() + " into " +
                  (dir / "over").string() +
                  ": member \"TOTFA.XML\": the members expand to more than 1023 bytes");
  }
  EXPECT_FALSE(fs::exists(dir / "over"));
  EXPECT_EQ(Listing(dir.path()),
            (std::vector<std::string>{"bomb.zip", "exact/", "exact/TOTFA.XML", "exact/a.txt"}))
      << "no staging folder is left";
}

TEST(ZipArchive, CutOffOrForeignArchivesAreRefusedAsUnreadable) {
  TempDir dir;
  const fs::path zip = dir / "cut.zip";
  MakeZip(zip, {{"TOTFA.XML", kXml}});
  const std::string bytes = ReadFileBytes(zip);
  WriteFileBytes(zip, bytes.substr(0, bytes.size() / 2));
  WriteFileBytes(dir / "text.zip", "this is not an archive");
  for (const fs::path& bad : {zip, dir / "text.zip"}) {
    EXPECT_EQ(RejectionOf(bad, dir / "out", kMaxExtractedBytes),
              RejectedArchiveError::Reason::kUnreadable)
        << bad;
  }
  EXPECT_FALSE(fs::exists(dir / "out"));
}

TEST(ZipArchive, NameThatIsNeitherBig5NorUtf8IsAnError) {
  TempDir dir;
  const fs::path zip = dir / "odd.zip";
  MakeZip(zip, {{"name\xA4", "x"}});  // a lead byte without its trail byte
  EXPECT_EQ(ErrorOf(zip, dir / "out"),
            "cannot decode the member name \"name\\xA4\" of the zip archive " + zip.string());
}

}  // namespace
}  // namespace zuvo
