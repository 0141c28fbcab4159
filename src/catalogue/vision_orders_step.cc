#include "catalogue/vision_orders_step.h"

#include <cmath>

#include <algorithm>
#include <chrono>
#include <optional>

#include "catalogue/catalogue_settings.h"
#include "catalogue/order_packages.h"
#include "catalogue/staff_file.h"
#include "catalogue/staff_settings.h"
#include "catalogue/work_tree_copy.h"
#include "core/clock_text.h"
#include "core/code_tables.h"
#include "core/roc_date.h"
#include "platform/big5.h"
#include "platform/dbf_table.h"
#include "platform/file_ops.h"
#include "workspace/clinic_settings.h"
#include "workspace/folder_layout.h"
#include "workspace/source_system_check.h"

namespace zuvo {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kDefaultDepartmentName = "小兒科";
constexpr std::string_view kDefaultDepartmentCode = "04";
constexpr std::string_view kReleasedPrescription = "釋出處方箋";

// VISPARA.DBF's first record, trimmed (Big5).
struct VisionClinic {
  std::string name, code, telephone, address, department, director;
};

VisionClinic ReadVisionClinic(const fs::path& source_folder) {
  DbfTable table = DbfTable::Open(source_folder, "VISPARA.DBF");
  table.RefuseShortTable();
  VisionClinic clinic;
  table.First();
  if (table.Eof()) return clinic;
  auto text = [&](std::string_view field) {
    return table.HasField(field) ? big5::Trim(table.Text(field)) : std::string();
  };
  clinic.name = text("CNAME");
  clinic.code = text("CCO_NO0");
  clinic.telephone = text("CTEL");
  clinic.address = text("CADDR");
  clinic.department = text("CSUB");
  clinic.director = text("CCLDTNAME");
  return clinic;
}

fs::path Folder(const fs::path& path) { return path.has_filename() ? path : path.parent_path(); }

// What step 5 decides about the clinic's department.
struct Department {
  std::string name;         // Big5
  std::string source_code;  // the code read from CSUB ("04" by default); empty for a prepared file
  std::string code;         // DepartmentCodes entry of the name; empty when the name is not there
};

Department WriteClinicSettingsFile(const fs::path& program_folder, const fs::path& clinic_folder,
                                   const fs::path& corvix, const VisionClinic& clinic,
                                   StepContext& context) {
  fs::path target = corvix / "CORVIX.INI";
  Department department;
  if (std::optional<std::string> prepared_name = PlaceClinicSettingsFile(
          program_folder, clinic_folder, target, big5::Literal(kDefaultDepartmentName))) {
    department.name = *prepared_name;
  } else {
    department.source_code = kDefaultDepartmentCode;
    department.name = big5::Literal(kDefaultDepartmentName);
    if (clinic.department.size() >= 2) {
      department.source_code = clinic.department.substr(0, 2);
      auto found = std::find(DepartmentCodes.begin(), DepartmentCodes.end(),
                             std::string_view(department.source_code));
      if (found == DepartmentCodes.end()) {
        context.ShowMessage("找不到科別", MessageKind::kWarning);
      } else {
        department.name = big5::Literal(DepartmentNames[found - DepartmentCodes.begin()]);
      }
    } else {
      context.ShowMessage("科別字元不足", MessageKind::kWarning);
    }
    WriteClinicKeys(target, {clinic.name, clinic.code, clinic.telephone, clinic.address,
                             department.name, ComputerName()});
  }
  department.code = CodeOfDepartmentName(department.name);
  return department;
}

class StaffStep {
 public:
  StaffStep(VisionOrdersInput& input, DateTime today, const fs::path& clinic_folder,
            const fs::path& server, const VisionClinic& clinic, const Department& department,
            StepContext& context)
      : input_(input),
        today_(today),
        clinic_folder_(clinic_folder),
        member_scr_(server / "MEMBER.SCR"),
        clinic_(clinic),
        department_(department),
        context_(context),
        settings_(clinic_folder),
        main_doctor_(MainDoctorId(settings_)) {}

  void Run();

 private:
  void FromPreparedFile(const fs::path& prepared);
  void FromClinicTable(const fs::path& eecsetdt);
  // The pharmacist boxes, trimmed.
  Pharmacist Boxes() const {
    return {big5::Trim(input_.folder.pharmacist_name), big5::Trim(input_.folder.pharmacist_id)};
  }
  bool BoxesOverride(const Pharmacist& recorded) const {
    Pharmacist boxes = Boxes();
    return (!recorded.complete() && boxes.complete()) ||
           boxes.name == big5::Literal(kReleasedPrescription);
  }
  void ShowPharmacist(const Pharmacist& pharmacist) {
    input_.folder.pharmacist_name = pharmacist.name;
    input_.folder.pharmacist_id = pharmacist.id;
    if (!pharmacist.complete()) context_.AddLine(std::string(kNoPharmacistLine));
  }

  VisionOrdersInput& input_;
  DateTime today_;
  fs::path clinic_folder_;
  fs::path member_scr_;
  const VisionClinic& clinic_;
  const Department& department_;
  StepContext& context_;
  ClinicSettings settings_;
  std::string main_doctor_;
};

void StaffStep::Run() {
  if (std::optional<fs::path> prepared = ResolvePath(clinic_folder_, "MEMBER.SCR")) {
    FromPreparedFile(*prepared);
  } else if (std::optional<fs::path> eecsetdt =
                 ResolvePath(input_.folder.source_folder, "EECSETDT.DBF")) {
    FromClinicTable(*eecsetdt);
  } else {
    context_.AddLine("沒有醫師及藥師資料,需手動建立member.SCR");
  }
}

void StaffStep::FromPreparedFile(const fs::path& prepared) {
  MemoryTable staff = TakePreparedStaffFile(
      prepared, member_scr_, settings_, main_doctor_, department_.code, PharmacistKeys::kNumbered,
      [this](const std::string& line) { context_.AddLine(line); });
  Pharmacist pharmacist = RecordedPharmacist(settings_);
  if (BoxesOverride(pharmacist)) {
    pharmacist = Boxes();
    AddConvertedPharmacist(staff, pharmacist, today_);
  }
  SaveStaffFile(staff, member_scr_);
  ShowPharmacist(pharmacist);
}

void StaffStep::FromClinicTable(const fs::path& eecsetdt) {
  MemoryTable staff = DefineStaffTable();
  DbfTable table(eecsetdt);
  table.RefuseShortTable();
  std::string doctor_id, birthday;
  if (table.RecordCount() > 0) {
    table.Go(std::min(2, table.RecordCount()));
    doctor_id = big5::Trim(table.Text("PAT_ID"));
    birthday = big5::Trim(table.Text("PAT_BRDT"));
  }
  AddConvertedStaffMember(
      staff,
      {doctor_id, clinic_.director, "3817", doctor_id == main_doctor_ ? "DPMAAA" : "DP0AAA",
       department_.source_code, RocDateToDate(birthday)},
      today_);
  {
    ClinicSettings::Batch batch(settings_);
    settings_.NoteDoctor(clinic_.director, doctor_id);
    settings_.NoteDepartmentCode(department_.code);
  }
  Pharmacist pharmacist = RecordedPharmacist(settings_);
  if (BoxesOverride(pharmacist)) pharmacist = Boxes();
  if (pharmacist.complete()) AddConvertedPharmacist(staff, pharmacist, today_);
  SaveStaffFile(staff, member_scr_);
  ShowPharmacist(pharmacist);
}

}  // namespace

StepResult BuildVisionClinicAndOrders(VisionOrdersInput& input, const Workplace& place,
                                      StepContext& context) {
  ClinicFolderFields& fields = input.folder;
  if (!CheckSourceSystem(SourceSystem::kVision, fields, kVisionWrongSourceUtf8, context)) {
    return StepResult::kStopped;
  }
  const DateTime started = place.clock();
  fs::path work_tree = Folder(fields.work_tree);
  fs::path clinic_folder = work_tree.parent_path();
  fs::path corvix = work_tree / kFrontEndFolderName;
  fs::path server = ServerDataFolder(work_tree, fields.clinic_id);
  CreateFolders(server);
  CreateFolders(corvix);
  context.AddLine("設定診所基本資料");
  context.AddLine("begin time" + ClockText(started));
  context.SetDone(0);

  // The settings file is made before the order packages are installed, since they add their
  // keys to it; made afterwards, from the template, it would lose them.
  VisionClinic clinic = ReadVisionClinic(fields.source_folder);
  Department department =
      WriteClinicSettingsFile(place.program_folder, clinic_folder, corvix, clinic, context);
  std::optional<fs::path> prepared_opd = ResolvePath(clinic_folder, kCatalogueFileName);
  std::optional<fs::path> prepared_personal = ResolvePath(clinic_folder, "PERSONAL.MDB");
  if (prepared_opd && prepared_personal) {
    ReplaceWithCopy(*prepared_opd, corvix / kCatalogueFileName);
    ReplaceWithCopy(*prepared_personal, corvix / "PERSONAL.mdb");
  } else {
    context.AddLine("製作OPD.MDB檔");
    BuildVisionCatalogue(
        {place.program_folder, clinic_folder, work_tree, fields.source_folder, input.short_names},
        context);
    context.AddLine("案件分類套件安裝");
    InstallOrderPackages({place.program_folder, work_tree, clinic_folder, place.now}, context);
  }

  StaffStep(input, std::trunc(place.now), clinic_folder, server, clinic, department, context).Run();

  const DateTime ended = place.clock();
  context.AddLine("end time" + ClockText(ended));
  context.SetElapsedLabel("耗時: " + ElapsedText(started, ended));
  if (context.StepMessages()) context.ShowMessage("診所基本資料及處置資料庫OPD.mdb完成");
  return StepResult::kDone;
}

}  // namespace zuvo
