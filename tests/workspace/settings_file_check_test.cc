#include "workspace/settings_file_check.h"

#include <gtest/gtest.h>

#include "platform/big5.h"
#include "platform/error.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

using testing::TempDir;
using testing::WriteFileBytes;

std::string ErrorOf(const std::filesystem::path& file) {
  try {
    RequireBig5SettingsFile(file);
  } catch (const Error& error) {
    return error.what();
  }
  return "";
}

TEST(SettingsFileCheck, AcceptsBig5AndMissingFiles) {
  TempDir folder;
  EXPECT_EQ(ErrorOf(folder / "data.ini"), "");
  WriteFileBytes(folder / "data.ini",
                 "[system]\r\n" + big5::FromUtf8("開業日期=0870701\r\nPharmacistname=許功蓋\r\n"));
  EXPECT_EQ(ErrorOf(folder / "data.ini"), "");
}

TEST(SettingsFileCheck, RefusesOtherEncodingsNamingTheFile) {
  TempDir folder;
  struct Case {
    std::string bytes;
    std::string looks_like;
  };
  for (const Case& c :
       {Case{"\xEF\xBB\xBF[system]\r\n", "(UTF-8)"}, Case{"\xFF\xFE[\0s\0", "(UTF-16)"},
        Case{std::string("[\0s\0", 4), "(UTF-16)"},
        Case{"[system]\r\n\xE9\x96\x8B\xE6\xA5\xAD=1\r\n", "does not decode"}}) {
    WriteFileBytes(folder / "data.ini", c.bytes);
    std::string error = ErrorOf(folder / "data.ini");
    EXPECT_NE(error.find((folder / "data.ini").string()), std::string::npos) << error;
    EXPECT_NE(error.find(c.looks_like), std::string::npos) << error;
  }
}

TEST(SettingsFileCheck, ReportsEachDuplicateKeyOncePerSection) {
  TempDir folder;
  WriteFileBytes(folder / "data.ini",
                 "[system]\r\nPharmacistname=A\r\nPHARMACISTNAME=B\r\npharmacistname=C\r\n"
                 "[DUPID]\r\n12=1\r\n[System]\r\nPharmacistID=X\r\npharmacistid=Y\r\n"
                 "[other]\r\nPharmacistname=D\r\n; Pharmacistname=E\r\n");
  EXPECT_EQ(DuplicateKeyWarnings(folder / "data.ini"),
            (std::vector<std::string>{"data.ini [system] PHARMACISTNAME 重複,採用第一個值",
                                      "data.ini [System] pharmacistid 重複,採用第一個值"}));
}

}  // namespace
}  // namespace zuvo
