#pragma once

// The staff file MEMBER.SCR of the server data folder: one line, the Base64 text of a sequence
// of 187-byte staff records, ended by CR LF (an empty staff table gives an empty file). In
// memory the records are the rows of the staff table, in file order, keyed by ID.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "core/message_sink.h"
#include "core/roc_date.h"
#include "platform/memory_table.h"

namespace zuvo {

// One staff record: packed, no alignment. A string[n] field is a length byte followed by n
// bytes of Big5 text; the bytes past the length are not significant (written as zeros).
namespace staff_record {
inline constexpr size_t kIdOffset = 0, kIdWidth = 10;
inline constexpr size_t kNameOffset = 11, kNameWidth = 20;
inline constexpr size_t kPasswordOffset = 32, kPasswordWidth = 10;
inline constexpr size_t kBirthdayOffset = 43;  // 8-byte IEEE double, days since 1899-12-30
inline constexpr size_t kLevelOffset = 51, kLevelWidth = 6;
inline constexpr size_t kDepartmentOffset = 58, kDepartmentWidth = 16;
inline constexpr size_t kSexOffset = 75, kSexWidth = 1;
inline constexpr size_t kTitleOffset = 77, kTitleWidth = 10;
inline constexpr size_t kDepartment2Offset = 88, kDepartment2Width = 16;
inline constexpr size_t kDepartment3Offset = 105, kDepartment3Width = 16;
inline constexpr size_t kOpdNoOffset = 122, kOpdNoWidth = 64;
inline constexpr size_t kSize = 187;
static_assert(kOpdNoOffset + 1 + kOpdNoWidth == kSize);
static_assert(kLevelOffset == kBirthdayOffset + sizeof(double));
}  // namespace staff_record

// An empty staff table with the columns ID (key), NAME, ID_PASSWORD, Birthday (date),
// ID_level, department, SEX, TITLE, department2, department3, OPDNO.
MemoryTable DefineStaffTable();

// The staff table of `member_scr`: every "-" and line break is dropped, the rest decoded, and
// each whole 187-byte record becomes a row (a shorter remainder is ignored). A text cut inside
// a double-byte character by an earlier writer loses the broken character. A record that
// repeats an earlier one's ID (without regard to letter case) updates that row and is reported:
// "MEMBER.SCR身分證號重複,以後面的資料為準:" + ID. Throws an Error naming the file when it
// cannot be read or decoded.
MemoryTable LoadStaffFile(const std::filesystem::path& member_scr, const MessageSink& report = {});

// Writes every row of `staff`, first to last, to `member_scr`, replacing it. Texts longer than
// their field are cut to the field's width, never inside a double-byte character.
void SaveStaffFile(RecordSet& staff, const std::filesystem::path& member_scr);

// A staff member the conversion creates (texts Big5).
struct NewStaffMember {
  std::string id;
  std::string name;
  std::string password;  // "3817" for a doctor from the clinic table, "6459" for a pharmacist
  std::string level;     // "DPMAAA" main doctor, "DP0AAA" other doctor, "P00AAA" pharmacist
  std::string department3;
  DateTime birthday = 0;  // 0: the day of the conversion
};

// Adds `member` with the fields the conversion gives every new record: department and
// department2 empty, SEX "M" when the second character of the ID is "1" (else "F"), TITLE
// empty, OPDNO "1". A row with the same ID is updated instead, since the table cannot hold an
// ID twice; the result tells whether that happened.
bool AddConvertedStaffMember(RecordSet& staff, const NewStaffMember& member, DateTime today);

}  // namespace zuvo
