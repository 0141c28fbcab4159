#include "catalogue/staff_settings.h"

#include "catalogue/staff_file.h"
#include "catalogue/work_tree_copy.h"
#include "platform/big5.h"
#include "platform/profile_file.h"
#include "workspace/data_ini.h"

namespace zuvo {

std::string MainDoctorId(const ProfileFile& data_ini) {
  return data_ini.ReadString(kDataIniSystemSection, "MainDrID", "noMainDrID");
}

Pharmacist RecordedPharmacist(const ProfileFile& data_ini) {
  return {big5::Trim(data_ini.ReadString(kDataIniSystemSection, kPharmacistNameKey)),
          big5::Trim(data_ini.ReadString(kDataIniSystemSection, kPharmacistIdKey))};
}

void AddConvertedPharmacist(RecordSet& staff, const Pharmacist& pharmacist, DateTime today) {
  AddConvertedStaffMember(staff, {pharmacist.id, pharmacist.name, "6459", "P00AAA", "", 0}, today);
}

MemoryTable TakePreparedStaffFile(const std::filesystem::path& prepared,
                                  const std::filesystem::path& member_scr, ProfileFile& data_ini,
                                  std::string_view main_doctor_id, std::string_view department_code,
                                  PharmacistKeys keys, const MessageSink& report) {
  ReplaceWithCopy(prepared, member_scr);
  MemoryTable staff = LoadStaffFile(member_scr, report);
  int pharmacists = 0;
  ProfileFile::Batch batch(data_ini);
  for (staff.First(); !staff.Eof(); staff.Next()) {
    std::string level = staff.Text("ID_level");
    std::string id = big5::Trim(staff.Text("ID"));
    std::string name = big5::Trim(staff.Text("NAME"));
    if (level.starts_with("D")) {
      data_ini.WriteString("DOCTOR", name, id);
    } else if (level.starts_with("P")) {
      ++pharmacists;
      std::string number =
          keys == PharmacistKeys::kNumbered && pharmacists > 1 ? std::to_string(pharmacists) : "";
      data_ini.WriteString(kDataIniSystemSection, std::string(kPharmacistNameKey) + number, name);
      data_ini.WriteString(kDataIniSystemSection, std::string(kPharmacistIdKey) + number, id);
    }
    if (id == main_doctor_id) {
      staff.Edit();
      staff.SetText("ID_level", "DPMAAA");
      staff.Post();
    }
  }
  data_ini.WriteString(kDataIniSystemSection, "ClinicTypeNo", department_code);
  return staff;
}

}  // namespace zuvo
