#pragma once

// How the orders steps keep a clinic's staff: the doctors and pharmacists of the staff file
// noted in the clinic's data.ini, and the records the conversion adds for them.

#include <filesystem>
#include <string>
#include <string_view>

#include "core/message_sink.h"
#include "core/roc_date.h"
#include "platform/memory_table.h"

namespace zuvo {

class ClinicSettings;

// Listed when data.ini names no pharmacist after the staff file is made.
inline constexpr std::string_view kNoPharmacistLine = "***無藥師紀錄***";

// The main doctor's national ID the clinic notes; "noMainDrID" when it notes none.
std::string MainDoctorId(const ClinicSettings& settings);

// Texts Big5, trimmed.
struct Pharmacist {
  std::string name;
  std::string id;
  bool complete() const { return !name.empty() && !id.empty(); }
};

// The pharmacist the clinic notes.
Pharmacist RecordedPharmacist(const ClinicSettings& settings);

// Adds a pharmacist: ID_PASSWORD "6459", ID_level "P00AAA", department3 empty, the other fields
// as AddConvertedStaffMember gives them.
void AddConvertedPharmacist(RecordSet& staff, const Pharmacist& pharmacist, DateTime today);

// How the pharmacists of a prepared staff file are noted.
enum class PharmacistKeys {
  kNumbered,  // the first as Pharmacistname/PharmacistID, the n-th as Pharmacistname<n>/...
  kLastWins,  // each as Pharmacistname/PharmacistID, a later one replacing an earlier one
};

// Takes the clinic folder's prepared staff file: copies `prepared` over `member_scr` and loads
// it (LoadStaffFile; a repeated ID goes to `report`). Then, in one write of `settings`: each
// doctor row (ID_level starting with "D") is noted as a doctor (trimmed NAME, trimmed ID), each
// pharmacist row ("P") as `keys` says, and `department_code` as the department. The
// row whose trimmed ID is `main_doctor_id` gets ID_level "DPMAAA". Returns the staff table,
// which the caller completes and saves. Throws Error for a file that cannot be copied or read.
MemoryTable TakePreparedStaffFile(const std::filesystem::path& prepared,
                                  const std::filesystem::path& member_scr, ClinicSettings& settings,
                                  std::string_view main_doctor_id, std::string_view department_code,
                                  PharmacistKeys keys, const MessageSink& report);

}  // namespace zuvo
