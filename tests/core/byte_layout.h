#pragma once

// Little-endian values read from raw file bytes, for checking layouts by hand.

#include <cstdint>
#include <string>

namespace zuvo::testing {

inline uint32_t U32At(const std::string& bytes, size_t offset) {
  return uint32_t(uint8_t(bytes[offset])) | uint32_t(uint8_t(bytes[offset + 1])) << 8 |
         uint32_t(uint8_t(bytes[offset + 2])) << 16 | uint32_t(uint8_t(bytes[offset + 3])) << 24;
}
inline int32_t I32At(const std::string& bytes, size_t offset) {
  return static_cast<int32_t>(U32At(bytes, offset));
}
inline int16_t I16At(const std::string& bytes, size_t offset) {
  return int16_t(uint16_t(uint8_t(bytes[offset])) | uint16_t(uint8_t(bytes[offset + 1])) << 8);
}

}  // namespace zuvo::testing
