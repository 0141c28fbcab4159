#include "charts/vision_charts_step.h"

#include <cmath>
#include <cstdio>
#include <optional>

#include "charts/chart_clinic_file.h"
#include "charts/chart_step_end.h"
#include "charts/institution_list.h"
#include "charts/referral_remarks.h"
#include "charts/trimmed_view.h"
#include "charts/vision_adult_health_check.h"
#include "charts/vision_diagnoses.h"
#include "charts/vision_order_points.h"
#include "charts/vision_prepass_files.h"
#include "charts/vision_visit_record.h"
#include "charts/vision_visit_row.h"
#include "core/chart_writer.h"
#include "core/clock_text.h"
#include "core/number_text.h"
#include "core/patient_store.h"
#include "platform/big5.h"
#include "platform/dbf_table.h"
#include "platform/error.h"
#include "platform/file_ops.h"
#include "platform/table_store.h"
#include "workspace/clinic_settings.h"
#include "workspace/folder_layout.h"
#include "workspace/source_system_check.h"
#include "workspace/source_table.h"
#include "workspace/split_date.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;

constexpr size_t kMaxOrderLinesPerVisit = 50;
constexpr int kRepaintEvery = 1000;
// The mapped visit table and chain files are let out of the resident set this often, so that a
// clinic of millions of order lines converts in bounded memory.
constexpr int kReleasePagesEvery = 20000;
constexpr std::string_view kVisitTable = "CO03L.DBF";
constexpr std::string_view kHealthCheckTable = "CO18R.DBF";
constexpr std::string_view kIcd9MapDatabase = "ICD-10-CM (1020314).MDB";
constexpr std::string_view kReferenceDiagnosisDatabase = "ICD10CM.MDB";
constexpr std::string_view kInstitutionListName = "hospbsc.txt";

// The clinic's settings, as far as the conversion reads them.
struct ClinicFile {
  VisionClinicSettings clinic;
  ChartClinicFile file;
};

ClinicFile ReadClinicFile(const fs::path& clinic_folder, const VisionChartInput& input) {
  ClinicFile read;
  read.file = ReadChartClinicFile(ClinicSettings(clinic_folder));
  read.clinic.clinic_id = big5::Trim(input.folder.clinic_id);
  read.clinic.main_doctor_name = read.file.main_doctor_name;
  read.clinic.main_doctor_id = read.file.main_doctor_id;
  read.clinic.pharmacist_name = read.file.pharmacist_name;
  read.clinic.pharmacist_id = read.file.pharmacist_id;
  for (const auto& [name, id] : read.file.doctors) {
    if (!id.empty()) read.clinic.doctor_name_by_id.try_emplace(id, name);
  }
  return read;
}

// The complaint of a visit among its day's records (newest first): the first at the visit's
// time, else the oldest of the day; into `text`, which keeps its room from visit to visit.
void ChiefComplaint(const ComplaintFile& complaints, int32_t patient, std::string_view date,
                    std::string_view time, std::string& text) {
  text.clear();
  std::span<const int32_t> records = complaints.VisitRecords(patient, date);
  if (records.empty()) return;
  int32_t chosen = records.back();
  for (int32_t number : records) {
    if (complaints.View(number).Get(complaint_field::kTime) == time) {
      chosen = number;
      break;
    }
  }
  std::string_view complaint = TrimmedView(complaints.View(chosen).Get(complaint_field::kText));
  if (complaint.size() >= 3 && big5::UpperAscii(complaint.substr(0, 3)) == "CC:") {
    complaint.remove_prefix(3);
  }
  text.assign(complaint);
}

class VisionChartConverter {
 public:
  VisionChartConverter(VisionChartInput& input, const Workplace& place, StepContext& context)
      : input_(input), place_(place), context_(context) {}

  StepResult Run();

 private:
  void ConvertRow(int row_number);
  // The visit's order lines (at most kMaxOrderLinesPerVisit) into `lines`.
  void OrderLines(int32_t source_patient, const std::string& date, const std::string& time,
                  char payment_class, std::vector<OrderLine>& lines);
  void List(const std::string& line) { context_.AddLine(line); }
  const MessageSink& Sink() const { return sink_; }
  const PatientRecord& Patient(int32_t number);
  void ReleaseMappedPages() const {
    visits_->table().ReleaseResidentPages();
    complaints_->ReleaseResidentPages();
    orders_->ReleaseResidentPages();
  }

  VisionChartInput& input_;
  const Workplace& place_;
  StepContext& context_;
  const MessageSink sink_ = [this](const std::string& line) { context_.AddLine(line); };

  fs::path work_tree_;
  ClinicFile clinic_;
  StoreLocation store_;
  DateTime opening_ = 0, split_ = 0, now_ = 0;
  std::unique_ptr<FreshChartStoreWriter> writer_;
  std::unique_ptr<VisionDiagnosisResolver> diagnoses_;
  std::unique_ptr<ComplaintFile> complaints_;
  std::unique_ptr<OrderLineFile> orders_;
  std::unique_ptr<InstitutionList> institutions_;
  std::unique_ptr<ReferralRemarks> referrals_;
  std::optional<SourceTable> visits_;
  std::optional<SourceTable> health_checks_;
  std::optional<VisionVisitRowReader> rows_;
  ChartEntry entry_;
  PatientRecord patient_;
  int32_t patient_number_read_ = -1;
};

StepResult VisionChartConverter::Run() {
  if (!CheckSourceSystem(SourceSystem::kVision, input_.folder, kVisionWrongSourceUtf8, context_)) {
    return StepResult::kStopped;
  }
  work_tree_ = input_.folder.work_tree;
  const std::string clinic_code = big5::Trim(input_.folder.clinic_id);
  store_ = WorkTreeStoreLocation(work_tree_, clinic_code);
  List("製作病歷");

  clinic_ = ReadClinicFile(ClinicFolder(place_.program_folder, kVisionArea, clinic_code), input_);
  if (!CheckChartClinicFile(clinic_.file, context_)) return StepResult::kStopped;
  opening_ = RocDateToDate(clinic_.file.opening_date);
  now_ = place_.now;
  std::optional<DateTime> split =
      CheckSplitDate(input_.chart.split_date, input_.chart.mode, now_, context_);
  if (!split) return StepResult::kStopped;
  split_ = *split;

  // The source tables first: opening reads a table in whole, and only the pages of the rows
  // being converted need to stay resident, so they are let go before the indexes are built.
  visits_.emplace(
      SourceTable::Open(input_.folder.source_folder, kVisitTable, work_tree_, context_));
  health_checks_ = SourceTable::OpenIfPresent(input_.folder.source_folder, kHealthCheckTable,
                                              work_tree_, context_);
  visits_->table().ReleaseResidentPages();
  rows_.emplace(visits_->table());

  // Databases and work files, each read once.
  const fs::path& program = place_.program_folder;
  Database icd9_map = Database::OpenReadOnly(program / PathFromUtf8(kIcd9MapDatabase));
  Database reference = Database::OpenReadOnly(program / PathFromUtf8(kReferenceDiagnosisDatabase));
  Database clinic_opd = Database::Open(WorkTreeCatalogue(work_tree_));
  diagnoses_ =
      std::make_unique<VisionDiagnosisResolver>(std::move(clinic_opd), reference, icd9_map);
  {
    Database chains = Database::Open(FindWithoutCase(work_tree_, kChainDatabaseFileName));
    complaints_ = std::make_unique<ComplaintFile>(
        OpenComplaintFile(FindWithoutCase(work_tree_, kComplaintFileName),
                          ReadChainHeads(chains, kComplaintLinkTable)));
    orders_ = std::make_unique<OrderLineFile>(OpenOrderLineFile(
        FindWithoutCase(work_tree_, kOrderLineFileName), ReadChainHeads(chains, kOrderLinkTable)));
  }
  for (size_t i = 0; i < complaints_->damaged_patients().size(); ++i) {
    context_.ShowMessage("chartNo err");
  }
  for (size_t i = 0; i < orders_->damaged_patients().size(); ++i) {
    context_.ShowMessage("MX chartNo err");
  }
  institutions_ =
      std::make_unique<InstitutionList>(InstitutionList::Load(program, kInstitutionListName));
  referrals_ = std::make_unique<ReferralRemarks>(
      ResolvePath(input_.folder.source_folder, "NHI_REF")
          .value_or(input_.folder.source_folder / "NHI_REF"),
      ReferralIndex::Load(FindWithoutCase(work_tree_, kReferralIndexFileName)), *institutions_);

  const DateTime started = place_.clock();
  List("begin time" + ClockText(started));
  writer_ = std::make_unique<FreshChartStoreWriter>(
      store_, FreshChartStoreSettings{input_.chart.file_size, opening_, now_});
  context_.SetFileCode(writer_->append_point().file_code);
  context_.SetTotal(visits_->table().RecordCount());
  context_.SetGauge(0);

  int row_number = 0;
  for (visits_->table().First(); !visits_->table().Eof(); visits_->table().Next()) {
    ++row_number;
    ConvertRow(row_number);
    context_.SetGauge(row_number);
    if (row_number % kRepaintEvery == 0) {
      context_.SetDone(row_number);
      context_.ProcessEvents();
    }
    if (row_number % kReleasePagesEvery == 0) ReleaseMappedPages();
    if (context_.StopRequested()) break;
  }
  context_.SetDone(row_number);

  diagnoses_->Flush();
  List("開始寫入 PT,DayLink ...");
  writer_->Finish();
  FinishChartStep(context_, place_, started);
  return StepResult::kDone;
}

const PatientRecord& VisionChartConverter::Patient(int32_t number) {
  if (patient_number_read_ != number) {
    ReadPatient(store_, number, patient_);
    patient_number_read_ = number;
  }
  return patient_;
}

void VisionChartConverter::ConvertRow(int row_number) {
  const VisionVisitRow& row = rows_->Read();
  const std::string date = big5::Trim(row.date);
  const std::string time = big5::Trim(row.time);

  DateTime when = RocStampToDateTime(date + time);
  if (when == 0) when = RocDateToDate(date);
  if (when == 0) {
    List("日期時間錯誤" + big5::ToUtf8Escaped(date) + ":" + big5::ToUtf8Escaped(time));
    return;
  }
  const std::string source_number = big5::Trim(row.kcstmr);
  const int32_t patient =
      static_cast<int32_t>(clinic_.file.KeptPatient(IntegerOr(source_number, 0)));
  if (patient == 0) {
    List("病歷號為0錯誤:" + std::to_string(row_number));
    return;
  }
  if (when < opening_) return;
  if (input_.chart.mode == MakeDateMode::kOnAndAfter ? when < split_ : when >= split_) return;
  if (std::trunc(when) < writer_->first_day() || when > now_) {
    List("門診日期錯誤:" + std::to_string(patient) + " " + RocDate(when));
    return;
  }
  int drug_days = 0;
  if (std::optional<double> days = ParseNumber(big5::Trim(row.dayqty))) {
    drug_days = static_cast<int>(*days);
  } else if (big5::Trim(row.dayqty).empty() && clinic_.clinic.clinic_id == kVisionSpecialClinicId) {
    drug_days = 3;
  } else {
    List("開藥日數錯誤:" + std::to_string(row_number));
    return;
  }

  const int32_t source_patient = static_cast<int32_t>(IntegerOr(source_number, 0));
  complaints_->PrefetchVisit(source_patient, date);
  orders_->PrefetchVisit(source_patient, date);

  // One entry serves every visit, so that its lists keep their room.
  ChartEntry& entry = entry_;
  entry.header = ChartHeader();
  entry.exam_text.clear();
  VisionVisitRecord visit =
      BuildVisionVisitRecord(row, patient, when, drug_days, clinic_.clinic, Sink());
  diagnoses_->Resolve(row, patient, when, Sink(), entry.diagnoses);
  ChiefComplaint(*complaints_, source_patient, date, time, entry.chart_text);
  OrderLines(source_patient, date, time, visit.payment_class, entry.orders);
  SetVisitPoints(visit.visit, SumOrderPoints(entry.orders));
  visit.visit.Set(visit_field::kOrderMix, OrderMixMark(visit.case_type, entry.orders));

  if (patient > writer_->highest_patient_number()) {
    List("病歷號過大:" + std::to_string(patient));
    return;
  }

  // Remarks, surgery codes and the health check, line by line.
  size_t next_procedure = 0;
  for (OrderLine& line : entry.orders) {
    OrderRecord& record = line.record;
    record.Set(order_field::kFlags1,
               static_cast<int16_t>(record.Get(order_field::kFlags1) & ~kOrderFlagHasRemark));
    const std::string code = big5::Trim(record.Get(order_field::kInsuranceCode));
    if (std::optional<ReferralKind> kind = ReferralKindOf(code)) {
      const std::string national_id = Patient(patient).Get(patient_field::kNationalId);
      const CivilDateTime day = DecodeDateTime(when);
      char western[16];
      std::snprintf(western, sizeof western, "%04d%02d%02d", day.year, day.month, day.day);
      line.remark = referrals_->Take(*kind, national_id, western, Sink());
    }
    if ((record.Get(order_field::kFlags1) & kOrderKindOperate) != 0 &&
        next_procedure < visit.procedure_codes.size()) {
      record.Set(order_field::kOwnCode, visit.procedure_codes[next_procedure++]);
    }
    if (IsAdultHealthCheckCode(code) && health_checks_) {
      AddAdultHealthCheck(health_checks_->table(), source_number, date, entry.exam_text, record,
                          Patient(patient).Get(patient_field::kSex));
    }
  }
  entry.visit = visit.visit;
  if (!writer_->Accepts(patient, when)) {
    List("門診日期錯誤:" + std::to_string(patient) + " " + RocDate(when));
    return;
  }
  writer_->Write(entry);
  context_.SetFileCode(writer_->append_point().file_code);
}

void VisionChartConverter::OrderLines(int32_t source_patient, const std::string& date,
                                      const std::string& time, char payment_class,
                                      std::vector<OrderLine>& lines) {
  lines.clear();
  for (int32_t number : orders_->VisitRecords(source_patient, date)) {
    const RecordView stored = orders_->View(number);
    if (TrimmedView(stored.Get(order_line_field::kTime)) != time) continue;
    OrderLine& line = lines.emplace_back();
    line.record = OrderImageOf(stored);
    if (payment_class == '0') {
      line.record.Set(
          order_field::kFlags2,
          static_cast<int16_t>(line.record.Get(order_field::kFlags2) | kOrderFlags2SelfPaid));
    }
    if (lines.size() == kMaxOrderLinesPerVisit) break;
  }
}

}  // namespace

StepResult ConvertVisionCharts(VisionChartInput& input, const Workplace& place,
                               StepContext& context) {
  return VisionChartConverter(input, place, context).Run();
}

}  // namespace zuvo
