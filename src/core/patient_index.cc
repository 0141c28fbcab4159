#include "core/patient_index.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/binary_file.h"
#include "core/day_number.h"
#include "core/patient_store.h"
#include "core/roc_date.h"
#include "platform/big5.h"
#include "platform/file_ops.h"

namespace zuvo {
namespace {

using namespace patient_index;

// The four tables of the index, in file order.
enum class Table { kId, kBirthday, kName, kTelephone };

// The in-memory image of the index file.
class IndexImage {
 public:
  IndexImage() : bytes_(kTablesEnd, '\0') {
    StoreI32(bytes_.data() + 0, static_cast<int32_t>(kIdTableOffset));
    StoreI32(bytes_.data() + 4, static_cast<int32_t>(kBirthdayTableOffset));
    StoreI32(bytes_.data() + 8, static_cast<int32_t>(kNameTableOffset));
    StoreI32(bytes_.data() + 12, static_cast<int32_t>(kTelephoneTableOffset));
  }

  // Puts `entry` (its first 4 bytes the patient number, never 0) into the first free entry of
  // the bucket's block chain, appending an overflow block linked from the chain's last block when
  // that is full. Entries are only ever added, so a chain fills in order and its free entries all
  // lie in its last block: keeping each bucket's last block and its count of entries in use makes
  // an insert cost the same however long the chain (a common name or birthday makes long ones).
  void Insert(Table which, size_t bucket, std::string_view entry) {
    TableChains& table = tables_[static_cast<size_t>(which)];
    ChainEnd& end = table.ends[bucket];
    if (end.used == PatientIndexTable::kEntriesPerBlock) {
      const size_t appended = bytes_.size();
      char* next_field =
          bytes_.data() + end.block + PatientIndexTable::kEntriesPerBlock * table.layout.entry_size;
      StoreI32(next_field, static_cast<int32_t>(appended));
      bytes_.resize(appended + table.layout.block_size(), '\0');
      end = {appended, 0};
    }
    entry.copy(bytes_.data() + end.block + end.used * table.layout.entry_size,
               table.layout.entry_size);
    ++end.used;
  }

  const std::string& bytes() const { return bytes_; }

 private:
  // Where a bucket's chain ends: its last block's offset and how many of its entries are in use.
  struct ChainEnd {
    size_t block = 0;
    size_t used = 0;
  };
  struct TableChains {
    TableChains(const PatientIndexTable& layout, size_t offset)
        : layout(layout), ends(layout.bucket_count) {
      for (size_t bucket = 0; bucket < ends.size(); ++bucket) {
        ends[bucket].block = offset + bucket * layout.block_size();
      }
    }
    const PatientIndexTable& layout;
    std::vector<ChainEnd> ends;  // by bucket
  };

  std::string bytes_;
  TableChains tables_[4] = {{kIdTable, kIdTableOffset},
                            {kBirthdayTable, kBirthdayTableOffset},
                            {kNameTable, kNameTableOffset},
                            {kTelephoneTable, kTelephoneTableOffset}};
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
  image.Insert(Table::kId, LastThreeDigits(id).value_or(kIdBucketOfNonNumbers), id_entry);

  // A damaged birthday (no date at all) counts as the null date.
  int32_t birthday = DayNumberOf(record.Get(patient_field::kBirthday)).value_or(0);
  std::string birthday_entry = EntryWithNumber(number, kBirthdayTable.entry_size);
  StoreI32(birthday_entry.data() + 4, birthday);
  image.Insert(Table::kBirthday, static_cast<size_t>(DayOfYearIndex(birthday)), birthday_entry);

  std::string name = big5::Trim(record.Get(patient_field::kName));
  if (name.size() >= 2) {
    auto first = static_cast<unsigned char>(name[name.size() - 2]);
    auto second = static_cast<unsigned char>(name[name.size() - 1]);
    std::string name_entry = EntryWithNumber(number, kNameTable.entry_size);
    PutText(name_entry, name, patient_field::kName.capacity);
    image.Insert(Table::kName, (first & 3u) * 256u + second, name_entry);
  }

  std::string telephone = big5::Trim(record.Get(patient_field::kTelephone));
  std::optional<size_t> telephone_bucket = LastThreeDigits(telephone);
  if (telephone.size() > 5 && telephone_bucket) {
    std::string telephone_entry = EntryWithNumber(number, kTelephoneTable.entry_size);
    PutText(telephone_entry, telephone, patient_field::kTelephone.capacity);
    image.Insert(Table::kTelephone, *telephone_bucket, telephone_entry);
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
  ForEachPatientSlot(store, [&](const PatientSlot& slot, const PatientRecord& record) {
    if (slot.number < 0) return;
    if (record.Get(patient_field::kChecksum) != PatientChecksum(record)) {
      if (mismatches++ == 0) Show(messages, "病歷號檢查碼不符:" + std::to_string(slot.number));
    }
    IndexRecord(image, record);
  });
  WriteFileAtomically(store.patient_index_path, image.bytes());
  if (mismatches > 0) Show(messages, "病歷號檢查碼不符數目:" + std::to_string(mismatches));
}

}  // namespace zuvo
