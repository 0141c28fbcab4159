#include "patients/realsun_patients_step.h"

#include <filesystem>
#include <string>
#include <unordered_map>

#include "core/patient_store.h"
#include "core/roc_date.h"
#include "core/step_timing.h"
#include "patients/patient_conversion.h"
#include "patients/remark_analysis.h"
#include "patients/written_patients.h"
#include "platform/big5.h"
#include "platform/file_ops.h"
#include "platform/profile_file.h"
#include "workspace/data_ini.h"
#include "workspace/folder_layout.h"
#include "workspace/realsun_system_check.h"
#include "workspace/source_table.h"
#include "workspace/work_tree_snapshot.h"

namespace zuvo {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kIdFixSection = "IDFIX";
// The first record of PATDB.DBF is no patient.
constexpr int kFirstPatientRecord = 2;
// A stored ID this short, or one starting with "@@", is no usable ID: it gets an "@" serial.
constexpr size_t kLongestUnusableId = 4;
constexpr std::string_view kUnusableIdPrefix = "@@";
constexpr std::string_view kMaleSex = "+";
// "A" + the last digit of a ROC year 100..109 + mmdd.
constexpr char kCenturyMark = 'A';
constexpr size_t kBirthLength = 6;
// The mapped table's pages read so far are let go this often, so that memory stays flat however
// large the table.
constexpr int kReleasePagesEvery = 20000;

// The birthday of a trimmed BIRTH: "yymmdd" (ROC year below 100) or "A" + "ymmdd" (ROC year
// 100..109). 0 for anything else: a seven-character ROC date, letters, an impossible date.
DateTime BirthdayOf(std::string_view birth) {
  if (birth.size() != kBirthLength) return 0;
  const std::string roc = birth.front() == kCenturyMark ? "10" + std::string(birth.substr(1))
                                                        : "0" + std::string(birth);
  return TypedRocDate(roc).value_or(0);
}

// data.ini [IDFIX]: chart number in decimal = the national ID to use for it. The first of
// repeated keys counts, as profile reads do.
std::unordered_map<std::string, std::string> ReadIdFixes(const ProfileFile& data_ini) {
  std::unordered_map<std::string, std::string> fixes;
  for (ProfileEntry& entry : SplitProfileLines(data_ini.SectionLines(kIdFixSection))) {
    fixes.emplace(std::move(entry.key), std::move(entry.value));
  }
  return fixes;
}

class RealSunPatientConversion {
 public:
  RealSunPatientConversion(SourceTable& source, const StoreLocation& store,
                           const ProfileFile& data_ini, DuplicateIdSection& duplicate_ids,
                           StepContext& context)
      : source_(source),
        store_(store),
        id_fixes_(ReadIdFixes(data_ini)),
        duplicate_ids_(duplicate_ids),
        context_(context) {}

  void Run() {
    DbfTable& table = source_.table();
    for (table.First(); !table.Eof(); table.Next()) {
      const int number = table.RecordNumber();
      if (number % kReleasePagesEvery == 0) table.ReleaseResidentPages();
      if (number >= kFirstPatientRecord) ConvertRow(number);
    }
  }

 private:
  std::string Text(std::string_view field) { return source_.StorableText(field, context_); }

  void ConvertRow(int32_t number) {
    NewPatient patient;
    patient.number = number;
    patient.name = FittedText(Text("NAME"), patient_field::kName);
    if (patient.name.empty()) return;

    const std::string number_text = std::to_string(number);
    auto fix = id_fixes_.find(number_text);
    const std::string id =
        FittedText(fix != id_fixes_.end() ? fix->second : Text("ID"), patient_field::kNationalId);
    if (duplicate_ids_.SkipRepeated(written_, id, number_text, context_)) return;

    context_.SetChartNumber(number);
    context_.SetDone(number);
    context_.SetGauge(number);
    patient.national_id = id.size() <= kLongestUnusableId || id.starts_with(kUnusableIdPrefix)
                              ? written_.NextSerialId()
                              : id;
    written_.Remember(number, patient.national_id);

    const std::string birth = big5::Trim(source_.table().Text("BIRTH"));
    patient.birthday = BirthdayOf(birth);
    if (patient.birthday == 0) {
      context_.AddLine("生日記錄錯誤:病歷號" + number_text + " [" + big5::ToUtf8Escaped(birth) +
                       "]");
    }
    patient.sex = big5::Trim(source_.table().Text("SEX")) == kMaleSex ? 'M' : 'F';
    patient.telephone = FittedText(Text("TEL"), patient_field::kTelephone);
    patient.mobile = MobileNumberOf(patient.telephone);
    patient.address = Text("ADDR");

    std::string note;
    if (std::string allergies = Text("WARN"); !allergies.empty()) {
      AppendNoteElement(note, "HA", allergies);
    }
    if (std::string history = Text("PASS"); !history.empty()) {
      AppendNoteElement(note, "HS", history);
    }
    WritePatient(store_, MakePatientRecord(patient), note);
    context_.ProcessEvents();
  }

  SourceTable& source_;
  const StoreLocation& store_;
  std::unordered_map<std::string, std::string> id_fixes_;
  DuplicateIdSection& duplicate_ids_;
  StepContext& context_;
  WrittenPatients written_;
};

}  // namespace

StepResult ConvertRealSunPatients(const RealSunPatientsInput& input, const Workplace& place,
                                  StepContext& context) {
  if (!CheckRealSunSystem(input.folder.his, context)) return StepResult::kStopped;
  const fs::path tree = WithoutTrailingSeparator(input.folder.work_tree);
  const fs::path clinic_folder =
      ClinicFolder(place.program_folder, kRealSunArea, input.folder.clinic_id);
  const fs::path snapshot = RealSunSnapshotFolder(place.program_folder, input.folder.clinic_id);
  RefuseWorkTreeInSnapshot(tree, snapshot);
  const StoreLocation store = WorkTreeStoreLocation(tree, input.folder.clinic_id);

  ProfileFile data_ini(DataIniFile(clinic_folder));
  {
    DuplicateIdSection duplicate_ids(data_ini);
    context.ClearLines();
    StepTiming timing(context, place.clock);
    ClearPatientStore(store);
    SourceTable source =
        SourceTable::Open(input.folder.source_folder, kRealSunPatientTable, tree, context);
    const long total = source.table().RecordCount();
    context.SetTotal(total);
    RealSunPatientConversion(source, store, data_ini, duplicate_ids, context).Run();
    timing.End();
    context.SetGauge(total);
  }
  SnapshotWorkTree(tree, snapshot);
  if (context.StepMessages()) context.ShowMessage("Ant.fdb病人資料庫完成");
  return StepResult::kDone;
}

}  // namespace zuvo
