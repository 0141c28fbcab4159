#include "charts/realsun_charts_step.h"

#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <unordered_map>

#include "catalogue/catalogue_settings.h"
#include "charts/chart_clinic_file.h"
#include "charts/chart_step_end.h"
#include "charts/institution_list.h"
#include "charts/order_catalogue.h"
#include "charts/order_frequency.h"
#include "charts/order_points.h"
#include "charts/realsun_chart_text.h"
#include "charts/realsun_claims.h"
#include "charts/realsun_dates.h"
#include "charts/realsun_diagnoses.h"
#include "charts/realsun_newborn.h"
#include "charts/realsun_order_line.h"
#include "charts/realsun_patients.h"
#include "charts/realsun_uploads.h"
#include "charts/realsun_visit_record.h"
#include "charts/realsun_visit_row.h"
#include "core/chart_writer.h"
#include "core/clock_text.h"
#include "core/number_text.h"
#include "core/patient_store.h"
#include "platform/big5.h"
#include "platform/error.h"
#include "platform/file_ops.h"
#include "platform/table_store.h"
#include "workspace/clinic_settings.h"
#include "workspace/folder_layout.h"
#include "workspace/source_system_check.h"
#include "workspace/source_table.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kReleasedPrescription = "釋出處方箋";
constexpr std::string_view kInstitutionListName = "hospbsc.txt";
constexpr int kRepaintEvery = 1000;
// The mapped tables are let out of the resident set this often (see ReleaseResidentPages).
constexpr int kReleasePagesEvery = 20000;

fs::path RequiredFile(const fs::path& folder, std::string_view name) {
  std::optional<fs::path> found = ResolvePath(folder, name);
  if (!found) throw Error("找不到檔案: " + PathToUtf8(folder / PathFromUtf8(name)));
  return *found;
}

// The visit time: the health-card upload's time stamp, on the row's own date when the upload
// was made another day; midnight of the row's date without an upload.
DateTime VisitTime(const std::string& date_text, const std::string* stamp) {
  if (stamp != nullptr && stamp->size() == 13) {
    const DateTime at = stamp->compare(0, 7, date_text) == 0
                            ? RocStampToDateTime(*stamp)
                            : RocStampToDateTime(date_text + stamp->substr(7));
    if (at != 0) return at;
  }
  return RocDateToDate(date_text);
}

class RealSunChartConverter {
 public:
  RealSunChartConverter(RealSunChartInput& input, const Workplace& place, StepContext& context)
      : input_(input), place_(place), context_(context) {}

  StepResult Run();

 private:
  bool CheckClinicFile();
  void ReadUploadTimes();
  void ConvertTable(int table_number);
  void ConvertRow(const RealSunVisitRow& row, const SourceTable& table, int record_number);
  std::vector<OrderLine> OrderLines(const RealSunVisitRow& row, const RealSunVisitFacts& facts,
                                    int32_t patient, const std::string& preventive_code);
  void List(const std::string& line) { context_.AddLine(line); }
  MessageSink Sink() {
    return [this](const std::string& line) { context_.AddLine(line); };
  }

  RealSunChartInput& input_;
  const Workplace& place_;
  StepContext& context_;

  fs::path work_tree_;
  StoreLocation store_;
  std::unique_ptr<ClinicSettings> clinic_settings_;
  ChartClinicFile clinic_;
  bool convert_complaints_ = true;
  std::string split_text_, start_text_;
  DateTime now_ = 0;

  std::unique_ptr<RealSunPatients> patients_;
  std::unique_ptr<OrderCatalogue> catalogue_;
  std::unique_ptr<RealSunDiagnosisResolver> diagnoses_;
  std::unique_ptr<RateTable> rates_;
  std::unique_ptr<UseMethodFixes> fixes_;
  SectionMap dupmx_;
  std::unique_ptr<InstitutionList> institutions_;
  std::unique_ptr<RealSunDoctors> doctors_;
  std::unique_ptr<ClaimTables> claims_;
  std::unique_ptr<UploadTables> uploads_;
  std::unordered_map<std::string, std::string> upload_times_;  // CODE_F → first time stamp
  std::map<int32_t, DateTime> earliest_uploads_;               // patient → earliest upload
  std::unique_ptr<FreshChartStoreWriter> writer_;
  RealSunClinicSettings settings_;
  RealSunOrderSettings order_settings_;
  std::set<std::string> reported_orders_, reported_card1_;
  int rows_read_ = 0;
};

bool RealSunChartConverter::CheckClinicFile() {
  if (!CheckChartClinicFile(clinic_, context_)) return false;
  if (clinic_.pharmacist_name != big5::Literal(kReleasedPrescription) &&
      (clinic_.pharmacist_name.empty() || clinic_.pharmacist_id.empty())) {
    context_.ShowMessage("沒有藥師資料,轉換停止");
    return false;
  }
  if (clinic_.clinic_type.size() < 2) {
    context_.ShowMessage("沒有診所科別代碼(如小兒科代碼是04)資料");
    return false;
  }
  return true;
}

StepResult RealSunChartConverter::Run() {
  input_.unknown_doctors.clear();
  if (!CheckSourceSystem(SourceSystem::kRealSun, input_.folder, kRealSunWrongSystemUtf8,
                         context_)) {
    return StepResult::kStopped;
  }
  now_ = place_.now;
  std::optional<DateTime> split =
      CheckSplitDate(input_.chart.split_date, input_.chart.mode, std::trunc(now_), context_);
  if (!split) return StepResult::kStopped;
  split_text_ = RocDate(*split);
  start_text_ = big5::Trim(input_.folder.start_date);

  work_tree_ = input_.folder.work_tree;
  const std::string clinic_code = big5::Trim(input_.folder.clinic_id);
  store_ = WorkTreeStoreLocation(work_tree_, clinic_code);
  const DateTime started = place_.clock();
  List("begin time" + ClockText(started));

  clinic_settings_ = std::make_unique<ClinicSettings>(
      ClinicFolder(place_.program_folder, kRealSunArea, clinic_code));
  clinic_ = ReadChartClinicFile(*clinic_settings_);
  const ClinicStartSettings settings = PageOverFileSettings(
      input_.folder, {clinic_.opening_date, clinic_.pharmacist_name, clinic_.pharmacist_id});
  clinic_.opening_date = settings.opening_date;
  clinic_.pharmacist_name = settings.pharmacist_name;
  clinic_.pharmacist_id = settings.pharmacist_id;
  if (!CheckClinicFile()) return StepResult::kStopped;
  clinic_settings_->NoteStartSettings(settings);
  convert_complaints_ = clinic_settings_->ConvertsComplaints();
  const fs::path& source = input_.folder.source_folder;
  if (!ResolvePath(source, RealSunVisitTableName(1))) {
    context_.ShowMessage("找不到耀聖門診資料檔Z\\plut1.dbf");
    return StepResult::kStopped;
  }
  if (HighestPatientNumber(store_) == 0) {
    context_.ShowMessage("沒有病人資料,請先製作病人資料");
    return StepResult::kStopped;
  }

  // Everything read once, before the old chart store is deleted.
  {
    std::optional<SourceTable> patient_table =
        SourceTable::OpenIfPresent(source, "S/PATDB.DBF", work_tree_, context_);
    patients_ = std::make_unique<RealSunPatients>(
        RealSunPatients::Load(store_, patient_table ? &patient_table->table() : nullptr));
    Database opd = Database::Open(WorkTreeCatalogue(work_tree_));
    catalogue_ = std::make_unique<OrderCatalogue>(OrderCatalogue::Load(opd));
    std::optional<SourceTable> sick =
        SourceTable::OpenIfPresent(source, "Z/SICK.DBF", work_tree_, context_);
    diagnoses_ = std::make_unique<RealSunDiagnosisResolver>(
        opd, sick ? &sick->table() : nullptr, SectionMap(clinic_settings_->DiagnosisNameFixes()));
  }
  rates_ = std::make_unique<RateTable>(
      RateTable::Read(RequiredFile(place_.program_folder, "CORVIX.INI")));
  fixes_ = std::make_unique<UseMethodFixes>(ClinicUseMethodFixes(*clinic_settings_, context_));
  dupmx_ = SectionMap(clinic_settings_->OrderCodeRenames());
  institutions_ = std::make_unique<InstitutionList>(
      InstitutionList::Load(place_.program_folder, kInstitutionListName));
  doctors_ = std::make_unique<RealSunDoctors>(clinic_.doctors);
  claims_ = std::make_unique<ClaimTables>(source, work_tree_, context_);
  uploads_ = std::make_unique<UploadTables>(source, work_tree_, context_);
  settings_ = {clinic_.clinic_type, clinic_.pharmacist_name, clinic_.pharmacist_id};
  order_settings_ = {rates_.get(), fixes_.get(), clinic_.clinic_type};
  ClinicSettings::Batch batch(*clinic_settings_);

  List("製作門診日期時間連結資料");
  ReadUploadTimes();

  writer_ = std::make_unique<FreshChartStoreWriter>(
      store_,
      FreshChartStoreSettings{input_.chart.file_size, RocDateToDate(clinic_.opening_date), now_});
  for (const auto& [patient, earliest] : earliest_uploads_) {
    writer_->link(patient).Set(link_field::kEarliestVisit, earliest);
  }
  List("製作門診日期時間連結資料完成");
  List("製作病歷");
  context_.SetFileCode(writer_->append_point().file_code);

  for (int number = 1; ResolvePath(source, RealSunVisitTableName(number)); ++number) {
    if (context_.StopRequested()) break;
    ConvertTable(number);
  }

  List("開始寫入ANT.FDB");
  writer_->Finish();
  WriteProfileString(FindWithoutCase(work_tree_ / PathFromUtf8(kFrontEndFolderName), "CORVIX.INI"),
                     "System", big5::Literal("切割日期"), input_.chart.split_date);
  input_.unknown_doctors = doctors_->unknown();
  FinishChartStep(context_, place_, started);
  return StepResult::kDone;
}

// The IC lists: the time stamp of every card use of the months the mode converts, and each
// patient's earliest card use, which makes a later first visit a return visit.
void RealSunChartConverter::ReadUploadTimes() {
  const RocMonth split_month = MonthOf(RocDateToDate(split_text_));
  RocMonth first = split_month, last = MonthOf(now_);
  if (input_.chart.mode == MakeDateMode::kBefore) {
    const std::vector<RocMonth> present = UploadMonthsPresent(input_.folder.source_folder);
    if (present.empty()) return;
    first = present.front();
    last = split_month;
  }
  for (RocMonth month = first; month <= last; month = month.Next()) {
    const UploadTable* table = uploads_->ForMonth(month);
    if (table == nullptr) continue;
    for (const auto& [code, stamp] : table->stamps()) {
      upload_times_.try_emplace(code, stamp);
      const DateTime at = RocStampToDateTime(stamp);
      std::optional<int64_t> number = ParseInteger(RealSunPatientPart(code));
      if (at == 0 || !number) continue;
      const int64_t patient = clinic_.KeptPatient(*number);
      if (!patients_->Stored(patient)) continue;
      auto [known, added] = earliest_uploads_.try_emplace(static_cast<int32_t>(patient), at);
      if (!added && at < known->second) known->second = at;
    }
  }
}

void RealSunChartConverter::ConvertTable(int table_number) {
  SourceTable table = SourceTable::Open(input_.folder.source_folder,
                                        RealSunVisitTableName(table_number), work_tree_, context_);
  DbfTable& rows = table.table();
  const RealSunVisitReader reader(rows);
  context_.SetDone(table_number);
  context_.SetTotal(rows.RecordCount());
  context_.SetGauge(0);
  int position = 0;
  for (rows.First(); !rows.Eof(); rows.Next()) {
    if (context_.StopRequested()) break;
    ConvertRow(reader.Read(), table, rows.RecordNumber());
    context_.SetGauge(++position);
    if (++rows_read_ % kRepaintEvery == 0) context_.ProcessEvents();
    if (rows_read_ % kReleasePagesEvery == 0) {
      rows.ReleaseResidentPages();
      claims_->ReleaseResidentPages();
    }
  }
}

void RealSunChartConverter::ConvertRow(const RealSunVisitRow& row, const SourceTable& table,
                                       int record_number) {
  const std::string date = RealSunDateText(row.date);
  if (!start_text_.empty() && date < start_text_) return;
  if (input_.chart.mode == MakeDateMode::kOnAndAfter ? date < split_text_ : date >= split_text_) {
    return;
  }
  const std::string patient_part(RealSunPatientPart(row.code_f));
  const std::optional<RocMonth> month = MonthOfRocDate(date);
  if (!month) {
    List("門診日期錯誤:" + big5::ToUtf8Escaped(patient_part) + " " + big5::ToUtf8Escaped(date));
    return;
  }
  ClaimTable* claims = claims_->ForMonth(*month);
  if (claims == nullptr) return;

  auto upload = upload_times_.find(row.code_f);
  const DateTime when = VisitTime(date, upload == upload_times_.end() ? nullptr : &upload->second);
  if (when == 0 || std::trunc(when) < writer_->first_day() || when > now_) {
    List("門診日期錯誤:" + big5::ToUtf8Escaped(patient_part) + " " +
         (when == 0 ? big5::ToUtf8Escaped(date) : RocDate(when)));
    return;
  }

  const std::optional<int64_t> number = ParseInteger(patient_part);
  if (!number || patient_part.size() != kRealSunPatientPartLength) {
    List("病歷號錯誤:" + table.RecordPlace(record_number) +
         " CODE_F:" + big5::ToUtf8Escaped(row.code_f));
    return;
  }
  // A patient the patient step kept under another number may well be the table's last row, so
  // the kept number is the one the store must hold.
  const int64_t kept = clinic_.KeptPatient(*number);
  if (kept > patients_->highest()) {
    List("病歷號過大:" + std::to_string(kept) + ">" + std::to_string(patients_->highest()));
    return;
  }
  if (!patients_->Stored(kept)) {
    List(*number == 0 ? "病歷號為0錯誤:" + table.RecordPlace(record_number)
                      : "病歷號沒有病人資料:" + std::to_string(kept));
    return;
  }
  const int32_t patient = static_cast<int32_t>(kept);

  const std::optional<ClaimRow> claim = claims->Find(
      patient_part, row.code_f.substr(std::min(row.code_f.size(), kRealSunPatientPartLength),
                                      kRealSunVisitPartLength));
  RealSunVisitRecord visit = BuildRealSunVisitRecord(row, claim, patient, when, settings_,
                                                     *doctors_, writer_->link(patient), Sink());
  if (visit.card1_missing && reported_card1_.insert(PathToUtf8(claims->source().source())).second) {
    List("沒有CARD1欄位:" + PathToUtf8(claims->source().source()));
  }
  if (visit.copay == "903") {
    const UploadTable* uploads = uploads_->ForMonth(*month);
    NewbornVisit newborn{patient_part,
                         patient,
                         kept != *number,
                         patients_->BirthText(*number),
                         patients_->Male(*number),
                         patients_->NationalId(kept)};
    std::optional<std::string> own_id =
        ApplyNewborn(visit.visit, newborn, uploads ? uploads->NewbornOf(patient_part) : nullptr,
                     uploads != nullptr, Sink());
    if (own_id) {
      clinic_settings_->NoteIdFix(*number, *own_id);
      if (const DuplicatePatient* merged = clinic_.duplicates.Find(*number)) {
        clinic_settings_->DropDuplicatePatient(merged->key);
      }
    }
  }

  ChartEntry entry;
  if (convert_complaints_) entry.chart_text = RealSunChartText(row);
  std::string preventive_code;
  if (std::optional<PreventiveCare> care = PreventiveCareOfCard(visit.card, visit.second_stage)) {
    entry.diagnoses.push_back(care->diagnosis);
    preventive_code = care->order_code;
  } else {
    entry.diagnoses = diagnoses_->Resolve(row, patient, Sink());
  }

  RealSunVisitFacts facts{when, visit.payment_class, visit.case_type, patients_->BirthDate(*number),
                          std::nullopt};
  if (!visit.referral_code.empty()) {
    std::string name = institutions_->NameOf(visit.referral_code);
    facts.referral_institution = name.empty() ? visit.referral_code : name;
  }
  entry.orders = OrderLines(row, facts, patient, preventive_code);
  SetVisitPoints(visit.visit, SumOrderPoints(entry.orders));
  entry.visit = visit.visit;
  writer_->Write(entry);
  context_.SetFileCode(writer_->append_point().file_code);
}

std::vector<OrderLine> RealSunChartConverter::OrderLines(const RealSunVisitRow& row,
                                                         const RealSunVisitFacts& facts,
                                                         int32_t patient,
                                                         const std::string& preventive_code) {
  std::vector<OrderLine> lines;
  for (const RealSunOrderSlot& slot : row.slots) {
    std::optional<CatalogueRow> found = FindRealSunOrder(slot.drug, *catalogue_, dupmx_);
    if (!found) {
      if (reported_orders_.insert(slot.drug).second) {
        List("OPD.mdb找不到處置:[" + big5::ToUtf8Escaped(slot.drug) + "] " +
             std::to_string(patient));
      }
      continue;
    }
    lines.push_back(BuildRealSunOrderLine(slot, *found, facts, order_settings_));
  }
  if (!preventive_code.empty() && !HoldsPreventiveOrder(lines, preventive_code)) {
    if (const CatalogueRow* row = catalogue_->ByInsuranceCode(preventive_code)) {
      lines.push_back(BuildPreventiveOrderLine(*row, facts, order_settings_));
    }
  }
  return lines;
}

}  // namespace

StepResult ConvertRealSunCharts(RealSunChartInput& input, const Workplace& place,
                                StepContext& context) {
  return RealSunChartConverter(input, place, context).Run();
}

}  // namespace zuvo
