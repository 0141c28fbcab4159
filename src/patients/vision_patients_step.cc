#include "patients/vision_patients_step.h"

#include <chrono>
#include <limits>
#include <optional>
#include <vector>

#include "core/patient_store.h"
#include "core/step_timing.h"
#include "patients/catalogue_index_reading.h"
#include "patients/patient_conversion.h"
#include "patients/vision_patient_row.h"
#include "patients/written_patients.h"
#include "platform/big5.h"
#include "platform/file_ops.h"
#include "workspace/clinic_settings.h"
#include "workspace/folder_layout.h"
#include "workspace/source_system_check.h"
#include "workspace/source_table.h"

namespace zuvo {

namespace fs = std::filesystem;

namespace {

// How much of a field with broken Big5 its message line shows.
constexpr size_t kShownBrokenBytes = 60;

fs::path ClinicFolderOf(const fs::path& work_tree) {
  return WithoutTrailingSeparator(work_tree).parent_path();
}

// Checks the pharmacist settings; false (after the message) when the step may not run.
bool PharmacistReady(const VisionPatientsInput& input, const ClinicSettings& settings,
                     StepContext& context) {
  if (!big5::Trim(input.folder.pharmacist_name).empty()) return true;
  const ClinicStartSettings noted = settings.StartSettings();
  if (noted.pharmacist_name.empty()) {
    context.ShowMessage("警告:確定無藥師,轉換會繼續進行", MessageKind::kWarning);
    return true;
  }
  if (!noted.pharmacist_id.empty()) return true;
  context.ShowMessage("展望系統轉換前請先在" + PathToUtf8(settings.path()) + "寫入藥師身分證",
                      MessageKind::kWarning);
  return false;
}

std::string Shown(std::string_view big5_text) { return big5::ToUtf8Escaped(big5_text); }

class VisionPatientConversion {
 public:
  VisionPatientConversion(const VisionPatientsInput& input, const Workplace& place,
                          StepContext& context, DuplicateIdSection& duplicate_ids,
                          RemarkAnalysisRun& remarks)
      : input_(input),
        place_(place),
        context_(context),
        duplicate_ids_(duplicate_ids),
        remarks_(remarks),
        store_(WorkTreeStoreLocation(input.folder.work_tree, input.folder.clinic_id)),
        writer_(store_) {}

  void Run() {
    ClearPatientStore(store_);
    SourceTable source = SourceTable::Open(input_.folder.source_folder, kVisionPatientTable,
                                           input_.folder.work_tree, context_);
    DbfTable& table = source.table();
    long total = table.RecordCount();
    context_.SetTotal(total);

    long rows_read = 0;
    for (table.First(); !table.Eof(); table.Next()) {
      ++rows_read;
      if (!ConvertRow(ReadVisionPatientRow(table), table.RecordNumber(), rows_read)) continue;
      context_.ProcessEvents();
      if (context_.StopRequested()) break;
    }
    writer_.Close();
    context_.SetGauge(total);
  }

 private:
  // False when the row is skipped.
  bool ConvertRow(const VisionPatientRow& row, int record_number, long rows_read) {
    std::string chart_text = big5::Trim(row.KCSTMR);
    int64_t number = ChartNumberOf(row.KCSTMR);
    if (number == 0) {
      context_.AddLine("病歷號為0錯誤:" + Shown(chart_text) + " 第" +
                       std::to_string(record_number) + "筆");
      return false;
    }
    if (number < 1 || number > std::numeric_limits<int32_t>::max()) {
      context_.AddLine("病歷號超出範圍錯誤:" + Shown(chart_text) + " 第" +
                       std::to_string(record_number) + "筆");
      return false;
    }
    int32_t chart_number = static_cast<int32_t>(number);
    if (const std::string* earlier_id = written_.IdOfChartNumber(chart_number)) {
      context_.AddLine("病歷號重複:病歷號" + Shown(chart_text) + "身分證 " + Shown(*earlier_id));
      return false;
    }
    std::string national_id = big5::Trim(row.MPERSONID);
    if (national_id.size() >= kShortestNationalId) {
      if (duplicate_ids_.SkipRepeated(written_, national_id, chart_text, context_)) return false;
    } else {
      national_id = written_.NextSerialId();
    }

    context_.SetChartNumber(chart_number);
    context_.SetDone(rows_read);
    context_.SetGauge(rows_read);

    VisionPatientValues values =
        MakeVisionPatientRecord(row, chart_number, national_id, place_.now);
    std::string number_text = std::to_string(chart_number);
    if (values.name_missing) context_.AddLine("病歷號:" + number_text + " 無名氏");
    if (values.birthday_invalid) {
      context_.AddLine("病歷號:" + number_text +
                       " ID:" + Shown(values.record.Get(patient_field::kNationalId)) +
                       Shown(values.stored_name) + " 生日錯誤:'" + Shown(row.MBIRTHDT) + "'");
    }

    for (const BrokenBig5Field& broken : FieldsWithBrokenBig5(row)) {
      context_.AddLine("病歷號:" + number_text + " " + std::string(broken.name) + "字碼錯誤:'" +
                       Shown(big5::CutBytes(broken.value, kShownBrokenBytes)) + "'");
    }

    RemarkAnalysis analysis = remarks_.AnalyseRemarks(row.remarks, kDefaultPaymentClass);
    for (const std::string& line : analysis.messages) context_.AddLine(line);
    // The record's class holds the identity classes of the remarks ('F' 老人, 'G' 親友, ...)
    // as well as the co-payment classes; the live system reads both.
    values.record.Set(patient_field::kPaymentClass, analysis.payment_class);

    writer_.Write(values.record, VisionPatientNote(values.mobile_or_second_phone, analysis.lists));
    written_.Remember(chart_number, national_id);
    return true;
  }

  const VisionPatientsInput& input_;
  const Workplace& place_;
  StepContext& context_;
  DuplicateIdSection& duplicate_ids_;
  RemarkAnalysisRun& remarks_;
  StoreLocation store_;
  // Written after the store is cleared: it opens a patient file only at its first record.
  PatientWriter writer_;
  WrittenPatients written_;
};

}  // namespace

StepResult ConvertVisionPatients(VisionPatientsInput& input, const Workplace& place,
                                 StepContext& context) {
  context.Flags().SetStopRequested(false);
  if (!CheckSourceSystem(SourceSystem::kVision, input.folder, kVisionWrongSourceUtf8, context)) {
    return StepResult::kStopped;
  }
  ClinicSettings settings(ClinicFolderOf(input.folder.work_tree));
  if (!PharmacistReady(input, settings, context)) return StepResult::kStopped;

  fs::path tree = WithoutTrailingSeparator(input.folder.work_tree);
  CatalogueIndex catalogue = ReadCatalogueIndex(WorkTreeCatalogue(tree));
  RemarkAnalysisRun remarks(input.remark_mode, settings.RemarkPhrases(),
                            settings.OrderCodeRenames(), std::move(catalogue));
  {
    DuplicateIdSection duplicate_ids(settings);
    context.ClearLines();
    StepTiming timing(context, place.clock);
    VisionPatientsInput in_tree = input;
    in_tree.folder.work_tree = tree;
    VisionPatientConversion(in_tree, place, context, duplicate_ids, remarks).Run();
    timing.End();
  }
  if (context.StepMessages()) context.ShowMessage("Ant.fdb病人資料庫完成");
  return StepResult::kDone;
}

}  // namespace zuvo
