#include "core/patient_store.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <system_error>

#include "platform/error.h"
#include "platform/file_ops.h"

namespace zuvo {
namespace {

// File numbers above this cannot hold a positive 32-bit patient number.
constexpr int32_t kHighestFileNumber = std::numeric_limits<int32_t>::max() / kPatientsPerFile;

uint64_t SlotOffset(int32_t number) {
  return uint64_t(number % kPatientsPerFile) * kPatientRecordSize;
}

// A new file gets its 10000 empty records; a file shorter than that is filled up, so that long
// notes always land after the record area.
void FillRecordArea(BinaryFile& file) {
  if (file.size() < kPatientFileRecordsSize) {
    file.WriteAt(file.size(), std::string(kPatientFileRecordsSize - file.size(), '\0'));
  }
}

bool FileExists(const std::filesystem::path& path) {
  std::error_code error;
  return !path.empty() && std::filesystem::is_regular_file(path, error);
}

}  // namespace

std::string PatientFileName(int32_t file_number) {
  char name[32];
  std::snprintf(name, sizeof name, "PtData.%.3u", static_cast<unsigned>(file_number));
  return name;
}

PatientAddress PatientLocation(const StoreLocation& store, int32_t number) {
  if (number <= 0) return {};
  return {FindWithoutCase(store.server_data_folder, PatientFileName(number / kPatientsPerFile)),
          SlotOffset(number)};
}

uint32_t PatientChecksum(const PatientRecord& record) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(record.data());
  uint32_t checksum = 0;
  for (size_t word = 0; word < kChecksumWordCount; ++word) {
    checksum ^= LoadU32(bytes + kChecksumFirstWord + 4 * word);
  }
  return checksum;
}

void WritePatient(const StoreLocation& store, PatientRecord record, std::string_view note) {
  PatientWriter writer(store);
  writer.Write(std::move(record), note);
  writer.Close();
}

void PatientWriter::Write(PatientRecord record, std::string_view note) {
  const int32_t number = record.Get(patient_field::kNumber);
  if (number <= 0) return;
  if (number / kPatientsPerFile != file_number_ || !file_) {
    Close();
    path_ = PatientLocation(store_, number).file;
    file_ = std::make_unique<BinaryFile>(path_, BinaryFile::Mode::kOpenOrCreate);
    file_number_ = number / kPatientsPerFile;
    FillRecordArea(*file_);
  }
  BinaryFile& file = *file_;
  if (note.size() > kInlineNoteCapacity) {
    uint64_t end = file.size();
    if (end > std::numeric_limits<uint32_t>::max() ||
        note.size() > std::numeric_limits<uint32_t>::max()) {
      throw Error(path_.string() + ": the file is too large for another long note");
    }
    record.Set(patient_field::kLongNoteOffset, static_cast<uint32_t>(end));
    record.Set(patient_field::kInlineNote, "");
    std::string stored(4, '\0');
    StoreU32(reinterpret_cast<unsigned char*>(stored.data()), static_cast<uint32_t>(note.size()));
    stored.append(note);
    file.Append(stored);
  } else {
    record.Set(patient_field::kLongNoteOffset, 0u);
    record.Set(patient_field::kInlineNote, note);
  }
  record.Set(patient_field::kChecksum, PatientChecksum(record));
  file.WriteAt(SlotOffset(number), record.view());
  file.Flush();
}

void PatientWriter::Close() {
  if (!file_) return;
  std::unique_ptr<BinaryFile> file = std::move(file_);
  file_number_ = -1;
  file->Close();
}

std::string ReadPatientNote(const PatientRecord& record, ByteSource& file) {
  uint32_t offset = record.Get(patient_field::kLongNoteOffset);
  if (offset == 0) return record.Get(patient_field::kInlineNote);
  if (uint64_t{offset} + 4 > file.size()) {
    throw Error(file.name() + ": the long note of patient " +
                std::to_string(record.Get(patient_field::kNumber)) + " at offset " +
                std::to_string(offset) + " lies past the end of the file");
  }
  std::string length_bytes = file.ReadString(offset, 4);
  uint32_t length = LoadU32(reinterpret_cast<const unsigned char*>(length_bytes.data()));
  if (length > file.size() - offset - 4) {
    throw Error(file.name() + ": the long note of patient " +
                std::to_string(record.Get(patient_field::kNumber)) + " at offset " +
                std::to_string(offset) + " claims " + std::to_string(length) +
                " bytes, more than the file holds");
  }
  return file.ReadString(uint64_t{offset} + 4, length);
}

PatientFileSet::~PatientFileSet() {
  for (auto& [number, open] : open_) {
    try {
      WriteHeldRecords(open);
    } catch (const Error&) {
      // Close reports a failed write; a set let go without it writes what it can.
    }
  }
}

PatientFileSet::OpenFile* PatientFileSet::FileOf(int32_t number) {
  if (number <= 0) return nullptr;
  const int32_t file_number = number / kPatientsPerFile;
  auto found = open_.find(file_number);
  if (found != open_.end()) return &found->second;
  const PatientAddress address = PatientLocation(store_, number);
  if (!FileExists(address.file)) return nullptr;
  OpenFile open{std::make_unique<BinaryFile>(address.file, mode_), {}, {}};
  if (hold_records_) {
    open.records = ReadPatientRecords(*open.file);
    open.written.assign(open.records.size() / kPatientRecordSize, false);
  }
  return &open_.emplace(file_number, std::move(open)).first->second;
}

bool PatientFileSet::Read(int32_t number, PatientRecord& record, std::string* note) {
  OpenFile* open = FileOf(number);
  if (open == nullptr) {
    record.Set(patient_field::kNumber, 0);
    return false;
  }
  const uint64_t offset = SlotOffset(number);
  if (offset < open->records.size()) {
    record.Assign(std::string_view(open->records).substr(offset, kPatientRecordSize));
  } else {
    open->file->ReadAt(offset, kPatientRecordSize, record.data());
  }
  if (note != nullptr) *note = ReadPatientNote(record, *open->file);
  return record.Get(patient_field::kNumber) == number;
}

void PatientFileSet::Rewrite(PatientRecord record) {
  const int32_t number = record.Get(patient_field::kNumber);
  OpenFile* open = FileOf(number);
  if (open == nullptr) return;
  record.Set(patient_field::kChecksum, PatientChecksum(record));
  const uint64_t offset = SlotOffset(number);
  if (offset < open->records.size()) {
    open->records.replace(offset, kPatientRecordSize, record.view());
    open->written[offset / kPatientRecordSize] = true;
  } else {
    open->file->WriteAt(offset, record.view());
  }
}

void PatientFileSet::WriteHeldRecords(OpenFile& open) {
  // Runs of rewritten records, a run taking in up to this many records between two rewritten
  // ones: their held bytes are those of the file.
  constexpr size_t kGap = 16;
  const size_t slots = open.written.size();
  for (size_t slot = 0; slot < slots;) {
    if (!open.written[slot]) {
      ++slot;
      continue;
    }
    size_t end = slot + 1;
    for (size_t next = end; next < slots && next - end <= kGap; ++next) {
      if (open.written[next]) end = next + 1;
    }
    std::fill(open.written.begin() + slot, open.written.begin() + end, false);
    open.file->WriteAt(slot * kPatientRecordSize,
                       std::string_view(open.records)
                           .substr(slot * kPatientRecordSize, (end - slot) * kPatientRecordSize));
    slot = end;
  }
}

void PatientFileSet::Close() {
  while (!open_.empty()) {
    OpenFile open = std::move(open_.begin()->second);
    open_.erase(open_.begin());
    WriteHeldRecords(open);
    open.file->Close();
  }
}

bool ReadPatient(const StoreLocation& store, int32_t number, PatientRecord& record) {
  return PatientFileSet(store).Read(number, record);
}

bool ReadPatientWithNote(const StoreLocation& store, int32_t number, PatientRecord& record,
                         std::string& note) {
  note.clear();
  return PatientFileSet(store).Read(number, record, &note);
}

void RewritePatient(const StoreLocation& store, PatientRecord record) {
  PatientFileSet files(store, BinaryFile::Mode::kReadWrite);
  files.Rewrite(std::move(record));
  files.Close();
}

void SetChartHead(const StoreLocation& store, int32_t number, int32_t file_code, int32_t offset) {
  PatientAddress address = PatientLocation(store, number);
  if (!FileExists(address.file)) return;
  BinaryFile file(address.file, BinaryFile::Mode::kReadWrite);
  PatientRecord record;
  file.ReadAt(address.offset, kPatientRecordSize, record.data());
  record.Set(patient_field::kChartFileCode, file_code);
  record.Set(patient_field::kChartOffset, offset);
  record.Set(patient_field::kChecksum, PatientChecksum(record));
  file.WriteAt(address.offset, record.view());
  file.Close();
}

std::map<int32_t, std::filesystem::path> ListPatientFiles(const StoreLocation& store) {
  std::map<int32_t, std::filesystem::path> files;
  for (const std::filesystem::path& path : ListByWildcard(store.server_data_folder, "PTdata.*")) {
    std::string extension = path.extension().string().substr(1);
    if (extension.empty() || extension.size() > 9 ||
        extension.find_first_not_of("0123456789") != std::string::npos) {
      continue;
    }
    int32_t file_number = std::stoi(extension);
    std::error_code error;
    if (file_number > kHighestFileNumber || !std::filesystem::is_regular_file(path, error))
      continue;
    files.emplace(file_number, path);
  }
  return files;
}

std::string ReadPatientRecords(BinaryFile& file) {
  uint64_t whole_records = std::min(file.size(), kPatientFileRecordsSize) / kPatientRecordSize;
  return file.ReadString(0, static_cast<size_t>(whole_records * kPatientRecordSize));
}

void PatientFileRecords::Replace(const PatientSlot& slot, const PatientRecord& record) {
  std::memcpy(records_.data() + size_t(slot.slot) * kPatientRecordSize, record.data(),
              kPatientRecordSize);
}

void ForEachPatientFile(const StoreLocation& store, BinaryFile::Mode mode,
                        const std::function<void(PatientFileRecords&)>& visit) {
  for (const auto& [file_number, path] : ListPatientFiles(store)) {
    PatientFileRecords file(file_number, path, mode);
    visit(file);
    file.file().Close();
  }
}

int32_t HighestPatientFile(const StoreLocation& store) {
  auto files = ListPatientFiles(store);
  return files.empty() ? -1 : files.rbegin()->first;
}

int32_t HighestPatientNumber(const StoreLocation& store) {
  auto files = ListPatientFiles(store);
  for (auto it = files.rbegin(); it != files.rend(); ++it) {
    BinaryFile file(it->second, BinaryFile::Mode::kRead);
    size_t slots = static_cast<size_t>(std::min<uint64_t>(file.size(), kPatientFileRecordsSize) /
                                       kPatientRecordSize);
    std::string records = file.ReadString(0, slots * kPatientRecordSize);
    for (size_t slot = slots; slot-- > 0;) {
      int32_t number =
          LoadI32(records.data() + slot * kPatientRecordSize + patient_field::kNumber.offset);
      if (number != 0 && number == it->first * kPatientsPerFile + static_cast<int32_t>(slot)) {
        return number;
      }
    }
  }
  return 0;
}

}  // namespace zuvo
