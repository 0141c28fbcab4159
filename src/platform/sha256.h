#pragma once

// SHA-256 of FIPS 180-4: the checksum the backups of the live folders record for every file, so
// that a file changed at the same size is told from the one that was backed up.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace zuvo {

class Sha256 {
 public:
  Sha256();
  // Adds bytes to the message; may be called any number of times.
  void Update(std::string_view bytes);
  // The digest of everything added, as 64 lower-case hexadecimal digits. Ends the message:
  // further calls of Update or HexDigest are not allowed.
  std::string HexDigest();

 private:
  void Compress(const uint8_t* block);

  std::array<uint32_t, 8> state_;
  std::array<uint8_t, 64> block_{};
  size_t block_used_ = 0;
  uint64_t length_ = 0;  // bytes added so far
};

// The SHA-256 of `bytes`, hexadecimal.
std::string Sha256Hex(std::string_view bytes);
// The SHA-256 of the file's bytes, hexadecimal, read in pieces (files of any size). Throws
// Error naming the file when it cannot be opened or read.
std::string Sha256OfFile(const std::filesystem::path& file);

}  // namespace zuvo
