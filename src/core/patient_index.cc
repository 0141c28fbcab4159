#include "core/patient_index.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

#include "core/binary_file.h"
#include "core/day_number.h"
#include "core/patient_store.h"
#include "core/roc_date.h"
#include "platform/big5.h"
#include "platform/file_ops.h"

namespace zuvo {
namespace {

using namespace patient_index;

// The in-memory image of the index file.
class IndexImage {
 public:
  IndexImage() : bytes_(kTablesEnd, '\0') {
    StoreI32(bytes_.data() + 0, static_cast<int32_t>(kIdTableOffset));
    StoreI32(bytes_.data() + 4, static_cast<int32_t>(kBirthdayTableOffset));
    StoreI32(bytes_.data() + 8, static_cast<int32_t>(kNameTableOffset));
    StoreI32(bytes_.data() + 12, static_cast<int32_t>(kTelephoneTableOffset));
  }

  // Puts `entry` (its first 4 bytes the patient number) into the first free entry of the
  // bucket's block chain, appending an overflow block when all are full.
  void Insert(const PatientIndexTable& table, size_t table_offset, size_t bucket,
              std::string_view entry) {
    size_t block = table_offset + bucket * table.block_size();
    for (;;) {
      for (size_t slot = 0; slot < PatientIndexTable::kEntriesPerBlock; ++slot) {
        char* at = bytes_.data() + block + slot * table.entry_size;
        if (LoadI32(at) == 0) {
          entry.copy(at, table.entry_size);
          return;
        }
      }
      char* next_field =
          bytes_.data() + block + PatientIndexTable::kEntriesPerBlock * table.entry_size;
      int32_t next = LoadI32(next_field);
      if (next == 0) {
        size_t appended = bytes_.size();
        StoreI32(next_field, static_cast<int32_t>(appended));
        bytes_.resize(appended + table.block_size(), '\0');
        entry.copy(bytes_.data() + appended, table.entry_size);
        return;
      }
      block = static_cast<size_t>(next);
    }
  }

  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

// 0..999 from the last three bytes of `text` when they are all digits, else empty.
std::optional<size_t> LastThreeDigits(std::string_view text) {
  std::string_view tail = text.substr(text.size() > 3 ? text.size() - 3 : 0);
  if (tail.empty() || tail.find_first_not_of("0123456789") != std::string_view::npos) {
    return std::nullopt;
  }
  return static_cast<size_t>(std::stoi(std::string(tail)));
}

std::string EntryWithNumber(int32_t number, size_t size) {
  std::string entry(size, '\0');
  StoreI32(entry.data(), number);
  return entry;
}

// A text field of an entry: length byte and up to `capacity` bytes after the number.
void PutText(std::string& entry, std::string_view text, size_t capacity) {
  std::string_view stored = text.substr(0, capacity);
  entry[4] = static_cast<char>(stored.size());
  stored.copy(entry.data() + 5, stored.size());
}

void IndexRecord(IndexImage& image, const PatientRecord& record) {
  int32_t number = record.Get(patient_field::kNumber);

  std::string id = big5::UpperAscii(big5::Trim(record.Get(patient_field::kNationalId)));
  std::string id_entry = EntryWithNumber(number, kIdTable.entry_size);
  PutText(id_entry, id, patient_field::kNationalId.capacity);
  image.Insert(kIdTable, kIdTableOffset, LastThreeDigits(id).value_or(kIdBucketOfNonNumbers),
               id_entry);

  // A damaged birthday (no date at all) counts as the null date.
  int32_t birthday = DayNumberOf(record.Get(patient_field::kBirthday)).value_or(0);
  std::string birthday_entry = EntryWithNumber(number, kBirthdayTable.entry_size);
  StoreI32(birthday_entry.data() + 4, birthday);
  image.Insert(kBirthdayTable, kBirthdayTableOffset, static_cast<size_t>(DayOfYearIndex(birthday)),
               birthday_entry);

  std::string name = big5::Trim(record.Get(patient_field::kName));
  if (name.size() >= 2) {
    auto first = static_cast<unsigned char>(name[name.size() - 2]);
    auto second = static_cast<unsigned char>(name[name.size() - 1]);
    std::string name_entry = EntryWithNumber(number, kNameTable.entry_size);
    PutText(name_entry, name, patient_field::kName.capacity);
    image.Insert(kNameTable, kNameTableOffset, (first & 3u) * 256u + second, name_entry);
  }

  std::string telephone = big5::Trim(record.Get(patient_field::kTelephone));
  std::optional<size_t> telephone_bucket = LastThreeDigits(telephone);
  if (telephone.size() > 5 && telephone_bucket) {
    std::string telephone_entry = EntryWithNumber(number, kTelephoneTable.entry_size);
    PutText(telephone_entry, telephone, patient_field::kTelephone.capacity);
    image.Insert(kTelephoneTable, kTelephoneTableOffset, *telephone_bucket, telephone_entry);
  }
}

}  // namespace

PatientIdIndex PatientIdIndex::Load(const std::filesystem::path& index_file) {
  return PatientIdIndex(ReadWholeFile(index_file));
}

int32_t PatientIdIndex::FindPatientByID(std::string_view id) const {
  const std::string wanted = big5::UpperAscii(big5::Trim(id));
  if (wanted.empty() || image_.size() < kHeaderSize) return 0;
  const size_t block_size = kIdTable.block_size();
  const size_t table = static_cast<uint32_t>(LoadI32(image_.data()));
  const size_t bucket = LastThreeDigits(wanted).value_or(kIdBucketOfNonNumbers);
  // Every block lies whole in the file, so a chain longer than the file has blocks is a cycle.
  const size_t most_blocks = image_.size() / block_size;
  size_t block = table + bucket * block_size;
  for (size_t visited = 0; visited <= most_blocks; ++visited) {
    if (block < kHeaderSize || block > image_.size() || image_.size() - block < block_size) {
      return 0;
    }
    const char* at = image_.data() + block;
    for (size_t slot = 0; slot < PatientIndexTable::kEntriesPerBlock; ++slot) {
      const char* entry = at + slot * kIdTable.entry_size;
      const int32_t number = LoadI32(entry);
      if (number == 0) continue;
      const size_t length = std::min<size_t>(static_cast<unsigned char>(entry[4]),
                                             patient_field::kNationalId.capacity);
      if (std::string_view(entry + 5, length) == wanted) return number;
    }
    const int32_t next = LoadI32(at + PatientIndexTable::kEntriesPerBlock * kIdTable.entry_size);
    if (next == 0) return 0;
    block = static_cast<uint32_t>(next);
  }
  return 0;
}

void BuildPatientIndex(const StoreLocation& store, const MessageSink& messages) {
  IndexImage image;
  int mismatches = 0;
  for (const auto& [file_number, path] : ListPatientFiles(store)) {
    BinaryFile file(path, BinaryFile::Mode::kRead);
    std::string records = ReadPatientRecords(file);
    size_t slots = records.size() / kPatientRecordSize;
    PatientRecord record;
    for (size_t slot = 0; slot < slots; ++slot) {
      record.Assign(std::string_view(records).substr(slot * kPatientRecordSize));
      int32_t number = record.Get(patient_field::kNumber);
      if (number <= 0) continue;
      if (record.Get(patient_field::kChecksum) != PatientChecksum(record)) {
        if (mismatches++ == 0) Show(messages, "病歷號檢查碼不符:" + std::to_string(number));
      }
      IndexRecord(image, record);
    }
  }
  WriteFileAtomically(store.patient_index_path, image.bytes());
  if (mismatches > 0) Show(messages, "病歷號檢查碼不符數目:" + std::to_string(mismatches));
}

}  // namespace zuvo
