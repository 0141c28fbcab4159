#pragma once

// dBase table bytes laid down by hand for tests: the fixed part of a header and the field
// descriptors, written from the published layout rather than by the code under test.

#include <cstdint>
#include <string>
#include <string_view>

namespace zuvo::testing {

// `value` as `size` little-endian bytes.
std::string LittleEndianBytes(uint64_t value, size_t size);

// The 32-byte fixed part of a header: version (byte 0), record count (4), header length (8),
// record length (10) and language driver (29); the date of last update is 2024-01-31.
std::string DbfFixedHeader(uint8_t version, uint32_t record_count, uint16_t header_length,
                           uint16_t record_length, uint8_t language_driver = 0);

// A 32-byte field descriptor: name (0, up to 11 bytes), type (11), width (16), decimal count
// (17) and Visual FoxPro flags (18).
std::string DbfDescriptor(std::string_view name, char type, uint8_t width, uint8_t decimals = 0,
                          uint8_t flags = 0);

// A 48-byte dBase 7 field descriptor: name (0, up to 32 bytes), type (32), width (33) and
// decimal count (34).
std::string Dbase7Descriptor(std::string_view name, char type, uint8_t width, uint8_t decimals = 0);

}  // namespace zuvo::testing
