#include "charts/vision_prepass.h"

#include <chrono>
#include <cmath>
#include <unordered_set>

#include "catalogue/catalogue_settings.h"
#include "charts/chart_clinic_file.h"
#include "charts/order_catalogue.h"
#include "charts/trimmed_view.h"
#include "charts/vision_prepass_files.h"
#include "charts/vision_prepass_order_line.h"
#include "charts/vision_prepass_record_filter.h"
#include "core/clock_text.h"
#include "core/tag_elements.h"
#include "platform/big5.h"
#include "platform/dbf_number.h"
#include "platform/dbf_table.h"
#include "platform/error.h"
#include "platform/file_ops.h"
#include "platform/table_store.h"
#include "platform/test_point.h"
#include "workspace/clinic_settings.h"
#include "workspace/folder_layout.h"
#include "workspace/source_system_check.h"
#include "workspace/source_table.h"

namespace zuvo {
namespace {

constexpr std::string_view kEarliestRocDate = "0800101";
constexpr int kRepaintEvery = 1000;

std::filesystem::path RequiredFile(const std::filesystem::path& folder, std::string_view name) {
  std::optional<std::filesystem::path> found = ResolvePath(folder, name);
  if (!found) throw Error("找不到檔案: " + PathToUtf8(folder / PathFromUtf8(name)));
  return *found;
}

// The visit time of a row: date and time, or the date alone when the time is not valid.
DateTime RowDateTime(std::string_view date, std::string_view time) {
  DateTime value = RocStampToDateTime(std::string(date) + std::string(time));
  return value != 0 ? value : RocDateToDate(date);
}

// A visit's rows follow each other, so a row's times are read again only when its date or time
// text differs from the row before.
class RowTimes {
 public:
  DateTime DateTimeOf(std::string_view date, std::string_view time) {
    if (!stamp_known_ || date != stamp_date_ || time != stamp_time_) {
      stamp_date_.assign(date);
      stamp_time_.assign(time);
      date_time_ = RowDateTime(date, time);
      stamp_known_ = true;
    }
    return date_time_;
  }
  DateTime DayOf(std::string_view date) {
    if (!day_known_ || date != day_date_) {
      day_date_.assign(date);
      day_ = RocDateToDate(date);
      day_known_ = true;
    }
    return day_;
  }

 private:
  std::string stamp_date_, stamp_time_, day_date_;
  DateTime date_time_ = 0, day_ = 0;
  bool stamp_known_ = false, day_known_ = false;
};

DateTime DateOrEarliest(std::string_view roc_date) {
  DateTime value = RocDateToDate(big5::Trim(roc_date));
  return value != 0 ? std::trunc(value) : RocDateToDate(kEarliestRocDate);
}

std::string Utf8(std::string_view big5) { return big5::ToUtf8Escaped(big5); }

class FieldReader {
 public:
  FieldReader(const DbfTable& table, std::initializer_list<std::string_view> names)
      : table_(table) {
    for (std::string_view name : names) {
      int index = table.FieldIndex(name);
      if (index < 0) {
        throw Error(PathToUtf8(table.path()) + ": 缺少欄位 " + std::string(name));
      }
      indexes_.push_back(index);
    }
  }
  std::string Trimmed(size_t field) const { return std::string(View(field)); }
  // The trimmed field, valid until the cursor moves.
  std::string_view View(size_t field) const {
    return TrimmedView(table_.RawField(indexes_[field]));
  }
  int64_t Integer(size_t field) const {
    return ParseDbfInteger(table_.RawField(indexes_[field])).value_or(0);
  }
  double Number(size_t field) const {
    return ParseDbfNumber(table_.RawField(indexes_[field])).value_or(0);
  }

 private:
  const DbfTable& table_;
  std::vector<int> indexes_;
};

struct PrepassRun {
  const VisionChartInput& input;
  const Workplace& place;
  StepContext& context;
  PrepassRecordFilter filter;
  DateTime now = 0;

  // True when the row is used; reports an implausible date.
  bool Accept(int64_t patient, DateTime date_time) const {
    switch (filter.Judge(patient, date_time)) {
      case RecordVerdict::kUse:
        return true;
      case RecordVerdict::kImplausible:
        context.AddLine("門診日期錯誤:" + std::to_string(patient) + " " + RocDate(date_time));
        return false;
      case RecordVerdict::kSkip:
        return false;
    }
    return false;
  }
  void Advance(long position) {
    if (position % kRepaintEvery == 0) {
      context.SetGauge(position);
      context.ProcessEvents();
    }
  }
};

ChainHeads ConvertComplaints(PrepassRun& run) {
  const std::filesystem::path& work = run.input.folder.work_tree;
  run.context.AddLine("開始主訴轉換:begin time" + ClockText(run.place.clock()));
  run.context.SetDone(0);
  run.context.SetElapsedLabel("耗時:等待結束中....");
  SourceTable source =
      SourceTable::Open(run.input.folder.source_folder, "CO02H.DBF", work, run.context);
  DbfTable& table = source.table();
  run.context.SetTotal(table.RecordCount());
  enum { kPatient, kDate, kTime, kText };
  FieldReader fields(table, {"KCSTMR", "SDATE", "STIME", "STEXT"});
  ComplaintWriter writer = OpenComplaintWriter(work / kComplaintFileName);
  RowTimes times;
  long position = 0;
  for (table.First(); !table.Eof() && !run.context.StopRequested(); table.Next()) {
    run.Advance(++position);
    int64_t patient = fields.Integer(kPatient);
    const std::string_view date = fields.View(kDate);
    const std::string_view time = fields.View(kTime);
    if (!run.Accept(patient, times.DateTimeOf(date, time))) continue;
    ComplaintRecord record;
    record.Set(complaint_field::kPatientNumber, static_cast<int32_t>(patient));
    record.Set(complaint_field::kDate, date);
    record.Set(complaint_field::kTime, time);
    record.Set(complaint_field::kText, fields.View(kText));
    writer.Append(record);
  }
  writer.Close();
  run.context.SetGauge(position);
  run.context.AddLine("主訴轉換完成:" + ClockText(run.place.clock()));
  return writer.heads();
}

void IndexReferrals(PrepassRun& run) {
  run.context.AddLine("開始轉診建檔");
  ReferralIndex index;
  std::optional<std::filesystem::path> folder =
      ResolvePath(run.input.folder.source_folder, "NHI_REF");
  if (!folder || !std::filesystem::is_directory(*folder)) {
    run.context.AddLine("沒有轉診資料夾,轉診建檔未做" + ClockText(run.place.clock()));
  } else {
    std::vector<std::string> lines;
    for (const std::filesystem::path& file : ListByWildcard(*folder, "ET*.*")) {
      if (std::filesystem::is_directory(file)) continue;
      std::string name = big5::FromUtf8(PathToUtf8(file.filename()));
      std::string kind = big5::UpperAscii(name.substr(0, 3));
      std::string key;
      std::string text = ReadWholeFile(file);
      if (kind == "ETA") {
        ReadTagElementsSkipEmpty(text, 1, "etadata", lines);
        key = "A" + big5::Trim(ElementValue(lines, "h1")) + big5::Trim(ElementValue(lines, "h23"));
      } else if (kind == "ETB") {
        ReadTagElementsSkipEmpty(text, 1, "etbdata", lines);
        key = "B" + big5::Trim(ElementValue(lines, "h2")) + big5::Trim(ElementValue(lines, "h5"));
      } else {
        continue;
      }
      index.Add(key, name);
    }
    run.context.AddLine("轉診建檔完成:" + ClockText(run.place.clock()));
  }
  index.Save(run.input.folder.work_tree / kReferralIndexFileName);
}

struct OrderPassResult {
  ChainHeads heads;
  std::vector<std::string> unknown_codes;
  DateTime earliest = 0;
};

OrderPassResult ConvertOrders(PrepassRun& run, const std::filesystem::path& program_folder,
                              ClinicSettings& clinic_settings, const std::string& clinic_type) {
  const std::filesystem::path& work = run.input.folder.work_tree;
  run.context.AddLine("開始醫令轉換");
  Database opd = Database::Open(WorkTreeCatalogue(work));
  OrderCatalogue catalogue = OrderCatalogue::Load(opd);
  SourceTable source =
      SourceTable::Open(run.input.folder.source_folder, "CO02P.DBF", work, run.context);
  DbfTable& table = source.table();
  run.context.SetTotal(table.RecordCount());

  RateTable rates = RateTable::Read(RequiredFile(program_folder, "CORVIX.INI"));
  CodeSet routes =
      CodeSet::ReadSectionKeys(RequiredFile(program_folder, "MXsetup.ini"), kRouteSection);
  const SectionMap dupmx(clinic_settings.OrderCodeRenames());
  ClinicSettings::Batch batch(clinic_settings);
  UseMethodFixes fixes = ClinicUseMethodFixes(clinic_settings, run.context);
  OrderLineSettings settings;
  settings.rates = &rates;
  settings.routes = &routes;
  settings.fixes = &fixes;
  settings.department_prefix = clinic_type;
  settings.now = run.now;
  settings.report_missing_frequency = [&] { run.context.ShowMessage("MXrate 是Null"); };

  enum {
    kPatient,
    kDate,
    kTime,
    kDrug,
    kDose,
    kFrequency,
    kCount,
    kPercent,
    kRoute,
    kDays,
    kQuantity,
    kClaim
  };
  FieldReader fields(table, {"KCSTMR", "PDATE", "PTIME", "KDRUG", "POQTY", "PFQ", "PTFQ", "PMU",
                             "PPS", "PTDAY", "PTQTY", "PCLM"});
  const DateTime two_years_ago = YearsEarlier(std::trunc(run.now), 2);
  std::unordered_set<std::string> reported;
  OrderPassResult result;
  result.earliest = std::trunc(run.now);
  OrderLineWriter writer = OpenOrderLineWriter(work / kOrderLineFileName);
  RowTimes times;
  long position = 0;
  for (table.First(); !table.Eof() && !run.context.StopRequested(); table.Next()) {
    run.Advance(++position);
    int64_t patient = fields.Integer(kPatient);
    const std::string_view date = fields.View(kDate);
    if (patient != 0) {
      DateTime day = times.DayOf(date);
      if (day != 0 && day < result.earliest) result.earliest = day;
    }
    OrderSourceRow source;
    source.date_time = times.DateTimeOf(date, fields.View(kTime));
    if (!run.Accept(patient, source.date_time)) continue;
    source.drug_code = fields.Trimmed(kDrug);
    if (source.drug_code.empty()) continue;

    const CatalogueRow* row = nullptr;
    const std::string* dup = dupmx.empty() ? nullptr : dupmx.Find(source.drug_code);
    if (dup == nullptr) {
      row = catalogue.ByTradeName(source.drug_code);
      if (row == nullptr) row = catalogue.ByShortName(source.drug_code);
    } else if (dup->empty()) {
      continue;
    } else {
      row = catalogue.ByInsuranceCode(*dup);
      if (row == nullptr) {
        run.context.AddLine("DUPMX但轉換INSUcode錯誤:" + Utf8(source.drug_code) + "=" + Utf8(*dup));
      }
    }
    if (row == nullptr && std::trunc(source.date_time) >= two_years_ago &&
        reported.insert(source.drug_code).second) {
      run.context.AddLine("找不到醫令:" + Utf8(source.drug_code));
      result.unknown_codes.push_back(source.drug_code);
    }
    source.dose = fields.Number(kDose);
    source.frequency = fields.Trimmed(kFrequency);
    source.frequency_count = fields.Trimmed(kCount);
    source.payment_percent = fields.Number(kPercent);
    source.route = fields.Trimmed(kRoute);
    source.days = static_cast<int>(fields.Integer(kDays));
    source.total_quantity = fields.Number(kQuantity);
    source.claim_mark = fields.Trimmed(kClaim);

    OrderLineRecord line;
    line.Set(order_line_field::kPatientNumber, static_cast<int32_t>(patient));
    line.Set(order_line_field::kDate, date);
    line.Set(order_line_field::kTime, fields.View(kTime));
    SetOrderImage(line, BuildOrderLine(source, row, settings));
    writer.Append(line);
  }
  writer.Close();
  run.context.SetGauge(position);
  result.heads = writer.heads();
  return result;
}

}  // namespace

StepResult PrepareVisionVisits(VisionChartInput& input, const Workplace& place,
                               StepContext& context) {
  const std::filesystem::path& program_folder = place.program_folder;
  const DateTime now = place.now;
  if (!CheckSourceSystem(SourceSystem::kVision, input.folder, kVisionWrongSystemUtf8, context)) {
    return StepResult::kStopped;
  }
  const std::filesystem::path& work = input.folder.work_tree;
  const std::filesystem::path chain_database = work / kChainDatabaseFileName;
  if (!DeleteDatabaseFile(chain_database)) {
    throw Error("無法刪除檔案: " + PathToUtf8(chain_database));
  }
  CopyFileTo(RequiredFile(program_folder, kChainDatabaseBlankFileName), chain_database, true);

  const std::filesystem::path clinic_folder =
      ClinicFolder(program_folder, kVisionArea, big5::Trim(input.folder.clinic_id));
  ClinicSettings settings(clinic_folder);
  std::string clinic_type = settings.DepartmentCode();
  if (clinic_type.size() < 2) {
    context.ShowMessage("就醫科別代碼錯誤或缺失");
    return StepResult::kStopped;
  }

  PrepassRun run{input, place, context, {}, now};
  run.filter.first_day = DateOrEarliest(settings.StartSettings().opening_date);
  std::optional<DateTime> split =
      CheckSplitDate(input.chart.split_date, input.chart.mode, std::trunc(now), context);
  if (!split) return StepResult::kStopped;
  run.filter.split_date = *split;
  run.filter.mode = input.chart.mode;
  run.filter.lower_bound = DateOrEarliest(input.folder.start_date);
  run.filter.now = now;

  ChainHeads complaint_heads = ConvertComplaints(run);
  TestPoint("prepass:complaints-converted");
  IndexReferrals(run);
  OrderPassResult orders = ConvertOrders(run, program_folder, settings, clinic_type);

  Database chains = Database::Open(chain_database);
  {
    Transaction transaction(chains);
    WriteChainHeads(chains, kComplaintLinkTable, complaint_heads);
    WriteChainHeads(chains, kOrderLinkTable, orders.heads);
    transaction.Commit();
  }
  if (big5::Trim(input.folder.start_date).empty()) {
    settings.NoteOpeningDate(RocDate(orders.earliest));
  }
  SaveUnknownOrderCodes(clinic_folder / PathFromUtf8(kUnknownOrderCodesFileNameUtf8),
                        orders.unknown_codes);
  const DateTime ended = place.clock();
  context.AddLine("醫令轉換完成:" + ClockText(ended));
  context.SetElapsedLabel("耗時: " + ElapsedText(now, ended));
  if (context.StepMessages()) context.ShowMessage("製作主訴診斷tmpChart.cht完成");
  return StepResult::kDone;
}

}  // namespace zuvo
