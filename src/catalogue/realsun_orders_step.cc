#include "catalogue/realsun_orders_step.h"

#include <cmath>

#include <optional>

#include "catalogue/catalogue_settings.h"
#include "catalogue/order_packages.h"
#include "catalogue/realsun_catalogue.h"
#include "catalogue/realsun_combinations.h"
#include "catalogue/staff_file.h"
#include "catalogue/staff_settings.h"
#include "catalogue/work_tree_copy.h"
#include "core/clock_text.h"
#include "platform/big5.h"
#include "platform/file_ops.h"
#include "workspace/clinic_identity.h"
#include "workspace/clinic_settings.h"
#include "workspace/folder_layout.h"
#include "workspace/source_system.h"
#include "workspace/source_system_check.h"
#include "workspace/source_table.h"

namespace zuvo {
namespace fs = std::filesystem;

namespace {

// TITLE.DBF's first record, trimmed (Big5).
struct RealSunTitle {
  std::string name, code, telephone, address, department, department_type;
  std::string doctor_name, doctor_id;  // the first doctor
  std::string second_name, second_id;  // a second person, often the pharmacist
};

RealSunTitle ReadTitle(const fs::path& source_folder, const fs::path& work_tree,
                       StepContext& context) {
  SourceTable source = SourceTable::Open(source_folder, kRealSunTitleTable, work_tree, context);
  DbfTable& table = source.table();
  RealSunTitle title;
  table.First();
  if (table.Eof()) return title;
  auto text = [&](std::string_view field) {
    return table.HasField(field) ? source.StorableText(field, context) : std::string();
  };
  title.name = WithoutBlanks(text("H_NAME"));
  title.code = text("H_NO");
  title.telephone = text("H_TEL");
  title.address = text("H_ADDR");
  title.department = text("H_DEPT");
  title.department_type = text("H_TYPE");
  title.doctor_name = WithoutBlanks(text("DR_NAME"));
  title.doctor_id = text("DR_ID");
  title.second_name = WithoutBlanks(text("DR_NAME1"));
  title.second_id = text("DR_ID1");
  return title;
}

class OrdersStep {
 public:
  OrdersStep(RealSunOrdersInput& input, const Workplace& place, StepContext& context)
      : input_(input),
        place_(place),
        context_(context),
        clinic_folder_(
            ClinicFolder(place.program_folder, kRealSunArea, big5::Trim(input.folder.clinic_id))),
        work_tree_(input.folder.work_tree.has_filename() ? input.folder.work_tree
                                                         : input.folder.work_tree.parent_path()),
        corvix_(work_tree_ / kFrontEndFolderName),
        server_(ServerDataFolder(work_tree_, input.folder.clinic_id)) {}

  void Run();

 private:
  // TITLE.DBF, read when first needed: a clinic with a prepared settings file and a prepared
  // staff file does not need it.
  const RealSunTitle& Title() {
    if (!title_) title_ = ReadTitle(input_.folder.source_folder, work_tree_, context_);
    return *title_;
  }
  std::string ClinicSettingsFile();
  void BuildCatalogue();
  void StaffFile(const std::string& department_code);
  void Line(std::string_view utf8) { context_.AddLine(utf8); }

  RealSunOrdersInput& input_;
  const Workplace& place_;
  StepContext& context_;
  fs::path clinic_folder_;
  fs::path work_tree_;
  fs::path corvix_;
  fs::path server_;
  std::optional<RealSunTitle> title_;
};

void OrdersStep::Run() {
  const DateTime started = place_.clock();
  CreateFolders(clinic_folder_);
  CreateFolders(corvix_);
  CreateFolders(server_);
  Line("設定診所基本資料");
  ReplaceWithCopy(place_.program_folder / "ANTCHECK_BLANK.MDB", work_tree_ / "ANTCHECK.MDB");
  Line("begin time" + ClockText(started));
  context_.SetDone(0);
  // The settings file is in place before the order packages are installed, since they add their
  // keys to it; a prepared file copied over it afterwards would lose them.
  std::string department_code = ClinicSettingsFile();
  BuildCatalogue();
  StaffFile(department_code);
  const DateTime ended = place_.clock();
  Line("end time" + ClockText(ended));
  context_.SetElapsedLabel("耗時: " + ElapsedText(started, ended));
  if (context_.StepMessages()) context_.ShowMessage("診所基本資料及處置資料庫OPD.mdb完成");
}

// Returns the clinic's department code.
std::string OrdersStep::ClinicSettingsFile() {
  const fs::path corvix_ini = corvix_ / "CORVIX.INI";
  std::string department;
  if (std::optional<std::string> prepared =
          PlaceClinicSettingsFile(place_.program_folder, clinic_folder_, corvix_ini, "")) {
    department = *prepared;
  } else {
    const RealSunTitle& title = Title();
    department = title.department;
    WriteClinicKeys(corvix_ini, {title.name, title.code, title.telephone, title.address,
                                 title.department, ComputerName()});
  }
  std::string code = CodeOfDepartmentName(department);
  if (code.empty()) context_.ShowMessage("沒有就醫科別", MessageKind::kWarning);
  return code;
}

void OrdersStep::BuildCatalogue() {
  std::optional<fs::path> prepared_opd = ResolvePath(clinic_folder_, kCatalogueFileName);
  std::optional<fs::path> prepared_personal = ResolvePath(clinic_folder_, "PERSONAL.MDB");
  if (prepared_opd && prepared_personal) {
    ReplaceWithCopy(*prepared_opd, corvix_ / kCatalogueFileName);
    ReplaceWithCopy(*prepared_personal, corvix_ / "PERSONAL.mdb");
    return;
  }
  Line("製作OPD.MDB檔");
  RealSunCatalogueFiles files{place_.program_folder, clinic_folder_, work_tree_,
                              input_.folder.source_folder, place_.now};
  BuildRealSunCatalogue(files, context_);
  BuildRealSunCombinations(files, context_);
  Line("案件分類套件安裝");
  InstallOrderPackages({place_.program_folder, work_tree_, clinic_folder_, place_.now}, context_);
}

void OrdersStep::StaffFile(const std::string& department_code) {
  const fs::path member_scr = server_ / "MEMBER.SCR";
  const DateTime today = std::trunc(place_.now);
  ClinicSettings settings(clinic_folder_);
  const std::string main_doctor = MainDoctorId(settings);
  if (std::optional<fs::path> prepared = ResolvePath(clinic_folder_, "MEMBER.SCR")) {
    MemoryTable staff = TakePreparedStaffFile(*prepared, member_scr, settings, main_doctor,
                                              department_code, PharmacistKeys::kLastWins,
                                              [this](const std::string& line) { Line(line); });
    SaveStaffFile(staff, member_scr);
    if (!RecordedPharmacist(settings).complete()) Line(kNoPharmacistLine);
    return;
  }
  const RealSunTitle& title = Title();
  MemoryTable staff = DefineStaffTable();
  AddConvertedStaffMember(
      staff, {title.doctor_id, title.doctor_name, "3817", "DP0AAA", title.department_type, 0},
      today);
  {
    ClinicSettings::Batch batch(settings);
    // A clinic table without a doctor's name leaves nothing to note.
    if (!title.doctor_name.empty()) settings.NoteDoctor(title.doctor_name, title.doctor_id);
    settings.NoteDepartmentCode(department_code);
  }
  Pharmacist pharmacist = RecordedPharmacist(settings);
  if (!title.second_name.empty() && title.second_name != WithoutBlanks(pharmacist.name)) {
    AddConvertedStaffMember(
        staff, {title.second_id, title.second_name, "6459", "P00AAA", title.department_type, 0},
        today);
  }
  if (pharmacist.complete()) {
    AddConvertedPharmacist(staff, pharmacist, today);
  } else {
    Line(kNoPharmacistLine);
  }
  SaveStaffFile(staff, member_scr);
}

}  // namespace

StepResult BuildRealSunClinicAndOrders(RealSunOrdersInput& input, const Workplace& place,
                                       StepContext& context) {
  if (!CheckSourceSystem(SourceSystem::kRealSun, input.folder, kRealSunWrongSystemUtf8, context))
    return StepResult::kStopped;
  if (big5::Trim(input.chart.split_date).empty() && input.chart.mode != MakeDateMode::kBefore) {
    context.ShowMessage(kNoSplitDateMessage, MessageKind::kWarning);
    return StepResult::kStopped;
  }
  {
    ClinicSettings settings(
        ClinicFolder(place.program_folder, kRealSunArea, big5::Trim(input.folder.clinic_id)));
    settings.NoteStartSettings(PageOverFileSettings(input.folder, settings.StartSettings()));
  }
  OrdersStep(input, place, context).Run();
  return StepResult::kDone;
}

}  // namespace zuvo
