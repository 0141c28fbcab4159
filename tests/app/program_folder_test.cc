#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/program_folder.h"
#include "platform/big5.h"
#include "platform/table_store.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::IsSupersetOf;

TEST(InstallDeliveredFilesTest, InstallsSettingsAndDatabasesOnce) {
  testing::TempDir home;
  fs::path folder = home / "program";
  std::vector<std::string> written = InstallDeliveredFiles(folder);
  EXPECT_THAT(written, IsSupersetOf({"DataEdit.ini", "CORVIX.INI", "MXsetup.ini",
                                     "REFERENCE-DATA-NOTICE.txt", "OPDbak.mdb", "PERSONALbak.mdb",
                                     "ANTCHECK_BLANK.MDB", "MX.MDB", "ICD10CM.MDB",
                                     "ICD-10-CM (1020314).MDB"}));
  // The inputs of the databases are never installed as files.
  for (const std::string& name : written) EXPECT_NE(name.front(), ':') << name;
  std::vector<std::string> present;
  for (const auto& entry : fs::directory_iterator(folder)) {
    present.push_back(entry.path().filename().string());
  }
  std::sort(present.begin(), present.end());
  std::vector<std::string> expected = written;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(present, expected);

  // The settings files are Big5 with CR LF line ends.
  std::string corvix = testing::ReadFileBytes(folder / "CORVIX.INI");
  EXPECT_THAT(corvix, HasSubstr("[MXuseMethod]\r\nQD=1000\r\n"));
  EXPECT_THAT(corvix, HasSubstr(big5::FromUtf8("診所名稱=\r\n")));
  std::string setup = testing::ReadFileBytes(folder / "MXsetup.ini");
  for (const char* section : {"[居家醫療套件處置]", "[預防保健套件診斷]", "[戒菸治療套件處置]",
                              "[愛滋病套件處置]", "[氣喘醫療套件診斷]", "[無點數須申報健保項目]",
                              "[給藥途徑及作用部位]", "[預防保健處置組合1]"}) {
    EXPECT_THAT(setup, HasSubstr(big5::FromUtf8(section) + "\r\n")) << section;
  }

  // A second run keeps what is there, including a file the clinic changed.
  testing::WriteFileBytes(folder / "MXsetup.ini", "changed");
  EXPECT_TRUE(InstallDeliveredFiles(folder).empty());
  EXPECT_EQ(testing::ReadFileBytes(folder / "MXsetup.ini"), "changed");

  // A removed database is built again.
  fs::remove(folder / "MX.MDB");
  EXPECT_EQ(InstallDeliveredFiles(folder), std::vector<std::string>{"MX.MDB"});
  Database mx = Database::Open(folder / "MX.MDB");
  EXPECT_GT(mx.OpenTable("OPD").RecordCount(), 5000u);
}

}  // namespace
}  // namespace zuvo
