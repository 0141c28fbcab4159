#pragma once

// The patient search index PTdata.ind: four hash tables (national ID, birthday, name, telephone)
// of fixed-size bucket blocks, each block 100 entries and a 32-bit offset of its overflow block.
// A 16-byte header holds the four tables' file offsets.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "core/message_sink.h"
#include "core/store_location.h"

namespace zuvo {

struct PatientIndexTable {
  size_t bucket_count;
  size_t entry_size;
  static constexpr size_t kEntriesPerBlock = 100;
  constexpr size_t block_size() const { return kEntriesPerBlock * entry_size + 4; }
  constexpr size_t size() const { return bucket_count * block_size(); }
};

namespace patient_index {
inline constexpr size_t kHeaderSize = 16;
// number (4), ID upper-cased and trimmed as string[10], 1 byte of padding
inline constexpr PatientIndexTable kIdTable{1001, 16};
// number (4), birthday truncated to whole days (4)
inline constexpr PatientIndexTable kBirthdayTable{366, 8};
// number (4), trimmed name as string[20], 3 bytes of padding
inline constexpr PatientIndexTable kNameTable{1024, 28};
// number (4), trimmed telephone as string[15]
inline constexpr PatientIndexTable kTelephoneTable{1000, 20};

inline constexpr size_t kIdTableOffset = kHeaderSize;
inline constexpr size_t kBirthdayTableOffset = kIdTableOffset + kIdTable.size();
inline constexpr size_t kNameTableOffset = kBirthdayTableOffset + kBirthdayTable.size();
inline constexpr size_t kTelephoneTableOffset = kNameTableOffset + kNameTable.size();
// Overflow blocks are appended from here.
inline constexpr size_t kTablesEnd = kTelephoneTableOffset + kTelephoneTable.size();
// The bucket of an ID whose last three characters are no number.
inline constexpr size_t kIdBucketOfNonNumbers = 1000;

static_assert(kBirthdayTableOffset == 1'605'620);
static_assert(kNameTableOffset == 1'899'884);
static_assert(kTelephoneTableOffset == 4'771'180);
static_assert(kTablesEnd == 6'775'180);
}  // namespace patient_index

// Builds the index from every record of the store (the patient files of
// store.server_data_folder) and writes it to store.patient_index_path, replacing it. Records
// whose checksum does not match are indexed all the same; the first one is shown as
// "病歷號檢查碼不符:" + number and, at the end, "病歷號檢查碼不符數目:" + count. Entries go into
// their bucket's chain in patient order, overflow blocks appended to the file as chains fill; the
// time taken grows with the number of patients alone, however many share a bucket.
void BuildPatientIndex(const StoreLocation& store, const MessageSink& messages);

// The ID table of a patient index, read into memory once for many look-ups.
class PatientIdIndex {
 public:
  // Reads the whole index file. Throws Error naming the file when it cannot be read.
  static PatientIdIndex Load(const std::filesystem::path& index_file);
  explicit PatientIdIndex(std::string image) : image_(std::move(image)) {}

  // The patient number of national ID `id` (trimmed and upper-cased here): the bucket of its
  // last three characters (1000 when they are no number), that bucket's block at the ID table
  // offset of the header and the overflow blocks linked from it, searched for an entry with the
  // same ID text. 0 when none matches, for an empty ID, and when the index is damaged (a header
  // or block offset outside the file, a chain of blocks that returns to itself): a damaged
  // index finds nobody rather than reading past its end.
  int32_t FindPatientByID(std::string_view id) const;

 private:
  std::string image_;
};

}  // namespace zuvo
