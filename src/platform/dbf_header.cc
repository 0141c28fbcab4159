#include "platform/dbf_header.h"

#include "platform/error.h"

namespace zuvo {

namespace {

// The fixed part of every header.
constexpr size_t kFixedHeaderSize = 32;
constexpr size_t kVersionOffset = 0;
constexpr size_t kRecordCountOffset = 4;    // LE uint32
constexpr size_t kHeaderLengthOffset = 8;   // LE uint16
constexpr size_t kRecordLengthOffset = 10;  // LE uint16
constexpr size_t kLanguageDriverOffset = 29;
static_assert(kLanguageDriverOffset < kFixedHeaderSize);
// dBase 7 adds the language driver's name and 4 reserved bytes to the fixed part.
constexpr size_t kDbase7LanguageNameOffset = 32;
constexpr size_t kDbase7LanguageNameSize = 32;
constexpr size_t kDbase7FixedHeaderSize = 68;
static_assert(kDbase7LanguageNameOffset + kDbase7LanguageNameSize <= kDbase7FixedHeaderSize);

constexpr char kHeaderTerminator = 0x0D;
// Some exporters write 0x00 where the terminator belongs.
constexpr char kZeroHeaderTerminator = 0x00;

// Where a descriptor keeps each item, in one of the two layouts.
struct DescriptorLayout {
  size_t fixed_header_size;  // the descriptors start here
  size_t size;
  size_t name_size;  // the name starts at 0, ended by 0x00 when shorter
  size_t type_offset;
  size_t width_offset;
  size_t decimals_offset;  // the high byte of a wide C field's width
  size_t flags_offset;     // Visual FoxPro only
};
constexpr DescriptorLayout kXbaseLayout{kFixedHeaderSize, 32, 11, 11, 16, 17, 18};
constexpr DescriptorLayout kDbase7Layout{kDbase7FixedHeaderSize, 48, 32, 32, 33, 34, 0};
static_assert(kXbaseLayout.flags_offset < kXbaseLayout.size);
static_assert(kDbase7Layout.decimals_offset < kDbase7Layout.size);

constexpr int kWidthHighByteFactor = 256;
constexpr int kDateWidth = 8;
constexpr int kLogicalWidth = 1;
constexpr int kInt32Width = 4;
constexpr int kInt64Width = 8;
// A B field of this width is Visual FoxPro's double; dBase's binary memo B is 10 wide.
constexpr int kDoubleWidth = 8;

uint32_t ReadLe32(std::string_view bytes, size_t offset) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.data() + offset);
  return b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
}
uint16_t ReadLe16(std::string_view bytes, size_t offset) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.data() + offset);
  return static_cast<uint16_t>(b[0] | b[1] << 8);
}

// The bytes up to the first 0x00, without trailing blanks.
std::string NameIn(std::string_view bytes) {
  bytes = bytes.substr(0, bytes.find('\0'));
  while (!bytes.empty() && bytes.back() == ' ') bytes.remove_suffix(1);
  return std::string(bytes);
}

DbfFieldKind KindOf(char type, int width, uint8_t version) {
  const bool dbase7 = IsDbase7Version(version);
  // A binary type whose width is not the one of its layout is shown as the bytes it holds.
  auto sized = [width](DbfFieldKind kind, int expected) {
    return width == expected ? kind : DbfFieldKind::kText;
  };
  switch (type) {
    case 'N':
    case 'F':
      return DbfFieldKind::kNumber;
    case 'D':
      return sized(DbfFieldKind::kDate, kDateWidth);
    case 'L':
      return sized(DbfFieldKind::kLogical, kLogicalWidth);
    case 'M':
      return DbfFieldKind::kMemoText;
    case 'G':
    case 'P':
    case 'W':
      return DbfFieldKind::kMemoBinary;
    case 'B':
      return width == kDoubleWidth ? DbfFieldKind::kDouble : DbfFieldKind::kMemoBinary;
    case 'I':
      return sized(dbase7 ? DbfFieldKind::kOrderedInteger : DbfFieldKind::kInteger, kInt32Width);
    case 'Y':
      return sized(DbfFieldKind::kCurrency, kInt64Width);
    case 'T':
      return sized(DbfFieldKind::kDateTime, kInt64Width);
    case 'V':
      return DbfFieldKind::kVarText;
    case 'Q':
      return DbfFieldKind::kVarBinary;
    case '0':
      return DbfFieldKind::kNullFlags;
  }
  if (!dbase7) return DbfFieldKind::kText;
  switch (type) {
    case '+':
      return sized(DbfFieldKind::kOrderedInteger, kInt32Width);
    case 'O':
      return sized(DbfFieldKind::kOrderedDouble, kInt64Width);
    case '@':
      return sized(DbfFieldKind::kTimestamp, kInt64Width);
  }
  return DbfFieldKind::kText;
}

// A descriptor as stored, before the widths are settled.
struct Descriptor {
  DbfField field;
  int width_byte = 0;
  int decimals_byte = 0;
};

class HeaderReader {
 public:
  HeaderReader(std::string_view bytes, const std::filesystem::path& file)
      : bytes_(bytes), file_(file) {}

  DbfHeader Read() {
    ReadFixedPart();
    std::vector<Descriptor> descriptors = ReadDescriptors();
    SettleWidths(descriptors);
    for (Descriptor& descriptor : descriptors) header_.fields.push_back(descriptor.field);
    AssignNullFlagBits();
    return std::move(header_);
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw Error(file_.string() + ": " + what);
  }

  void ReadFixedPart();
  std::vector<Descriptor> ReadDescriptors() const;
  void SettleWidths(std::vector<Descriptor>& descriptors) const;
  void AssignNullFlagBits();

  std::string_view bytes_;
  const std::filesystem::path& file_;
  const DescriptorLayout* layout_ = &kXbaseLayout;
  DbfHeader header_;
};

void HeaderReader::ReadFixedPart() {
  if (bytes_.size() < kFixedHeaderSize) {
    Fail("too short for a dBase header (" + std::to_string(bytes_.size()) + " bytes)");
  }
  header_.version = static_cast<uint8_t>(bytes_[kVersionOffset]);
  header_.language_driver = static_cast<uint8_t>(bytes_[kLanguageDriverOffset]);
  header_.record_count = ReadLe32(bytes_, kRecordCountOffset);
  header_.header_length = ReadLe16(bytes_, kHeaderLengthOffset);
  header_.record_length = ReadLe16(bytes_, kRecordLengthOffset);
  if (IsDbase7Version(header_.version)) layout_ = &kDbase7Layout;
  if (header_.header_length > bytes_.size()) {
    Fail("the header length " + std::to_string(header_.header_length) +
         " runs past the end of the file (" + std::to_string(bytes_.size()) + " bytes)");
  }
  if (header_.header_length < layout_->fixed_header_size + layout_->size) {
    Fail("the header length " + std::to_string(header_.header_length) +
         " leaves no room for fields");
  }
  if (header_.record_length == 0) Fail("the record length is 0");
  if (layout_ == &kDbase7Layout) {
    header_.language_driver_name =
        NameIn(bytes_.substr(kDbase7LanguageNameOffset, kDbase7LanguageNameSize));
  }
}

std::vector<Descriptor> HeaderReader::ReadDescriptors() const {
  const DescriptorLayout& layout = *layout_;
  const bool has_flags = layout_ == &kXbaseLayout && IsVisualFoxProVersion(header_.version);
  std::vector<Descriptor> descriptors;
  size_t position = layout.fixed_header_size;
  for (; position + layout.size <= header_.header_length; position += layout.size) {
    if (bytes_[position] == kHeaderTerminator || bytes_[position] == kZeroHeaderTerminator) break;
    std::string_view stored = bytes_.substr(position, layout.size);
    Descriptor descriptor;
    descriptor.field.name = NameIn(stored.substr(0, layout.name_size));
    descriptor.field.type = stored[layout.type_offset];
    descriptor.width_byte = static_cast<unsigned char>(stored[layout.width_offset]);
    descriptor.decimals_byte = static_cast<unsigned char>(stored[layout.decimals_offset]);
    if (has_flags) descriptor.field.flags = static_cast<uint8_t>(stored[layout.flags_offset]);
    descriptors.push_back(std::move(descriptor));
  }
  if (descriptors.empty()) Fail("the header describes no fields");
  if (position >= header_.header_length ||
      (bytes_[position] != kHeaderTerminator && bytes_[position] != kZeroHeaderTerminator)) {
    Fail("the field descriptors run past the header length " +
         std::to_string(header_.header_length));
  }
  return descriptors;
}

void HeaderReader::SettleWidths(std::vector<Descriptor>& descriptors) const {
  // Clipper and FoxPro keep the high byte of a C field's width in its decimal count, but Excel
  // and others write a decimal count into C fields as well: the record length decides.
  size_t narrow = 1;
  size_t wide = 1;
  for (const Descriptor& descriptor : descriptors) {
    narrow += static_cast<size_t>(descriptor.width_byte);
    wide += static_cast<size_t>(descriptor.width_byte);
    if (descriptor.field.type == 'C') {
      wide += static_cast<size_t>(descriptor.decimals_byte) * kWidthHighByteFactor;
    }
  }
  const bool widen = wide != narrow && wide == header_.record_length;
  size_t offset = 1;
  for (size_t index = 0; index < descriptors.size(); ++index) {
    Descriptor& descriptor = descriptors[index];
    DbfField& field = descriptor.field;
    field.width = descriptor.width_byte;
    if (field.type == 'C' && widen) field.width += descriptor.decimals_byte * kWidthHighByteFactor;
    if (field.width <= 0) Fail("field " + std::to_string(index + 1) + " has width 0");
    field.kind = KindOf(field.type, field.width, header_.version);
    bool has_decimals =
        field.kind == DbfFieldKind::kNumber || field.kind == DbfFieldKind::kDouble ||
        field.kind == DbfFieldKind::kOrderedDouble || field.kind == DbfFieldKind::kCurrency;
    field.decimals = has_decimals ? descriptor.decimals_byte : 0;
    field.offset = offset;
    offset += static_cast<size_t>(field.width);
  }
  if (offset > header_.record_length) {
    Fail("not a readable dBase table (its fields need " + std::to_string(offset) +
         " bytes of a record, the record length is " + std::to_string(header_.record_length) + ")");
  }
}

// Visual FoxPro hands out the bits of _NullFlags in field order: a V or Q field takes one that
// says its value is shorter than the field, then a nullable field one that marks it null (a
// nullable V field has both, the length bit first).
void HeaderReader::AssignNullFlagBits() {
  std::vector<DbfField>& fields = header_.fields;
  for (size_t index = 0; index < fields.size(); ++index) {
    if (fields[index].kind == DbfFieldKind::kNullFlags) {
      header_.null_flags_field = static_cast<int>(index);
      break;
    }
  }
  if (header_.null_flags_field < 0) return;
  const int bits = fields[static_cast<size_t>(header_.null_flags_field)].width * 8;
  int next = 0;
  auto take = [&]() { return next < bits ? next++ : -1; };
  for (DbfField& field : fields) {
    if (field.kind == DbfFieldKind::kVarText || field.kind == DbfFieldKind::kVarBinary) {
      field.length_bit = take();
    }
    if ((field.flags & kDbfFieldNullable) != 0 && field.kind != DbfFieldKind::kNullFlags) {
      field.null_bit = take();
    }
  }
}

}  // namespace

DbfHeader ReadDbfHeader(std::string_view bytes, const std::filesystem::path& file) {
  return HeaderReader(bytes, file).Read();
}

}  // namespace zuvo
