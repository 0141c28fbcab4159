#pragma once

// The patient record store: files PtData.NNN in the server data folder, 10000 records of 269
// bytes each (patient n in file n / 10000, slot n % 10000), long notes appended after them.
// Every routine opens and closes its own file; file errors throw Error naming the file.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/binary_file.h"
#include "core/patient_record.h"
#include "core/store_location.h"

namespace zuvo {

inline constexpr int32_t kPatientsPerFile = 10000;
inline constexpr uint64_t kPatientFileRecordsSize = uint64_t{kPatientsPerFile} * kPatientRecordSize;

struct PatientAddress {
  std::filesystem::path file;  // empty for a number <= 0
  uint64_t offset = 0;         // byte offset of the slot
};

// "PtData.002" for file number 2.
std::string PatientFileName(int32_t file_number);
// The file and slot offset of patient `number`; an existing file whose name differs only in
// letter case is found.
PatientAddress PatientLocation(const StoreLocation& store, int32_t number);
uint32_t PatientChecksum(const PatientRecord& record);

// Stores `record` in the slot its number field selects, creating the file (10000 empty records)
// when needed. A note longer than 100 bytes is appended to the file (length word + bytes) and
// its offset stored in the record; a shorter one goes inline. Sets the checksum. Does nothing
// for a number <= 0.
void WritePatient(const StoreLocation& store, PatientRecord record, std::string_view note);

// Writes records one after another as WritePatient does, keeping the file of the last record
// open, so that a step writing a clinic's patients in order opens each patient file once. Each
// record reaches the file before Write returns, as with WritePatient.
class PatientWriter {
 public:
  explicit PatientWriter(StoreLocation store) : store_(std::move(store)) {}
  PatientWriter(const PatientWriter&) = delete;
  PatientWriter& operator=(const PatientWriter&) = delete;

  void Write(PatientRecord record, std::string_view note);
  // Closes the open file; throws Error when its writes cannot be completed. The destructor
  // closes without throwing.
  void Close();

 private:
  StoreLocation store_;
  int32_t file_number_ = -1;
  std::unique_ptr<BinaryFile> file_;
  std::filesystem::path path_;
};
// Reads the slot of `number` into `record`; true when it holds that patient. Without a file (or
// for a number <= 0) the record's number is set to 0 and the result is false. The checksum is not
// verified.
bool ReadPatient(const StoreLocation& store, int32_t number, PatientRecord& record);
// As ReadPatient, and the note (inline or long) in `note`, whether or not the slot is valid.
// Throws Error when a long note's offset or length points past the end of the file.
bool ReadPatientWithNote(const StoreLocation& store, int32_t number, PatientRecord& record,
                         std::string& note);
// The note of `record`, read from `file` (the record's own patient file) when it is long.
std::string ReadPatientNote(const PatientRecord& record, ByteSource& file);
// Writes `record` over its slot in an existing patient file with a fresh checksum; the note stays
// where the record says it is (no copy of a long note is appended, so rewriting a record any
// number of times leaves the file's size alone). Does nothing for a number <= 0 or a missing
// file.
void RewritePatient(const StoreLocation& store, PatientRecord record);
// The patient files of one store, each opened when it is first needed and kept open until Close
// (or the set's end): for a step that reads or rewrites the records of many patients one by one.
// With `hold_records`, each file's record area is read whole when the file is opened, records
// are read from it and rewritten into it, and the rewritten ones are written to the file in
// runs by Close (or, without reporting errors, by the set's end): for a step that visits most
// patients of the store in no particular order.
class PatientFileSet {
 public:
  explicit PatientFileSet(StoreLocation store, BinaryFile::Mode mode = BinaryFile::Mode::kRead,
                          bool hold_records = false)
      : store_(std::move(store)), mode_(mode), hold_records_(hold_records) {}
  ~PatientFileSet();
  PatientFileSet(const PatientFileSet&) = delete;
  PatientFileSet& operator=(const PatientFileSet&) = delete;

  // As ReadPatient, and as ReadPatientWithNote when `note` is given.
  bool Read(int32_t number, PatientRecord& record, std::string* note = nullptr);
  // As RewritePatient; the set must be open for writing.
  void Rewrite(PatientRecord record);
  // Writes the held records that were rewritten and closes every open file; throws Error when a
  // file's writes cannot be completed.
  void Close();

 private:
  struct OpenFile {
    std::unique_ptr<BinaryFile> file;
    std::string records;        // the held record area
    std::vector<bool> written;  // per held record: rewritten since it was read
  };
  // The file holding patient `number`; nullptr for a number <= 0 or a missing file.
  OpenFile* FileOf(int32_t number);
  static void WriteHeldRecords(OpenFile& open);
  StoreLocation store_;
  BinaryFile::Mode mode_;
  bool hold_records_;
  std::map<int32_t, OpenFile> open_;  // by file number
};

// Sets the chart chain head of an existing record and its checksum; nothing else changes.
void SetChartHead(const StoreLocation& store, int32_t number, int32_t file_code, int32_t offset);
// The whole records of an open patient file (up to 10000 of them, fewer when the file is
// truncated), as one block of bytes.
std::string ReadPatientRecords(BinaryFile& file);
// The store's files PTdata.NNN (any letter case) by file number; names whose extension is not a
// number, or too large a number to hold a patient, are left out.
std::map<int32_t, std::filesystem::path> ListPatientFiles(const StoreLocation& store);

// A slot of a patient file that holds a number (an empty slot, number 0, holds no patient).
struct PatientSlot {
  int32_t file_number = 0;  // NNN of the file PTdata.NNN
  int32_t slot = 0;         // 0 .. kPatientsPerFile - 1
  int32_t number = 0;       // the record's number field, never 0
  // The patient number whose slot this is.
  int32_t Address() const { return file_number * kPatientsPerFile + slot; }
  // The slot holds the patient whose slot it is; any other number is a damaged slot.
  bool Valid() const { return number == Address(); }
};

// One patient file of a store during a scan (ForEachPatientFile): open, its whole records read
// once. A visitor may change records in what was read (Replace) and write them back (WriteBack).
class PatientFileRecords {
 public:
  PatientFileRecords(int32_t file_number, const std::filesystem::path& path, BinaryFile::Mode mode)
      : file_number_(file_number), file_(path, mode), records_(ReadPatientRecords(file_)) {}
  PatientFileRecords(const PatientFileRecords&) = delete;
  PatientFileRecords& operator=(const PatientFileRecords&) = delete;

  int32_t file_number() const { return file_number_; }
  const std::filesystem::path& path() const { return file_.path(); }
  BinaryFile& file() { return file_; }

  // Calls visit(const PatientSlot&, PatientRecord&) with a copy of the record of each slot
  // whose number is not 0, in slot order.
  template <typename Visit>
  void ForEachSlot(Visit&& visit) {
    const size_t slot_count = records_.size() / kPatientRecordSize;
    PatientRecord record;
    for (size_t slot = 0; slot < slot_count; ++slot) {
      const char* at = records_.data() + slot * kPatientRecordSize;
      const int32_t number = LoadI32(at + patient_field::kNumber.offset);
      if (number == 0) continue;
      record.Assign(std::string_view(at, kPatientRecordSize));
      visit(PatientSlot{file_number_, static_cast<int32_t>(slot), number}, record);
    }
  }
  // Puts `record` in the place of the slot's record in what was read; the file is not written.
  void Replace(const PatientSlot& slot, const PatientRecord& record);
  // Writes the records read, with those replaced, over the file's record area.
  void WriteBack() { file_.WriteAt(0, records_); }

 private:
  int32_t file_number_;
  BinaryFile file_;
  std::string records_;
};

// The one scan of a store's patient records: for each file of ListPatientFiles in number order,
// opens it in `mode`, reads its whole records and calls visit(PatientFileRecords&), then closes
// the file (Close: a write that cannot be completed throws Error naming the file).
void ForEachPatientFile(const StoreLocation& store, BinaryFile::Mode mode,
                        const std::function<void(PatientFileRecords&)>& visit);
// ForEachPatientFile reading each file, and ForEachSlot of each: visit(const PatientSlot&,
// PatientRecord&) for every slot whose number is not 0, in file and slot order.
template <typename Visit>
void ForEachPatientSlot(const StoreLocation& store, Visit&& visit) {
  ForEachPatientFile(store, BinaryFile::Mode::kRead,
                     [&visit](PatientFileRecords& file) { file.ForEachSlot(visit); });
}

// Highest NNN of the files PTdata.NNN (any letter case) in the store, -1 when there is none.
int32_t HighestPatientFile(const StoreLocation& store);
// Highest number whose slot is valid, 0 when no file holds a valid slot.
int32_t HighestPatientNumber(const StoreLocation& store);

}  // namespace zuvo
