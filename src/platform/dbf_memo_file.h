#pragma once

// The memo file beside a dBase table: ".DBT" of dBase III (512-byte blocks, text ended by 0x1A)
// and dBase IV (blocks starting ff ff 08 00 + length), ".FPT" of FoxPro (big-endian block size
// in the file header, blocks starting with a big-endian type and length).

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/dbf_mapped_file.h"

namespace zuvo {

enum class DbfMemoFormat { kDbaseDbt, kFoxProFpt };

// dBase III .DBT header (block 0): the next free block; the rest of the block is unused.
// dBase IV .DBT header: as dBase III, plus the block size at kDbase4BlockSizeOffset.
constexpr size_t kDbase3BlockSize = 512;
constexpr size_t kDbase4BlockSizeOffset = 20;  // LE uint16
// dBase IV memo block: ff ff 08 00, then the LE uint32 length of the memo including these 8 bytes.
constexpr size_t kDbase4BlockHeaderSize = 8;
constexpr size_t kDbase4LengthOffset = 4;
constexpr unsigned char kDbase4BlockSignature[4] = {0xFF, 0xFF, 0x08, 0x00};
constexpr unsigned char kDbase3MemoEnd = 0x1A;
// FoxPro .FPT header: BE uint32 next free block, 2 unused bytes, BE uint16 block size.
constexpr size_t kFptHeaderSize = 512;
constexpr size_t kFptBlockSizeOffset = 6;
// FoxPro memo block: BE uint32 type (1 = text), BE uint32 length of the data that follows.
constexpr size_t kFptBlockHeaderSize = 8;
constexpr size_t kFptLengthOffset = 4;

class DbfMemoFile {
 public:
  // Maps `file`. `dbase4_header` says that a .DBT file carries its block size in its header
  // (tables of version 0x8B/0xCB). Throws Error when the file cannot be read; a damaged header
  // is reported by Read().
  DbfMemoFile(const std::filesystem::path& file, DbfMemoFormat format, bool dbase4_header);

  const std::filesystem::path& path() const { return path_; }

  // The memo stored from block `block` on (0 = no memo: empty). The view is valid while this
  // object lives. Throws Error naming the memo file when the block or its length lies past the
  // end of the file.
  std::string_view Read(uint64_t block) const;

 private:
  // No value when the memo's stated length runs past the end of the file.
  std::optional<std::string_view> ReadDbase(uint64_t offset) const;
  std::optional<std::string_view> ReadFoxPro(uint64_t offset) const;
  [[noreturn]] void Fail(uint64_t block, const std::string& what) const;

  std::filesystem::path path_;
  DbfMappedFile file_;
  DbfMemoFormat format_;
  uint64_t block_size_ = 0;
};

}  // namespace zuvo
