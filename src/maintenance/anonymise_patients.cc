#include "maintenance/anonymise_patients.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "core/binary_file.h"
#include "core/patient_store.h"
#include "maintenance/name_pools.h"
#include "maintenance/national_id.h"
#include "platform/big5.h"

namespace zuvo {
namespace {

constexpr int32_t kProgressEvery = 1000;

// Calls `visit(number, record)` for each valid slot of one file's records.
template <typename Visit>
void ForEachValidRecord(std::string& records, int32_t file_number, Visit&& visit) {
  const size_t slots = records.size() / kPatientRecordSize;
  PatientRecord record;
  for (size_t slot = 0; slot < slots; ++slot) {
    char* at = records.data() + slot * kPatientRecordSize;
    record.Assign(std::string_view(at, kPatientRecordSize));
    const int32_t number = record.Get(patient_field::kNumber);
    if (number <= 0 || number != file_number * kPatientsPerFile + static_cast<int32_t>(slot)) {
      continue;
    }
    if (visit(number, record)) std::memcpy(at, record.data(), kPatientRecordSize);
  }
}

NamePools CollectNamePools(const std::map<int32_t, std::filesystem::path>& files) {
  NamePools pools;
  for (const auto& [file_number, path] : files) {
    BinaryFile file(path, BinaryFile::Mode::kRead);
    std::string records = ReadPatientRecords(file);
    ForEachValidRecord(records, file_number, [&](int32_t, const PatientRecord& record) {
      pools.Offer(record.Get(patient_field::kName));
      return false;
    });
  }
  return pools;
}

// The long notes lie after the records, and every rewrite of a long note leaves its older copy
// there. Zeroes that whole area but for the notes of `kept` slots (slots the anonymiser leaves
// as they are).
void WipeNoteArea(BinaryFile& file, const std::vector<uint64_t>& kept) {
  if (file.size() <= kPatientFileRecordsSize) return;
  const uint64_t area = file.size() - kPatientFileRecordsSize;
  std::string wiped(static_cast<size_t>(area), '\0');
  for (uint64_t note : kept) {
    if (note < kPatientFileRecordsSize || note >= file.size() || file.size() - note < 4) continue;
    char word[4];
    file.ReadAt(note, 4, word);
    const uint64_t length =
        std::min<uint64_t>(4 + static_cast<uint32_t>(LoadI32(word)), file.size() - note);
    file.ReadAt(note, static_cast<size_t>(length), wiped.data() + (note - kPatientFileRecordsSize));
  }
  file.WriteAt(kPatientFileRecordsSize, wiped);
}

// The long-note offsets of the slots that are not valid but not empty either.
std::vector<uint64_t> NotesOfForeignSlots(const std::string& records, int32_t file_number) {
  std::vector<uint64_t> notes;
  const size_t slots = records.size() / kPatientRecordSize;
  PatientRecord record;
  for (size_t slot = 0; slot < slots; ++slot) {
    record.Assign(std::string_view(records.data() + slot * kPatientRecordSize, kPatientRecordSize));
    const int32_t number = record.Get(patient_field::kNumber);
    const uint32_t note = record.Get(patient_field::kLongNoteOffset);
    if (number != 0 && number != file_number * kPatientsPerFile + static_cast<int32_t>(slot) &&
        note != 0) {
      notes.push_back(note);
    }
  }
  return notes;
}

class PatientFaker {
 public:
  PatientFaker(const NamePools& pools, std::mt19937& random) : pools_(pools), random_(random) {}

  void Fake(PatientRecord& record) {
    using namespace patient_field;
    record.Set(kName, pools_.Compose([&](size_t n) { return Draw(n); }));
    const char letter = static_cast<char>('A' + Draw(26));
    const char sex_digit = Draw(2) == 0 ? '1' : '2';
    const std::string id =
        *CompleteNationalId(letter, sex_digit, static_cast<int32_t>(Draw(10'000'000)));
    record.Set(kNationalId, id);
    record.Set(kSex, id[1] == '1' ? 'M' : 'F');
    record.Set(kTelephone, "");
    record.Set(kMobile, "");
    record.Set(kAddress, big5::Literal("台中市"));
    record.Set(kInlineNote, "");
    record.Set(kLongNoteOffset, 0u);
    record.Set(kChecksum, PatientChecksum(record));
  }

 private:
  // An index 0..n-1; the plain remainder keeps a seeded run the same on every platform.
  size_t Draw(size_t n) { return static_cast<size_t>(random_() % n); }

  const NamePools& pools_;
  std::mt19937& random_;
};

}  // namespace

size_t AnonymisePatients(const StoreLocation& store, std::mt19937& random, StepContext& context) {
  const std::map<int32_t, std::filesystem::path> files = ListPatientFiles(store);
  const NamePools pools = CollectNamePools(files);
  PatientFaker faker(pools, random);
  size_t changed = 0;
  for (const auto& [file_number, path] : files) {
    BinaryFile file(path, BinaryFile::Mode::kReadWrite);
    std::string records = ReadPatientRecords(file);
    ForEachValidRecord(records, file_number, [&](int32_t number, PatientRecord& record) {
      faker.Fake(record);
      ++changed;
      context.SetChartNumber(number);
      if (number % kProgressEvery == 0) context.ProcessEvents();
      return true;
    });
    file.WriteAt(0, records);
    WipeNoteArea(file, NotesOfForeignSlots(records, file_number));
    file.Close();
  }
  return changed;
}

}  // namespace zuvo
