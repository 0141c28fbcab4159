#include "platform/dbf_memo_file.h"

#include <cstring>
#include <string>

#include "platform/error.h"

namespace zuvo {

namespace {

uint32_t LittleEndian32(const unsigned char* bytes) {
  return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}
uint32_t BigEndian32(const unsigned char* bytes) {
  return static_cast<uint32_t>(bytes[0]) << 24 | bytes[1] << 16 | bytes[2] << 8 | bytes[3];
}

}  // namespace

DbfMemoFile::DbfMemoFile(const std::filesystem::path& file, DbfMemoFormat format,
                         bool dbase4_header)
    : path_(file), file_(file), format_(format) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(file_.bytes().data());
  size_t size = file_.bytes().size();
  if (format == DbfMemoFormat::kFoxProFpt) {
    if (size >= kFptBlockSizeOffset + 2)
      block_size_ = bytes[kFptBlockSizeOffset] << 8 | bytes[kFptBlockSizeOffset + 1];
  } else if (!dbase4_header) {
    block_size_ = kDbase3BlockSize;
  } else if (size >= kDbase4BlockSizeOffset + 2) {
    block_size_ = bytes[kDbase4BlockSizeOffset] | bytes[kDbase4BlockSizeOffset + 1] << 8;
    if (block_size_ == 0) block_size_ = kDbase3BlockSize;
  }
}

void DbfMemoFile::Fail(uint64_t block, const std::string& what) const {
  throw Error("memo block " + std::to_string(block) + " of " + path_.string() + " " + what);
}

std::string_view DbfMemoFile::Read(uint64_t block) const {
  if (block == 0) return {};
  if (block_size_ == 0) Fail(block, "cannot be read: the memo file states no block size");
  if (block > file_.bytes().size() / block_size_) Fail(block, "lies past the end of the file");
  uint64_t offset = block * block_size_;
  if (offset >= file_.bytes().size()) Fail(block, "lies past the end of the file");
  // A .DBT header is block 0; a .FPT header is 512 bytes whatever the block size.
  if (format_ == DbfMemoFormat::kFoxProFpt && offset < kFptHeaderSize)
    Fail(block, "lies inside the file header");
  std::optional<std::string_view> memo =
      format_ == DbfMemoFormat::kFoxProFpt ? ReadFoxPro(offset) : ReadDbase(offset);
  if (!memo) Fail(block, "runs past the end of the file");
  return *memo;
}

std::optional<std::string_view> DbfMemoFile::ReadDbase(uint64_t offset) const {
  std::string_view rest = file_.bytes().substr(offset);
  if (rest.size() >= kDbase4BlockHeaderSize &&
      std::memcmp(rest.data(), kDbase4BlockSignature, sizeof kDbase4BlockSignature) == 0) {
    uint32_t length =
        LittleEndian32(reinterpret_cast<const unsigned char*>(rest.data()) + kDbase4LengthOffset);
    if (length < kDbase4BlockHeaderSize || length > rest.size()) return std::nullopt;
    return rest.substr(kDbase4BlockHeaderSize, length - kDbase4BlockHeaderSize);
  }
  // dBase III: the text runs to the first end mark (or to the end of a cut-short file).
  return rest.substr(0, rest.find(static_cast<char>(kDbase3MemoEnd)));
}

std::optional<std::string_view> DbfMemoFile::ReadFoxPro(uint64_t offset) const {
  std::string_view rest = file_.bytes().substr(offset);
  if (rest.size() < kFptBlockHeaderSize) return std::nullopt;
  uint32_t length =
      BigEndian32(reinterpret_cast<const unsigned char*>(rest.data()) + kFptLengthOffset);
  if (length > rest.size() - kFptBlockHeaderSize) return std::nullopt;
  return rest.substr(kFptBlockHeaderSize, length);
}

}  // namespace zuvo
