#pragma once

// The header of a dBase table, read from the table's bytes: the fixed part, then one descriptor
// per field. Two layouts exist: 32-byte descriptors after a 32-byte fixed part (dBase III/IV/5,
// Clipper, FoxPro, Visual FoxPro) and 48-byte descriptors after a 68-byte fixed part (dBase 7,
// whose fixed part also names its language driver).

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace zuvo {

// How a field's bytes hold its value; decided by the field type, the table version and the width.
enum class DbfFieldKind : uint8_t {
  kText,            // C, and any type this reader does not know: the bytes as they are
  kNumber,          // N, F: decimal text, right-aligned
  kDate,            // D: "yyyymmdd"
  kLogical,         // L: T/t/Y/y, F/f/N/n, '?' or blank for none
  kMemoText,        // M: block number of a text in the memo file
  kMemoBinary,      // G, P, W, and B outside Visual FoxPro: block number of bytes in the memo file
  kInteger,         // I of Visual FoxPro: little-endian int32
  kOrderedInteger,  // I and + of dBase 7: big-endian int32 with the sign bit inverted
  kCurrency,        // Y: little-endian int64 of ten-thousandths
  kDateTime,        // T: little-endian int32 Julian day, then int32 milliseconds of the day
  kDouble,          // B of Visual FoxPro: little-endian IEEE double
  kOrderedDouble,   // O of dBase 7: big-endian IEEE double, sign bit inverted (negative: all bits)
  kTimestamp,       // @ of dBase 7: big-endian IEEE double of milliseconds, 0001-01-01 = day 1
  kVarText,         // V: text; when its length bit is set the last byte holds the length
  kVarBinary,       // Q: bytes, stored as V
  kNullFlags,       // 0 (_NullFlags): the null and length bits of the other fields
};

// Visual FoxPro field flags (descriptor byte 18).
constexpr uint8_t kDbfFieldSystem = 0x01;    // hidden system field such as _NullFlags
constexpr uint8_t kDbfFieldNullable = 0x02;  // the field has a bit in _NullFlags that marks null
constexpr uint8_t kDbfFieldBinary = 0x04;    // text kept without code-page translation
constexpr uint8_t kDbfFieldAutoIncrement = 0x08;

struct DbfField {
  std::string name;   // as stored in the header (ASCII as a rule, Big5 in some tables)
  char type = 'C';    // 'C', 'N', 'F', 'D', 'L', 'M', 'T', ...
  int width = 0;      // bytes in the record
  int decimals = 0;   // N, F, B, Y and O only; 0 for the other types
  size_t offset = 0;  // from the start of the record: byte 0 is the deletion flag, so the
                      // first field is at 1
  DbfFieldKind kind = DbfFieldKind::kText;
  uint8_t flags = 0;  // Visual FoxPro field flags (kDbfFieldNullable, ...); 0 in other tables
  // Bits of the record's _NullFlags field (bit 0 is the low bit of its first byte), -1 when
  // the field has none: the bit that marks the value null, and for V and Q the bit that says
  // the value is shorter than the field, its length in the field's last byte.
  int null_bit = -1;
  int length_bit = -1;
};

struct DbfHeader {
  uint8_t version = 0;  // byte 0
  uint8_t language_driver = 0;
  std::string language_driver_name;  // dBase 7 only ("DB866RU0", ...), else empty
  uint32_t record_count = 0;         // as the header states it
  size_t header_length = 0;          // where the first record starts
  size_t record_length = 0;          // deletion flag and fields
  std::vector<DbfField> fields;
  int null_flags_field = -1;  // index of the _NullFlags field, -1 when there is none
};

// dBase 7 tables (version 0x04, 0x8C) have the 48-byte descriptors.
constexpr bool IsDbase7Version(uint8_t version) { return (version & 0x07) == 0x04; }
// Visual FoxPro tables (0x30, 0x31 with autoincrement, 0x32 with varchar/varbinary fields).
constexpr bool IsVisualFoxProVersion(uint8_t version) {
  return version == 0x30 || version == 0x31 || version == 0x32;
}

// Reads the header of the table whose whole file is `bytes`. Field widths are the descriptors'
// width bytes, except that a C field takes its decimal-count byte as the high byte of its width
// (as Clipper and FoxPro store C fields wider than 255 bytes) when, and only when, the widths
// read that way add up to the record length. Throws Error naming `file` when the header is
// shorter than its fixed part, its length runs past the file or leaves no room for a field, the
// record length is 0, the descriptors run past the header length without a terminator (0x0D, or
// 0x00 as some exporters write), a field has width 0, or the fields need more than the record
// length.
DbfHeader ReadDbfHeader(std::string_view bytes, const std::filesystem::path& file);

}  // namespace zuvo
