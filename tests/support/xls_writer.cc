#include "support/xls_writer.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <unordered_map>

namespace zuvo::testing {
namespace {

// BIFF8 record types.
constexpr uint16_t kBof = 0x0809;
constexpr uint16_t kEof = 0x000A;
constexpr uint16_t kCodePage = 0x0042;
constexpr uint16_t kBoundSheet = 0x0085;
constexpr uint16_t kSst = 0x00FC;
constexpr uint16_t kContinue = 0x003C;
constexpr uint16_t kDimensions = 0x0200;
constexpr uint16_t kLabelSst = 0x00FD;
constexpr uint16_t kBiff8 = 0x0600;
constexpr uint16_t kGlobalsSubstream = 0x0005;
constexpr uint16_t kWorksheetSubstream = 0x0010;
constexpr uint16_t kUtf16CodePage = 1200;
constexpr size_t kMaxRecordData = 8224;
constexpr size_t kMaxRows = 65536;

// Compound file.
constexpr size_t kSectorSize = 512;
constexpr size_t kHeaderDifatEntries = 109;
constexpr size_t kEntriesPerSector = kSectorSize / 4;
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFreeSector = 0xFFFFFFFF;
constexpr uint32_t kFatSector = 0xFFFFFFFD;
constexpr uint32_t kDifatSector = 0xFFFFFFFC;
constexpr uint32_t kNoStream = 0xFFFFFFFF;
// Streams shorter than this live in the mini stream; the workbook stream is padded past it.
constexpr size_t kMiniStreamCutoff = 4096;

void Put16(std::string& out, uint16_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8);
}
void Put32(std::string& out, uint32_t value) {
  Put16(out, static_cast<uint16_t>(value & 0xFFFF));
  Put16(out, static_cast<uint16_t>(value >> 16));
}
void Set32(std::string& out, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void PutRecord(std::string& out, uint16_t type, const std::string& data) {
  if (data.size() > kMaxRecordData) throw std::logic_error("BIFF record too long");
  Put16(out, type);
  Put16(out, static_cast<uint16_t>(data.size()));
  out += data;
}

// UTF-8 → UTF-16 code units.
std::u16string Utf16(const std::string& utf8) {
  std::u16string units;
  for (size_t i = 0; i < utf8.size();) {
    auto byte = static_cast<unsigned char>(utf8[i]);
    uint32_t code = 0;
    size_t length = 1;
    if (byte < 0x80) {
      code = byte;
    } else if ((byte >> 5) == 0x6) {
      code = byte & 0x1F, length = 2;
    } else if ((byte >> 4) == 0xE) {
      code = byte & 0x0F, length = 3;
    } else {
      code = byte & 0x07, length = 4;
    }
    for (size_t k = 1; k < length && i + k < utf8.size(); ++k) {
      code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    }
    i += length;
    if (code >= 0x10000) {
      code -= 0x10000;
      units += static_cast<char16_t>(0xD800 + (code >> 10));
      units += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
      units += static_cast<char16_t>(code);
    }
  }
  return units;
}

std::string Bof(uint16_t substream) {
  std::string data;
  Put16(data, kBiff8);
  Put16(data, substream);
  Put16(data, 0x0DBB);  // build
  Put16(data, 0x07CC);  // year
  Put32(data, 0);       // file history
  Put32(data, kBiff8);  // lowest version that can read it
  return data;
}

// The shared string table as an SST record and its CONTINUE records. Every string is written
// as UTF-16 (high-byte flag 1). A string's header (count and flags) never splits; its
// characters may, and the part in the next record starts with the flags byte again.
std::string SstRecords(const std::vector<std::u16string>& strings, uint32_t total_references) {
  std::vector<std::string> records(1);
  Put32(records[0], total_references);
  Put32(records[0], static_cast<uint32_t>(strings.size()));
  for (const std::u16string& text : strings) {
    if (kMaxRecordData - records.back().size() < 3 + 2) records.emplace_back();
    Put16(records.back(), static_cast<uint16_t>(text.size()));
    records.back() += '\x01';
    for (size_t i = 0; i < text.size(); ++i) {
      if (kMaxRecordData - records.back().size() < 2) {
        records.emplace_back();
        records.back() += '\x01';
      }
      Put16(records.back(), static_cast<uint16_t>(text[i]));
    }
  }
  std::string out;
  for (size_t i = 0; i < records.size(); ++i) PutRecord(out, i == 0 ? kSst : kContinue, records[i]);
  return out;
}

std::string WorkbookStream(const std::vector<XlsSheet>& sheets) {
  std::vector<std::u16string> strings;
  std::unordered_map<std::string, uint32_t> string_index;
  uint32_t references = 0;
  auto index_of = [&](const std::string& text) {
    ++references;
    auto [it, added] = string_index.try_emplace(text, static_cast<uint32_t>(strings.size()));
    if (added) strings.push_back(Utf16(text));
    return it->second;
  };

  std::vector<std::string> substreams;
  for (const XlsSheet& sheet : sheets) {
    if (sheet.rows.size() > kMaxRows) throw std::logic_error("a sheet holds 65,536 rows at most");
    std::string out;
    PutRecord(out, kBof, Bof(kWorksheetSubstream));
    size_t columns = 0;
    for (const auto& row : sheet.rows) columns = std::max(columns, row.size());
    std::string dimensions;
    Put32(dimensions, 0);
    Put32(dimensions, static_cast<uint32_t>(sheet.rows.size()));
    Put16(dimensions, 0);
    Put16(dimensions, static_cast<uint16_t>(columns));
    Put16(dimensions, 0);
    PutRecord(out, kDimensions, dimensions);
    for (size_t r = 0; r < sheet.rows.size(); ++r) {
      for (size_t c = 0; c < sheet.rows[r].size(); ++c) {
        if (sheet.rows[r][c].empty()) continue;
        std::string cell;
        Put16(cell, static_cast<uint16_t>(r));
        Put16(cell, static_cast<uint16_t>(c));
        Put16(cell, 0);  // XF index
        Put32(cell, index_of(sheet.rows[r][c]));
        PutRecord(out, kLabelSst, cell);
      }
    }
    PutRecord(out, kEof, "");
    substreams.push_back(std::move(out));
  }

  // Globals: the sheet offsets in BOUNDSHEET depend on the globals' own length, which does not
  // depend on the offsets' values, so they are patched in afterwards.
  std::string globals;
  PutRecord(globals, kBof, Bof(kGlobalsSubstream));
  std::string code_page;
  Put16(code_page, kUtf16CodePage);
  PutRecord(globals, kCodePage, code_page);
  std::vector<size_t> offset_positions;
  for (const XlsSheet& sheet : sheets) {
    std::u16string name = Utf16(sheet.name);
    std::string data;
    offset_positions.push_back(globals.size() + 4);
    Put32(data, 0);
    data += '\0';  // visible
    data += '\0';  // worksheet
    data += static_cast<char>(name.size());
    data += '\x01';
    for (char16_t unit : name) Put16(data, static_cast<uint16_t>(unit));
    PutRecord(globals, kBoundSheet, data);
  }
  globals += SstRecords(strings, references);
  PutRecord(globals, kEof, "");

  size_t offset = globals.size();
  for (size_t i = 0; i < substreams.size(); ++i) {
    Set32(globals, offset_positions[i], static_cast<uint32_t>(offset));
    offset += substreams[i].size();
  }
  std::string stream = globals;
  for (const std::string& substream : substreams) stream += substream;
  return stream;
}

std::string CompoundFile(std::string stream) {
  // A stream below the cutoff would belong in the mini stream; zero bytes after the last EOF
  // record are never read.
  if (stream.size() < kMiniStreamCutoff) stream.resize(kMiniStreamCutoff, '\0');
  const size_t stream_sectors = (stream.size() + kSectorSize - 1) / kSectorSize;
  const size_t directory_sectors = 1;
  // FAT and DIFAT sectors count themselves: grow until everything fits.
  size_t fat_sectors = 1, difat_sectors = 0;
  for (;;) {
    size_t total = stream_sectors + directory_sectors + fat_sectors + difat_sectors;
    size_t needed_fat = (total + kEntriesPerSector - 1) / kEntriesPerSector;
    size_t needed_difat =
        needed_fat > kHeaderDifatEntries
            ? (needed_fat - kHeaderDifatEntries + kEntriesPerSector - 2) / (kEntriesPerSector - 1)
            : 0;
    if (needed_fat <= fat_sectors && needed_difat <= difat_sectors) break;
    fat_sectors = std::max(fat_sectors, needed_fat);
    difat_sectors = std::max(difat_sectors, needed_difat);
  }
  const uint32_t directory_start = static_cast<uint32_t>(stream_sectors);
  const uint32_t fat_start = directory_start + static_cast<uint32_t>(directory_sectors);
  const uint32_t difat_start = fat_start + static_cast<uint32_t>(fat_sectors);
  const size_t total_sectors = difat_start + difat_sectors;

  std::vector<uint32_t> fat(fat_sectors * kEntriesPerSector, kFreeSector);
  for (size_t i = 0; i < stream_sectors; ++i) {
    fat[i] = i + 1 < stream_sectors ? static_cast<uint32_t>(i + 1) : kEndOfChain;
  }
  fat[directory_start] = kEndOfChain;
  for (size_t i = 0; i < fat_sectors; ++i) fat[fat_start + i] = kFatSector;
  for (size_t i = 0; i < difat_sectors; ++i) fat[difat_start + i] = kDifatSector;

  std::string header;
  header += std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  header += std::string(16, '\0');  // class id
  Put16(header, 0x003E);            // minor version
  Put16(header, 0x0003);            // major version: 512-byte sectors
  Put16(header, 0xFFFE);            // byte order
  Put16(header, 9);                 // sector shift
  Put16(header, 6);                 // mini sector shift
  header += std::string(6, '\0');
  Put32(header, 0);  // directory sectors (always 0 in version 3)
  Put32(header, static_cast<uint32_t>(fat_sectors));
  Put32(header, directory_start);
  Put32(header, 0);  // transaction signature
  Put32(header, kMiniStreamCutoff);
  Put32(header, kEndOfChain);  // first mini FAT sector
  Put32(header, 0);
  Put32(header, difat_sectors > 0 ? difat_start : kEndOfChain);
  Put32(header, static_cast<uint32_t>(difat_sectors));
  for (size_t i = 0; i < kHeaderDifatEntries; ++i) {
    Put32(header, i < fat_sectors ? fat_start + static_cast<uint32_t>(i) : kFreeSector);
  }

  auto entry = [](const std::u16string& name, uint8_t type, uint32_t child, uint32_t start,
                  uint64_t size) {
    std::string out;
    for (char16_t unit : name) Put16(out, static_cast<uint16_t>(unit));
    out.resize(64, '\0');
    Put16(out, static_cast<uint16_t>((name.size() + 1) * 2));
    out += static_cast<char>(type);
    out += '\x01';  // black
    Put32(out, kNoStream);
    Put32(out, kNoStream);
    Put32(out, child);
    out += std::string(16 + 4 + 8 + 8, '\0');  // class id, state bits, times
    Put32(out, start);
    Put32(out, static_cast<uint32_t>(size));
    Put32(out, static_cast<uint32_t>(size >> 32));
    return out;
  };
  std::string directory = entry(u"Root Entry", 5, 1, kEndOfChain, 0);
  directory += entry(u"Workbook", 2, kNoStream, 0, stream.size());
  directory += entry(u"", 0, kNoStream, kFreeSector, 0);
  directory += entry(u"", 0, kNoStream, kFreeSector, 0);

  std::string file = header;
  stream.resize(stream_sectors * kSectorSize, '\0');
  file += stream;
  file += directory;
  for (uint32_t value : fat) Put32(file, value);
  // DIFAT sectors: 127 FAT sector numbers each, then the next DIFAT sector.
  for (size_t d = 0; d < difat_sectors; ++d) {
    for (size_t i = 0; i < kEntriesPerSector - 1; ++i) {
      size_t fat_index = kHeaderDifatEntries + d * (kEntriesPerSector - 1) + i;
      Put32(file,
            fat_index < fat_sectors ? fat_start + static_cast<uint32_t>(fat_index) : kFreeSector);
    }
    Put32(file, d + 1 < difat_sectors ? difat_start + static_cast<uint32_t>(d + 1) : kEndOfChain);
  }
  if (file.size() != kSectorSize * (total_sectors + 1)) throw std::logic_error("CFB size");
  return file;
}

}  // namespace

std::string XlsWorkbookBytes(const std::vector<XlsSheet>& sheets) {
  return CompoundFile(WorkbookStream(sheets));
}

void WriteXlsWorkbook(const std::filesystem::path& file, const std::vector<XlsSheet>& sheets) {
  std::string bytes = XlsWorkbookBytes(sheets);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

}  // namespace zuvo::testing
