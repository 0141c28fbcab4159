#include "support/dbf_bytes.h"

namespace zuvo::testing {

std::string LittleEndianBytes(uint64_t value, size_t size) {
  std::string bytes;
  for (size_t i = 0; i < size; ++i) bytes += static_cast<char>(value >> (8 * i) & 0xFF);
  return bytes;
}

std::string DbfFixedHeader(uint8_t version, uint32_t record_count, uint16_t header_length,
                           uint16_t record_length, uint8_t language_driver) {
  std::string header(32, '\0');
  header[0] = static_cast<char>(version);
  header[1] = 124;  // 2024 - 1900
  header[2] = 1;
  header[3] = 31;
  header.replace(4, 4, LittleEndianBytes(record_count, 4));
  header.replace(8, 2, LittleEndianBytes(header_length, 2));
  header.replace(10, 2, LittleEndianBytes(record_length, 2));
  header[29] = static_cast<char>(language_driver);
  return header;
}

std::string DbfDescriptor(std::string_view name, char type, uint8_t width, uint8_t decimals,
                          uint8_t flags) {
  std::string descriptor(32, '\0');
  descriptor.replace(0, name.size(), name);
  descriptor[11] = type;
  descriptor[16] = static_cast<char>(width);
  descriptor[17] = static_cast<char>(decimals);
  descriptor[18] = static_cast<char>(flags);
  return descriptor;
}

std::string Dbase7Descriptor(std::string_view name, char type, uint8_t width, uint8_t decimals) {
  std::string descriptor(48, '\0');
  descriptor.replace(0, name.size(), name);
  descriptor[32] = type;
  descriptor[33] = static_cast<char>(width);
  descriptor[34] = static_cast<char>(decimals);
  return descriptor;
}

}  // namespace zuvo::testing
