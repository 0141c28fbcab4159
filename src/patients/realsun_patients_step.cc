#include "patients/realsun_patients_step.h"

#include <filesystem>
#include <string>
#include <unordered_map>

#include "core/patient_store.h"
#include "core/realsun_date.h"
#include "core/roc_date.h"
#include "core/step_timing.h"
#include "patients/patient_conversion.h"
#include "patients/remark_analysis.h"
#include "patients/written_patients.h"
#include "platform/big5.h"
#include "platform/file_ops.h"
#include "workspace/clinic_settings.h"
#include "workspace/folder_layout.h"
#include "workspace/source_system_check.h"
#include "workspace/source_table.h"
#include "workspace/work_tree_snapshot.h"

namespace zuvo {

namespace fs = std::filesystem;

namespace {

// The first record of PATDB.DBF is no patient.
constexpr int kFirstPatientRecord = 2;
// A stored ID this short, or one starting with "@@", is no usable ID: it gets an "@" serial.
constexpr size_t kLongestUnusableId = 4;
constexpr std::string_view kUnusableIdPrefix = "@@";
constexpr std::string_view kMaleSex = "+";
// The mapped table's pages read so far are let go this often, so that memory stays flat however
// large the table.
constexpr int kReleasePagesEvery = 20000;

// The clinic's ID fixes: chart number in decimal = the national ID to use for it. The first of
// repeated keys counts, as profile reads do.
std::unordered_map<std::string, std::string> ReadIdFixes(const ClinicSettings& settings) {
  std::unordered_map<std::string, std::string> fixes;
  for (ProfileEntry& entry : settings.IdFixes()) {
    fixes.emplace(std::move(entry.key), std::move(entry.value));
  }
  return fixes;
}

class RealSunPatientConversion {
 public:
  RealSunPatientConversion(SourceTable& source, const StoreLocation& store,
                           const ClinicSettings& settings, DuplicateIdSection& duplicate_ids,
                           StepContext& context)
      : source_(source),
        writer_(store),
        id_fixes_(ReadIdFixes(settings)),
        duplicate_ids_(duplicate_ids),
        context_(context) {}

  void Run() {
    DbfTable& table = source_.table();
    for (table.First(); !table.Eof(); table.Next()) {
      const int number = table.RecordNumber();
      if (number % kReleasePagesEvery == 0) table.ReleaseResidentPages();
      if (number >= kFirstPatientRecord) ConvertRow(number);
    }
    writer_.Close();
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
    // The whole ID tells people apart; it is cut to the record's field only when stored.
    const std::string id = big5::Trim(fix != id_fixes_.end() ? fix->second : Text("ID"));
    if (duplicate_ids_.SkipRepeated(written_, id, number_text, context_)) return;

    context_.SetChartNumber(number);
    context_.SetDone(number);
    context_.SetGauge(number);
    const std::string stored_id = FittedText(id, patient_field::kNationalId);
    if (stored_id.size() <= kLongestUnusableId || stored_id.starts_with(kUnusableIdPrefix)) {
      patient.national_id = written_.NextSerialId();
      written_.Remember(number, patient.national_id);
    } else {
      if (stored_id.size() < id.size()) {
        context_.AddLine("身分證過長,只存前" + std::to_string(patient_field::kNationalId.capacity) +
                         "碼:病歷號" + number_text + " [" + big5::ToUtf8Escaped(id) + "]");
      }
      patient.national_id = stored_id;
      written_.Remember(number, stored_id, id);
    }

    const std::string birth = big5::Trim(source_.table().Text("BIRTH"));
    const RealSunBirthday birthday = ReadRealSunBirthday(birth);
    patient.birthday = birthday.date;
    if (!birthday.exact) {
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
    writer_.Write(MakePatientRecord(patient), note);
    context_.ProcessEvents();
  }

  SourceTable& source_;
  PatientWriter writer_;
  std::unordered_map<std::string, std::string> id_fixes_;
  DuplicateIdSection& duplicate_ids_;
  StepContext& context_;
  WrittenPatients written_;
};

}  // namespace

StepResult ConvertRealSunPatients(RealSunPatientsInput& input, const Workplace& place,
                                  StepContext& context) {
  if (!CheckSourceSystem(SourceSystem::kRealSun, input.folder, kRealSunWrongSystemUtf8, context))
    return StepResult::kStopped;
  const fs::path tree = WithoutTrailingSeparator(input.folder.work_tree);
  const fs::path clinic_folder =
      ClinicFolder(place.program_folder, kRealSunArea, input.folder.clinic_id);
  const fs::path snapshot = RealSunSnapshotFolder(place.program_folder, input.folder.clinic_id);
  RefuseWorkTreeInSnapshot(tree, snapshot);
  const StoreLocation store = WorkTreeStoreLocation(tree, input.folder.clinic_id);

  ClinicSettings settings(clinic_folder);
  {
    DuplicateIdSection duplicate_ids(settings);
    context.ClearLines();
    StepTiming timing(context, place.clock);
    ClearPatientStore(store);
    SourceTable source =
        SourceTable::Open(input.folder.source_folder, kRealSunPatientTable, tree, context);
    const long total = source.table().RecordCount();
    context.SetTotal(total);
    RealSunPatientConversion(source, store, settings, duplicate_ids, context).Run();
    timing.End();
    context.SetGauge(total);
  }
  SnapshotWorkTree(tree, snapshot);
  if (context.StepMessages()) context.ShowMessage("Ant.fdb病人資料庫完成");
  return StepResult::kDone;
}

}  // namespace zuvo
