#include "catalogue/staff_file.h"

#include <array>
#include <bit>
#include <cstdint>
#include <fstream>
#include <iterator>

#include "platform/base64.h"
#include "platform/big5.h"
#include "platform/error.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using namespace staff_record;

struct TextField {
  std::string_view column;
  size_t offset;
  size_t width;
};

// The ID is the first text field (and the staff table's key).
constexpr size_t kIdField = 0;
constexpr std::array<TextField, 10> kTextFields = {{
    {"ID", kIdOffset, kIdWidth},
    {"NAME", kNameOffset, kNameWidth},
    {"ID_PASSWORD", kPasswordOffset, kPasswordWidth},
    {"ID_level", kLevelOffset, kLevelWidth},
    {"department", kDepartmentOffset, kDepartmentWidth},
    {"SEX", kSexOffset, kSexWidth},
    {"TITLE", kTitleOffset, kTitleWidth},
    {"department2", kDepartment2Offset, kDepartment2Width},
    {"department3", kDepartment3Offset, kDepartment3Width},
    {"OPDNO", kOpdNoOffset, kOpdNoWidth},
}};

void PutDouble(std::string& record, size_t offset, double value) {
  uint64_t bits = std::bit_cast<uint64_t>(value);
  for (size_t i = 0; i < sizeof bits; ++i) {
    record[offset + i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
  }
}

double GetDouble(std::string_view record, size_t offset) {
  uint64_t bits = 0;
  for (size_t i = 0; i < sizeof bits; ++i) {
    bits |= static_cast<uint64_t>(static_cast<unsigned char>(record[offset + i])) << (8 * i);
  }
  return std::bit_cast<double>(bits);
}

// A text whose last byte is a lead byte without its trail byte loses that byte.
std::string WithoutBrokenLastCharacter(std::string text) {
  size_t last_start = 0, last_length = 0;
  big5::ForEachChar(text, [&](std::string_view character, size_t offset) {
    last_start = offset;
    last_length = character.size();
  });
  if (last_length == 1 && big5::IsLeadByte(static_cast<unsigned char>(text[last_start]))) {
    text.pop_back();
  }
  return text;
}

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw Error("cannot open " + file.string());
  std::string bytes((std::istreambuf_iterator<char>(in)), {});
  if (in.bad()) throw Error("cannot read " + file.string());
  return bytes;
}

}  // namespace

MemoryTable DefineStaffTable() {
  std::vector<MemoryColumn> columns;
  for (const TextField& field : kTextFields) {
    columns.push_back({std::string(field.column), ColumnKind::kText});
    if (field.column == "ID_PASSWORD") columns.push_back({"Birthday", ColumnKind::kDateTime});
  }
  return MemoryTable("staff", columns, "ID");
}

MemoryTable LoadStaffFile(const fs::path& member_scr, const MessageSink& report) {
  std::string text;
  for (char c : ReadFile(member_scr)) {
    if (c != '-' && c != '\r' && c != '\n') text += c;
  }
  std::string bytes;
  try {
    bytes = DecodeBase64(text);
  } catch (const Error& error) {
    throw Error(member_scr.string() + ": " + error.what());
  }
  MemoryTable staff = DefineStaffTable();
  for (size_t start = 0; start + kSize <= bytes.size(); start += kSize) {
    std::string_view record = std::string_view(bytes).substr(start, kSize);
    try {
      std::vector<std::string> texts;
      for (const TextField& field : kTextFields) {
        size_t length =
            std::min<size_t>(static_cast<unsigned char>(record[field.offset]), field.width);
        texts.push_back(
            WithoutBrokenLastCharacter(std::string(record.substr(field.offset + 1, length))));
      }
      const std::string& id = texts[kIdField];
      if (staff.Locate({"ID"}, {id})) {
        Show(report, "MEMBER.SCR身分證號重複,以後面的資料為準:" + big5::ToUtf8Escaped(id));
        staff.Edit();
      } else {
        staff.Append();
      }
      for (size_t i = 0; i < kTextFields.size(); ++i) {
        staff.SetText(kTextFields[i].column, texts[i]);
      }
      staff.SetNumber("Birthday", GetDouble(record, kBirthdayOffset));
      staff.Post();
    } catch (const Error& error) {
      throw Error(member_scr.string() + ", record " + std::to_string(start / kSize + 1) + ": " +
                  error.what());
    }
  }
  staff.First();
  return staff;
}

void SaveStaffFile(RecordSet& staff, const fs::path& member_scr) {
  std::string records;
  for (staff.First(); !staff.Eof(); staff.Next()) {
    std::string record(kSize, '\0');
    for (const TextField& field : kTextFields) {
      std::string value = big5::CutBytes(staff.Text(field.column), field.width);
      record[field.offset] = static_cast<char>(value.size());
      record.replace(field.offset + 1, value.size(), value);
    }
    PutDouble(record, kBirthdayOffset, staff.IsNull("Birthday") ? 0.0 : staff.Number("Birthday"));
    records += record;
  }
  // The encoder never breaks lines, so there is no CR LF to turn into "-".
  std::string line = records.empty() ? "" : EncodeBase64(records) + "\r\n";
  fs::path partial = member_scr;
  partial += ".partial";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out.write(line.data(), static_cast<std::streamsize>(line.size()));
    out.close();
    if (!out) throw Error("cannot write " + partial.string());
  }
  std::error_code error;
  fs::rename(partial, member_scr, error);
  if (error) throw Error("cannot write " + member_scr.string() + ": " + error.message());
}

bool AddConvertedStaffMember(RecordSet& staff, const NewStaffMember& member, DateTime today) {
  const bool replaces = staff.Locate({"ID"}, {Param(member.id)});
  if (replaces) {
    staff.Edit();
  } else {
    staff.Append();
    staff.SetText("ID", member.id);
  }
  staff.SetText("NAME", member.name);
  staff.SetText("ID_PASSWORD", member.password);
  staff.SetNumber("Birthday", member.birthday != 0 ? member.birthday : today);
  staff.SetText("ID_level", member.level);
  staff.SetText("department", "");
  staff.SetText("SEX", member.id.size() >= 2 && member.id[1] == '1' ? "M" : "F");
  staff.SetText("TITLE", "");
  staff.SetText("department2", "");
  staff.SetText("department3", member.department3);
  staff.SetText("OPDNO", "1");
  staff.Post();
  return replaces;
}

}  // namespace zuvo
