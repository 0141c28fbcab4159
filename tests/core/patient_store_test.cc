#include "core/patient_store.h"

#include <gtest/gtest.h>

#include "byte_layout.h"

#include "platform/error.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;
using testing::U32At;
using testing::WriteFileBytes;

PatientRecord Patient(int32_t number, std::string_view id = "") {
  PatientRecord record;
  record.Set(patient_field::kNumber, number);
  record.Set(patient_field::kNationalId, id);
  return record;
}

class PatientStoreTest : public ::testing::Test {
 protected:
  TempDir dir;
  StoreLocation store{dir.path(), dir / "PTdata.ind"};
};

TEST_F(PatientStoreTest, NumbersAddressFileAndSlot) {
  PatientAddress a = PatientLocation(store, 23456);
  EXPECT_EQ(a.file.filename(), "PtData.002");
  EXPECT_EQ(a.offset, 929'664u);
  PatientAddress b = PatientLocation(store, 10000);
  EXPECT_EQ(b.file.filename(), "PtData.001");
  EXPECT_EQ(b.offset, 0u);
  PatientAddress c = PatientLocation(store, 9999);
  EXPECT_EQ(c.file.filename(), "PtData.000");
  EXPECT_EQ(c.offset, 2'689'731u);
  EXPECT_TRUE(PatientLocation(store, 0).file.empty());
  EXPECT_TRUE(PatientLocation(store, -3).file.empty());
}

TEST_F(PatientStoreTest, FirstWriteCreatesTenThousandEmptyRecordsAndFillsOneSlot) {
  WritePatient(store, Patient(5, "A1"), "");
  std::string bytes = ReadFileBytes(dir / "PtData.000");
  ASSERT_EQ(bytes.size(), 2'690'000u);
  const size_t slot = 5 * 269;
  // Number 5 at 4; ID "A1" as length 2, 'A', '1' at 8. Checksum = 5 ^ 0x00314102.
  EXPECT_EQ(U32At(bytes, slot + 0), 0x00314107u);
  EXPECT_EQ(U32At(bytes, slot + 4), 5u);
  EXPECT_EQ(bytes.substr(slot + 8, 4), std::string("\x02"
                                                   "A1\0",
                                                   4));
  size_t nonzero = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != 0 && (i < slot || i >= slot + 269)) ++nonzero;
  }
  EXPECT_EQ(nonzero, 0u);
}

TEST_F(PatientStoreTest, NotesUpToOneHundredBytesStayInline) {
  std::string note(100, 'n');
  WritePatient(store, Patient(7), note);
  std::string bytes = ReadFileBytes(dir / "PtData.000");
  ASSERT_EQ(bytes.size(), 2'690'000u);
  const size_t slot = 7 * 269;
  EXPECT_EQ(uint8_t(bytes[slot + 164]), 100);
  EXPECT_EQ(bytes.substr(slot + 165, 100), note);
  EXPECT_EQ(U32At(bytes, slot + 265), 0u);
}

TEST_F(PatientStoreTest, LongNotesAreAppendedAndEveryRewriteAppendsAgain) {
  std::string first(101, 'x');
  WritePatient(store, Patient(7), first);
  std::string bytes = ReadFileBytes(dir / "PtData.000");
  ASSERT_EQ(bytes.size(), 2'690'000u + 105u);
  const size_t slot = 7 * 269;
  EXPECT_EQ(U32At(bytes, slot + 265), 2'690'000u);
  EXPECT_EQ(uint8_t(bytes[slot + 164]), 0);
  EXPECT_EQ(U32At(bytes, 2'690'000), 101u);
  EXPECT_EQ(bytes.substr(2'690'004), first);

  std::string second(150, 'y');
  WritePatient(store, Patient(7), second);
  bytes = ReadFileBytes(dir / "PtData.000");
  ASSERT_EQ(bytes.size(), 2'690'000u + 105u + 154u);
  EXPECT_EQ(U32At(bytes, slot + 265), 2'690'105u);

  PatientRecord record;
  std::string note;
  EXPECT_TRUE(ReadPatientWithNote(store, 7, record, note));
  EXPECT_EQ(note, second);
  WritePatient(store, Patient(7), "short");
  EXPECT_TRUE(ReadPatientWithNote(store, 7, record, note));
  EXPECT_EQ(note, "short");
}

// One writer over many records, long notes and two patient files gives the files that a
// WritePatient per record gives; each record can be read back at once, while the writer still
// holds its file.
TEST_F(PatientStoreTest, AWriterKeepingItsFileOpenWritesWhatSingleWritesWrite) {
  TempDir other;
  const StoreLocation single{other.path(), other / "PTdata.ind"};
  PatientWriter writer(store);
  for (int32_t number : {1, 2, 9999, 10000, 10001, 5, 20003}) {
    const std::string note(number % 2 == 0 ? 120 : 30, static_cast<char>('a' + number % 26));
    writer.Write(Patient(number, "A12345678" + std::to_string(number % 10)), note);
    WritePatient(single, Patient(number, "A12345678" + std::to_string(number % 10)), note);
    PatientRecord record;
    std::string read_note;
    ASSERT_TRUE(ReadPatientWithNote(store, number, record, read_note)) << number;
    EXPECT_EQ(read_note, note);
  }
  writer.Write(Patient(0), "nobody");  // no number: nothing written
  writer.Close();
  for (const char* file : {"PtData.000", "PtData.001", "PtData.002"}) {
    EXPECT_EQ(ReadFileBytes(dir / file), ReadFileBytes(other / file)) << file;
  }
}

TEST_F(PatientStoreTest, ChecksumCoversBytesFourTo267Only) {
  PatientRecord record = Patient(12, "B123456789");
  record.Set(patient_field::kAddress, "somewhere");
  uint32_t base = PatientChecksum(record);
  for (size_t i = 0; i < 269; ++i) {
    PatientRecord changed = record;
    changed.data()[i] = static_cast<char>(changed.data()[i] ^ 0x5A);
    bool covered = i >= 4 && i <= 267;
    EXPECT_EQ(PatientChecksum(changed) != base, covered) << "byte " << i;
  }
}

TEST_F(PatientStoreTest, ReadersTellValidSlotsFromOthers) {
  PatientRecord record;
  record.Set(patient_field::kNumber, 99);
  EXPECT_FALSE(ReadPatient(store, 3, record));  // no file
  EXPECT_EQ(record.Get(patient_field::kNumber), 0);

  WritePatient(store, Patient(3, "C1"), "");
  EXPECT_TRUE(ReadPatient(store, 3, record));
  EXPECT_EQ(record.Get(patient_field::kNationalId), "C1");
  EXPECT_FALSE(ReadPatient(store, 4, record));  // empty slot
  EXPECT_FALSE(ReadPatient(store, 0, record));

  // A slot holding another number is read but not valid.
  std::string bytes = ReadFileBytes(dir / "PtData.000");
  bytes[8 * 269 + 4] = 9;
  WriteFileBytes(dir / "PtData.000", bytes);
  EXPECT_FALSE(ReadPatient(store, 8, record));
  EXPECT_EQ(record.Get(patient_field::kNumber), 9);
}

TEST_F(PatientStoreTest, TheScanHandsEverySlotThatHoldsANumberInFileAndSlotOrder) {
  for (int32_t number : {3, 9999, 20001}) {
    WritePatient(store, Patient(number, "A" + std::to_string(number)), "");
  }
  WriteFileBytes(dir / "PtData.bak", "x");
  // Slot 8 holds patient 9, slot 11 a negative number: damaged slots, handed on all the same.
  std::string first = ReadFileBytes(dir / "PtData.000");
  first.replace(8 * 269 + 4, 4, std::string("\x09\0\0\0", 4));
  first.replace(11 * 269 + 4, 4, std::string("\xfc\xff\xff\xff", 4));
  WriteFileBytes(dir / "PtData.000", first);
  // The third file cut off inside slot 2: its two whole records are read.
  WritePatient(store, Patient(20002, "cut"), "");
  const std::string third = ReadFileBytes(dir / "PtData.002").substr(0, 2 * 269 + 100);
  WriteFileBytes(dir / "PtData.002", third);
  std::filesystem::rename(dir / "PtData.002", dir / "ptdata.002");

  std::vector<std::string> seen;
  ForEachPatientSlot(store, [&](const PatientSlot& slot, const PatientRecord& record) {
    EXPECT_EQ(record.Get(patient_field::kNumber), slot.number);
    seen.push_back(std::to_string(slot.file_number) + "/" + std::to_string(slot.slot) + " " +
                   std::to_string(slot.number) + (slot.Valid() ? " valid " : " for ") +
                   std::to_string(slot.Address()) + " " + record.Get(patient_field::kNationalId));
  });
  EXPECT_EQ(seen, (std::vector<std::string>{"0/3 3 valid 3 A3", "0/8 9 for 8 ", "0/11 -4 for 11 ",
                                            "0/9999 9999 valid 9999 A9999",
                                            "2/1 20001 valid 20001 A20001"}));
  EXPECT_EQ(ReadFileBytes(dir / "PtData.000"), first) << "a reading scan writes nothing";
  EXPECT_EQ(ReadFileBytes(dir / "ptdata.002"), third);
}

TEST_F(PatientStoreTest, ARewritingScanChangesOnlyTheRecordsItReplaces) {
  WritePatient(store, Patient(2, "B2"), std::string(120, 'n'));  // a long note after the records
  WritePatient(store, Patient(5, "B5"), "");
  WritePatient(store, Patient(10001, "B10001"), "");
  // The second file is cut off after slot 1: a rewrite must neither grow nor shorten it.
  const std::string second = ReadFileBytes(dir / "PtData.001").substr(0, 2 * 269 + 50);
  WriteFileBytes(dir / "PtData.001", second);
  const std::string first = ReadFileBytes(dir / "PtData.000");

  std::vector<std::string> notes;
  ForEachPatientFile(store, BinaryFile::Mode::kReadWrite, [&](PatientFileRecords& patients) {
    patients.ForEachSlot([&](const PatientSlot& slot, PatientRecord& record) {
      // The open file serves what lies outside the records, such as long notes.
      notes.push_back(ReadPatientNote(record, patients.file()));
      if (slot.number == 2) return;
      record.Set(patient_field::kName, "new");
      patients.Replace(slot, record);
    });
    patients.WriteBack();
  });
  EXPECT_EQ(notes, (std::vector<std::string>{std::string(120, 'n'), "", ""}));

  const std::string rewritten = ReadFileBytes(dir / "PtData.000");
  ASSERT_EQ(rewritten.size(), first.size());
  for (size_t i = 0; i < first.size(); ++i) {
    if (i >= 5 * 269 + 19 && i < 5 * 269 + 40) continue;  // slot 5's name: length and bytes
    ASSERT_EQ(rewritten[i], first[i]) << "byte " << i;
  }
  PatientRecord record;
  std::string note;
  ASSERT_TRUE(ReadPatientWithNote(store, 2, record, note));
  EXPECT_EQ(note, std::string(120, 'n'));
  ASSERT_TRUE(ReadPatient(store, 5, record));
  EXPECT_EQ(record.Get(patient_field::kName), "new");
  EXPECT_EQ(record.Get(patient_field::kNationalId), "B5");
  const std::string cut = ReadFileBytes(dir / "PtData.001");
  ASSERT_EQ(cut.size(), second.size());
  record.Assign(std::string_view(cut).substr(269, 269));
  EXPECT_EQ(record.Get(patient_field::kName), "new");
  EXPECT_EQ(cut.substr(2 * 269), second.substr(2 * 269)) << "the broken record stays as it was";
}

TEST_F(PatientStoreTest, SetChartHeadChangesOnlyTheHeadAndChecksum) {
  PatientRecord patient = Patient(15, "D1");
  patient.Set(patient_field::kName, "name");
  WritePatient(store, patient, "");
  std::string before = ReadFileBytes(dir / "PtData.000");
  SetChartHead(store, 15, 3, 123456);
  std::string after = ReadFileBytes(dir / "PtData.000");
  const size_t slot = 15 * 269;
  EXPECT_EQ(U32At(after, slot + 53), 3u);
  EXPECT_EQ(U32At(after, slot + 57), 123456u);
  for (size_t i = 0; i < after.size(); ++i) {
    bool expected_change = (i >= slot && i < slot + 4) || (i >= slot + 53 && i < slot + 61);
    if (!expected_change) {
      ASSERT_EQ(before[i], after[i]) << "byte " << i;
    }
  }
  PatientRecord record;
  ASSERT_TRUE(ReadPatient(store, 15, record));
  EXPECT_EQ(record.Get(patient_field::kChecksum), PatientChecksum(record));
  // 3 at bytes 53.. and 123456 (40 E2 01 00) at 57.. fall into the words at 52 and 56.
  EXPECT_EQ(U32At(after, slot), U32At(before, slot) ^ 0x00000300u ^ 0x01E24000u);
}

TEST_F(PatientStoreTest, HighestFileAndNumber) {
  EXPECT_EQ(HighestPatientFile(store), -1);
  EXPECT_EQ(HighestPatientNumber(store), 0);
  WriteFileBytes(dir / "PtData.bak", "x");
  EXPECT_EQ(HighestPatientFile(store), -1);
  WritePatient(store, Patient(9999), "");
  WritePatient(store, Patient(20001), "");
  EXPECT_EQ(HighestPatientFile(store), 2);
  EXPECT_EQ(HighestPatientNumber(store), 20001);
  // Names from Windows may come in any letter case.
  std::filesystem::rename(dir / "PtData.002", dir / "ptdata.002");
  EXPECT_EQ(HighestPatientNumber(store), 20001);
  PatientRecord record;
  EXPECT_TRUE(ReadPatient(store, 20001, record));
}

TEST_F(PatientStoreTest, DamagedFilesRaiseErrorsNamingTheFile) {
  WritePatient(store, Patient(2), std::string(120, 'z'));
  std::string bytes = ReadFileBytes(dir / "PtData.000");
  PatientRecord record;
  std::string note;

  std::string past_end = bytes;
  past_end[2 * 269 + 265 + 3] = 0x40;  // long-note offset far past the end
  WriteFileBytes(dir / "PtData.000", past_end);
  EXPECT_THROW(ReadPatientWithNote(store, 2, record, note), Error);

  std::string too_long = bytes;
  too_long[2'690'000 + 3] = 0x10;  // length word claims 256 MB
  WriteFileBytes(dir / "PtData.000", too_long);
  try {
    ReadPatientWithNote(store, 2, record, note);
    ADD_FAILURE() << "no error";
  } catch (const Error& error) {
    EXPECT_NE(std::string(error.what()).find("PtData.000"), std::string::npos) << error.what();
  }

  WriteFileBytes(dir / "PtData.000", bytes.substr(0, 1000));  // truncated inside slot 3
  EXPECT_THROW(ReadPatient(store, 3, record), Error);
  EXPECT_TRUE(ReadPatient(store, 2, record));  // slot 2 still lies inside
}

TEST_F(PatientStoreTest, WritingIntoATruncatedFileKeepsLongNotesOutOfTheRecordArea) {
  WriteFileBytes(dir / "PtData.000", std::string(1000, '\0'));
  WritePatient(store, Patient(9000), std::string(200, 'q'));
  std::string bytes = ReadFileBytes(dir / "PtData.000");
  EXPECT_EQ(bytes.size(), 2'690'000u + 204u);
  EXPECT_EQ(U32At(bytes, 9000 * 269 + 265), 2'690'000u);
}

TEST_F(PatientStoreTest, HeldRecordsAreWrittenInRunsWhenTheSetCloses) {
  for (int32_t number : {3, 4, 40, 9999}) WritePatient(store, Patient(number, "A1"), "");
  // The second file holds only the record of patient 10000.
  WritePatient(store, Patient(10001, "B1"), "");
  WriteFileBytes(dir / "PtData.001",
                 ReadFileBytes(dir / "PtData.001").substr(0, kPatientRecordSize));
  const std::string first = ReadFileBytes(dir / "PtData.000");

  PatientFileSet files(store, BinaryFile::Mode::kReadWrite, /*hold_records=*/true);
  for (int32_t number : {4, 9999, 3}) {
    PatientRecord record;
    ASSERT_TRUE(files.Read(number, record));
    record.Set(patient_field::kNationalId, "Z" + std::to_string(number));
    files.Rewrite(record);
  }
  // Read back from the set; the file keeps its bytes until the set closes. A record outside the
  // held area goes to the file as it is.
  PatientRecord record;
  ASSERT_TRUE(files.Read(9999, record));
  EXPECT_EQ(record.Get(patient_field::kNationalId), "Z9999");
  EXPECT_EQ(ReadFileBytes(dir / "PtData.000"), first);
  files.Rewrite(Patient(10001, "Z10001"));
  files.Close();

  const std::string written = ReadFileBytes(dir / "PtData.000");
  ASSERT_EQ(written.size(), first.size());
  for (int32_t number = 0; number < kPatientsPerFile; ++number) {
    const size_t at = size_t(number) * kPatientRecordSize;
    PatientRecord stored;
    stored.Assign(std::string_view(written).substr(at, kPatientRecordSize));
    if (number == 3 || number == 4 || number == 9999) {
      EXPECT_EQ(stored.Get(patient_field::kNationalId), "Z" + std::to_string(number));
      EXPECT_EQ(U32At(written, at), PatientChecksum(stored)) << number;
    } else {
      ASSERT_EQ(written.substr(at, kPatientRecordSize), first.substr(at, kPatientRecordSize))
          << number;
    }
  }
  ASSERT_TRUE(ReadPatient(store, 10001, record));
  EXPECT_EQ(record.Get(patient_field::kNationalId), "Z10001");
}

TEST_F(PatientStoreTest, HeldRecordsReachTheFileWhenTheSetIsLetGo) {
  WritePatient(store, Patient(7, "A1"), "");
  {
    PatientFileSet files(store, BinaryFile::Mode::kReadWrite, /*hold_records=*/true);
    PatientRecord record;
    ASSERT_TRUE(files.Read(7, record));
    record.Set(patient_field::kNationalId, "Z7");
    files.Rewrite(record);
  }
  PatientRecord record;
  ASSERT_TRUE(ReadPatient(store, 7, record));
  EXPECT_EQ(record.Get(patient_field::kNationalId), "Z7");
}

}  // namespace
}  // namespace zuvo
