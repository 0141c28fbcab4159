#pragma once

// Fields of the Zuvo binary records: packed, little-endian integers, IEEE floats, and
// length-prefixed texts ("string[n]": one length byte, then n bytes of which `length` count).
// A record is a fixed array of bytes; each field is a named descriptor (offset, and capacity for
// texts) placed next to the record that holds it, so every access goes through one offset.

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace zuvo {

struct Int16Field {
  size_t offset;
  static constexpr size_t kSize = 2;
};
struct UInt16Field {
  size_t offset;
  static constexpr size_t kSize = 2;
};
struct Int32Field {
  size_t offset;
  static constexpr size_t kSize = 4;
};
struct UInt32Field {
  size_t offset;
  static constexpr size_t kSize = 4;
};
struct SingleField {
  size_t offset;
  static constexpr size_t kSize = 4;
};
// TDateTime: days since 1899-12-30, the fraction the time of day.
struct DateTimeField {
  size_t offset;
  static constexpr size_t kSize = 8;
};
struct CharField {
  size_t offset;
  static constexpr size_t kSize = 1;
};
// string[capacity]: 1 + capacity bytes.
struct TextField {
  size_t offset;
  size_t capacity;
};
// A run of characters without length byte ("00", the header signature).
struct BytesField {
  size_t offset;
  size_t size;
};

template <typename Field>
constexpr size_t FieldEnd(Field field) {
  return field.offset + Field::kSize;
}
constexpr size_t FieldEnd(TextField field) { return field.offset + 1 + field.capacity; }
constexpr size_t FieldEnd(BytesField field) { return field.offset + field.size; }

// Little-endian access to raw bytes; `bytes` must hold the whole value.
inline uint32_t LoadU32(const unsigned char* bytes) {
  return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 |
         uint32_t{bytes[3]} << 24;
}
inline uint16_t LoadU16(const unsigned char* bytes) {
  return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}
inline uint64_t LoadU64(const unsigned char* bytes) {
  return uint64_t{LoadU32(bytes)} | uint64_t{LoadU32(bytes + 4)} << 32;
}
inline void StoreU16(unsigned char* bytes, uint16_t value) {
  bytes[0] = static_cast<unsigned char>(value);
  bytes[1] = static_cast<unsigned char>(value >> 8);
}
inline void StoreU32(unsigned char* bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<unsigned char>(value >> (8 * i));
}
inline void StoreU64(unsigned char* bytes, uint64_t value) {
  StoreU32(bytes, static_cast<uint32_t>(value));
  StoreU32(bytes + 4, static_cast<uint32_t>(value >> 32));
}
inline int32_t LoadI32(const char* bytes) {
  return static_cast<int32_t>(LoadU32(reinterpret_cast<const unsigned char*>(bytes)));
}
inline void StoreI32(char* bytes, int32_t value) {
  StoreU32(reinterpret_cast<unsigned char*>(bytes), static_cast<uint32_t>(value));
}
inline int16_t LoadI16(const char* bytes) {
  return static_cast<int16_t>(LoadU16(reinterpret_cast<const unsigned char*>(bytes)));
}
inline void StoreI16(char* bytes, int16_t value) {
  StoreU16(reinterpret_cast<unsigned char*>(bytes), static_cast<uint16_t>(value));
}
// The 4 little-endian bytes of `value`, for building files and expected layouts.
inline std::string I32Bytes(int32_t value) {
  std::string bytes(4, '\0');
  StoreI32(bytes.data(), value);
  return bytes;
}

// A packed record of `Size` bytes, zero when constructed.
template <size_t Size>
class PackedRecord {
 public:
  static constexpr size_t kSize = Size;

  PackedRecord() { bytes_.fill(0); }

  char* data() { return reinterpret_cast<char*>(bytes_.data()); }
  const char* data() const { return reinterpret_cast<const char*>(bytes_.data()); }
  std::string_view view() const { return {data(), Size}; }
  // Replaces the whole record; `bytes` must hold exactly Size bytes.
  void Assign(std::string_view bytes) { std::memcpy(bytes_.data(), bytes.data(), Size); }

  int16_t Get(Int16Field field) const { return static_cast<int16_t>(LoadU16(At(field))); }
  uint16_t Get(UInt16Field field) const { return LoadU16(At(field)); }
  int32_t Get(Int32Field field) const { return static_cast<int32_t>(LoadU32(At(field))); }
  uint32_t Get(UInt32Field field) const { return LoadU32(At(field)); }
  float Get(SingleField field) const { return std::bit_cast<float>(LoadU32(At(field))); }
  double Get(DateTimeField field) const { return std::bit_cast<double>(LoadU64(At(field))); }
  char Get(CharField field) const { return static_cast<char>(bytes_[field.offset]); }
  // The text's `length` bytes; a length byte above the capacity counts as the capacity.
  std::string Get(TextField field) const {
    size_t length = std::min<size_t>(bytes_[field.offset], field.capacity);
    return std::string(data() + field.offset + 1, length);
  }
  std::string Get(BytesField field) const { return std::string(data() + field.offset, field.size); }

  void Set(Int16Field field, int16_t value) { StoreU16(At(field), static_cast<uint16_t>(value)); }
  void Set(UInt16Field field, uint16_t value) { StoreU16(At(field), value); }
  void Set(Int32Field field, int32_t value) { StoreU32(At(field), static_cast<uint32_t>(value)); }
  void Set(UInt32Field field, uint32_t value) { StoreU32(At(field), value); }
  void Set(SingleField field, float value) { StoreU32(At(field), std::bit_cast<uint32_t>(value)); }
  void Set(DateTimeField field, double value) {
    StoreU64(At(field), std::bit_cast<uint64_t>(value));
  }
  void Set(CharField field, char value) {
    bytes_[field.offset] = static_cast<unsigned char>(value);
  }
  // Stores at most `capacity` bytes of `text` (longer texts are cut, bytes past the length are
  // zeroed so that equal values give equal records).
  void Set(TextField field, std::string_view text) {
    size_t length = std::min(text.size(), field.capacity);
    bytes_[field.offset] = static_cast<unsigned char>(length);
    std::memcpy(bytes_.data() + field.offset + 1, text.data(), length);
    std::memset(bytes_.data() + field.offset + 1 + length, 0, field.capacity - length);
  }
  // Copies `text` into the field, padded with zero bytes or cut to its size.
  void Set(BytesField field, std::string_view text) {
    size_t length = std::min(text.size(), field.size);
    std::memcpy(bytes_.data() + field.offset, text.data(), length);
    std::memset(bytes_.data() + field.offset + length, 0, field.size - length);
  }

  friend bool operator==(const PackedRecord&, const PackedRecord&) = default;

 private:
  template <typename Field>
  unsigned char* At(Field field) {
    return bytes_.data() + field.offset;
  }
  template <typename Field>
  const unsigned char* At(Field field) const {
    return bytes_.data() + field.offset;
  }
  std::array<unsigned char, Size> bytes_;
};

}  // namespace zuvo
