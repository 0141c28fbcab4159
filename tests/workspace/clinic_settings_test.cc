#include "workspace/clinic_settings.h"

#include <gtest/gtest.h>

#include "platform/big5.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

std::string B(std::string_view utf8) { return big5::FromUtf8(utf8); }

// What one step notes, the next reads back: the notes land in the sections and keys the live
// system and earlier runs use, and a file typed by hand reads as the steps expect.
TEST(ClinicSettings, NotesLandInTheSectionsEarlierRunsUse) {
  TempDir folder;
  ClinicSettings settings(folder.path());
  EXPECT_FALSE(settings.Exists());
  EXPECT_TRUE(settings.Doctors().empty());
  {
    ClinicSettings::Batch batch(settings);
    settings.NoteStartSettings({"0990101", B("林美玲"), "B223456789"});
    settings.NoteDoctor(B("王大明"), "A123456789");
    settings.NoteDepartmentCode("01");
    settings.NotePharmacist(B("陳藥師"), "C223456789", 2);
    settings.NoteOrderCodeRename("OLD1", "A041566100");
    settings.NoteUnreadableFrequency(B("飯後吃"));
    settings.NoteDiagnosisNameFix("Mystery illness", "R69");
    settings.NoteDiagnosisCodeFix("ZZ1", "R69");
    settings.NoteIdFix(15, "F123456789");
    settings.NoteDuplicatePatient("0007", 3);
  }
  EXPECT_EQ(ReadFileBytes(folder / "data.ini"),
            "[system]\r\n" + B("Pharmacistname=林美玲\r\nPharmacistID=B223456789\r\n") +
                B("開業日期=0990101\r\nClinicTypeNo=01\r\nPharmacistname2=陳藥師\r\n") +
                "PharmacistID2=C223456789\r\n" + "[DOCTOR]\r\n" + B("王大明=A123456789\r\n") +
                "[DUPMX]\r\nOLD1=A041566100\r\n" + "[UseMethodFix]\r\n" + B("飯後吃=X\r\n") +
                "[DXfix]\r\nMystery illness=R69\r\n" + "[DXcodefix]\r\nZZ1=R69\r\n" +
                "[IDFIX]\r\n15=F123456789\r\n" + "[DUPID]\r\n0007=3\r\n");

  ClinicSettings again(folder.path());
  EXPECT_EQ(again.MainDoctorId(), "");
  EXPECT_EQ(again.DepartmentCode(), "01");
  EXPECT_EQ(again.DuplicatePatientEntries().KeptPatient(7), 3);
  ASSERT_EQ(again.Doctors().size(), 1u);
  EXPECT_EQ(again.Doctors()[0].value, "A123456789");

  // A start setting noted again unchanged leaves the file as it is.
  const std::string before = ReadFileBytes(folder / "data.ini");
  again.NoteStartSettings({"0990101", B("林美玲"), "B223456789"});
  EXPECT_EQ(ReadFileBytes(folder / "data.ini"), before);

  again.NoteDuplicatePatient("9", 2);
  again.DropDuplicatePatient("0007");
  EXPECT_EQ(again.DuplicatePatientEntries().Find(7), nullptr);
  EXPECT_EQ(again.DuplicatePatientEntries().KeptPatient(9), 2);
  again.ClearDuplicatePatients();
  EXPECT_EQ(again.DuplicatePatientEntries().Find(9), nullptr);
}

TEST(ClinicSettings, HandTypedFileReadsAsTheStepsExpect) {
  TempDir folder;
  WriteFileBytes(folder / "DATA.INI", "[SYSTEM]\r\nmaindrid = A123456789 \r\n" +
                                          B("轉換主訴=n\r\n") +
                                          "[dupid]\r\n0012=5\r\n12=6\r\nabc=7\r\n8=x\r\n" +
                                          "[DUPMX]\r\nold1=\"A041566100\"\r\n");
  ClinicSettings settings(folder.path());
  EXPECT_TRUE(settings.Exists());
  EXPECT_EQ(settings.path().filename(), "DATA.INI");
  EXPECT_EQ(settings.MainDoctorId(), "A123456789");
  EXPECT_FALSE(settings.ConvertsComplaints());

  // Keys count by value, the first of repeated numbers wins, entries that are no numbers do
  // not count.
  DuplicatePatients duplicates = settings.DuplicatePatientEntries();
  EXPECT_EQ(duplicates.KeptPatient(12), 5);
  ASSERT_NE(duplicates.Find(12), nullptr);
  EXPECT_EQ(duplicates.Find(12)->key, "0012");
  EXPECT_EQ(duplicates.KeptPatient(8), 8);
  EXPECT_EQ(duplicates.KeptPatient(99), 99);

  // A quoted value is read without its quotes, as every step reads it.
  ASSERT_EQ(settings.OrderCodeRenames().size(), 1u);
  EXPECT_EQ(settings.OrderCodeRenames()[0].value, "A041566100");
}

TEST(ClinicSettings, PageFieldsStandOverTheFile) {
  ClinicFolderFields page;
  const ClinicStartSettings file{" 0980101 ", B("林美玲"), "B223456789"};
  EXPECT_EQ(PageOverFileSettings(page, file).opening_date, "0980101");

  page.pharmacist_name = B(" 陳藥師 ");
  page.start_date = "0970101";
  const ClinicStartSettings settings = PageOverFileSettings(page, file);
  EXPECT_EQ(settings.pharmacist_name, B("陳藥師"));
  EXPECT_EQ(settings.pharmacist_id, "");
  // The page's start date stands only for a missing opening date.
  EXPECT_EQ(settings.opening_date, "0980101");
  EXPECT_EQ(PageOverFileSettings(page, {}).opening_date, "0970101");
}

}  // namespace
}  // namespace zuvo
