#include "catalogue/staff_settings.h"

#include "catalogue/staff_file.h"
#include "catalogue/work_tree_copy.h"
#include "platform/big5.h"
#include "workspace/clinic_settings.h"

namespace zuvo {

std::string MainDoctorId(const ClinicSettings& settings) {
  std::string id = settings.MainDoctorId();
  return id.empty() ? "noMainDrID" : id;
}

Pharmacist RecordedPharmacist(const ClinicSettings& settings) {
  const ClinicStartSettings noted = settings.StartSettings();
  return {big5::Trim(noted.pharmacist_name), big5::Trim(noted.pharmacist_id)};
}

void AddConvertedPharmacist(RecordSet& staff, const Pharmacist& pharmacist, DateTime today) {
  AddConvertedStaffMember(staff, {pharmacist.id, pharmacist.name, "6459", "P00AAA", "", 0}, today);
}

MemoryTable TakePreparedStaffFile(const std::filesystem::path& prepared,
                                  const std::filesystem::path& member_scr, ClinicSettings& settings,
                                  std::string_view main_doctor_id, std::string_view department_code,
                                  PharmacistKeys keys, const MessageSink& report) {
  ReplaceWithCopy(prepared, member_scr);
  MemoryTable staff = LoadStaffFile(member_scr, report);
  int pharmacists = 0;
  ClinicSettings::Batch batch(settings);
  for (staff.First(); !staff.Eof(); staff.Next()) {
    std::string level = staff.Text("ID_level");
    std::string id = big5::Trim(staff.Text("ID"));
    std::string name = big5::Trim(staff.Text("NAME"));
    if (level.starts_with("D")) {
      settings.NoteDoctor(name, id);
    } else if (level.starts_with("P")) {
      ++pharmacists;
      settings.NotePharmacist(name, id, keys == PharmacistKeys::kNumbered ? pharmacists : 1);
    }
    if (id == main_doctor_id) {
      staff.Edit();
      staff.SetText("ID_level", "DPMAAA");
      staff.Post();
    }
  }
  settings.NoteDepartmentCode(department_code);
  return staff;
}

}  // namespace zuvo
