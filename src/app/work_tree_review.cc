#include "app/work_tree_review.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <set>

#include "app/conversion_report.h"
#include "app/work_tree_selection.h"
#include "charts/chart_clinic_file.h"
#include "charts/realsun_dates.h"
#include "charts/realsun_visit_row.h"
#include "core/chart_reader.h"
#include "core/number_text.h"
#include "core/patient_store.h"
#include "core/realsun_date.h"
#include "core/roc_date.h"
#include "platform/big5.h"
#include "platform/dbf_table.h"
#include "platform/error.h"
#include "platform/file_ops.h"
#include "workspace/clinic_settings.h"
#include "workspace/dataedit_ini.h"
#include "workspace/folder_layout.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kReportPrefix = "ConversionReport_";
constexpr std::string_view kReportListHeading = "message list:";

// A source table as the conversion read it: the copy it left in the work tree (named by the
// table's file name), else the table of the source folder.
std::optional<fs::path> FindSourceTable(const fs::path& work_tree, const fs::path& source_folder,
                                        std::string_view relative) {
  const fs::path name = PathFromUtf8(relative).filename();
  std::optional<fs::path> file = ResolvePath(work_tree, PathToUtf8(name));
  if (!file && !source_folder.empty()) file = ResolvePath(source_folder, relative);
  return file;
}

std::optional<DbfTable> OpenSourceTable(const fs::path& work_tree, const fs::path& source_folder,
                                        std::string_view relative) {
  std::optional<fs::path> file = FindSourceTable(work_tree, source_folder, relative);
  if (!file) return std::nullopt;
  return DbfTable::Open(file->parent_path(), PathToUtf8(file->filename()));
}

int RocYearOf(std::string_view roc_date) {
  if (roc_date.size() != 7) return 0;
  return static_cast<int>(IntegerOr(roc_date.substr(0, 3), 0));
}

SourceSystem SystemOf(const fs::path& work_tree, const std::optional<ConversionRecord>& record) {
  if (record && record->system != SourceSystem::kUnknown) return record->system;
  const std::string area = PathToUtf8(work_tree.parent_path().parent_path().filename());
  if (area == kVisionArea) return SourceSystem::kVision;
  if (area == kRealSunArea) return SourceSystem::kRealSun;
  return SourceSystem::kUnknown;
}

// What the chart conversion needs to judge a source row, from the run record and data.ini.
struct RowJudge {
  DateTime opening = 0;
  std::string split;  // ROC yyymmdd
  MakeDateMode mode = MakeDateMode::kOnAndAfter;
  DateTime now = 0;
  ChartClinicFile clinic;
  std::set<int64_t> stored;  // valid patient records
  // RealSun: whether the month of a visit date has no claim table; never for Vision.
  std::function<bool(const std::string& date)> unclaimed = [](const std::string&) { return false; };

  // Counts one visit row of `date` (ROC yyymmdd) and time (hhmm or empty) of chart number
  // `number` into `tally`: the reasons it would be left out, or none (left for the converted).
  bool Judge(const std::string& date, const std::string& time, int64_t number,
             YearTally& tally) const {
    DateTime when = RocStampToDateTime(date + time);
    if (when == 0) when = RocDateToDate(date);
    if (when == 0) return false;
    const int64_t kept = clinic.KeptPatient(number);
    if (kept == 0) {
      ++tally.no_patient;
      return true;
    }
    if (opening != 0 && std::trunc(when) < opening) {
      ++tally.before_opening;
      return true;
    }
    if (mode == MakeDateMode::kOnAndAfter ? date < split : date >= split) {
      ++tally.outside_split;
      return true;
    }
    if (unclaimed(date)) {
      ++tally.no_claims;
      return true;
    }
    if (now != 0 && when > now) {
      ++tally.future;
      return true;
    }
    if (!stored.count(kept)) {
      ++tally.no_patient;
      return true;
    }
    return false;
  }
};

// The visit tables of the source: Vision's one CO03L.DBF, RealSun's Z\plut1.dbf, plut2, ...
std::vector<std::string> VisitTables(SourceSystem system, const fs::path& work_tree,
                                     const fs::path& source_folder) {
  if (system == SourceSystem::kVision) return {"CO03L.DBF"};
  std::vector<std::string> tables;
  for (int n = 1;; ++n) {
    std::string name = RealSunVisitTableName(n);
    if (!FindSourceTable(work_tree, source_folder, name)) break;
    tables.push_back(name);
  }
  return tables;
}

void CountSourceVisits(WorkTreeReview& review, const fs::path& source_folder, const RowJudge& judge,
                       std::map<int, YearTally>& years) {
  for (const std::string& name : VisitTables(review.system, review.work_tree, source_folder)) {
    std::optional<DbfTable> table = OpenSourceTable(review.work_tree, source_folder, name);
    if (!table) continue;
    const bool vision = review.system == SourceSystem::kVision;
    for (table->First(); !table->Eof(); table->Next()) {
      std::string date = big5::Trim(table->Text("DATE"));
      std::string time;
      std::string number_text;
      if (vision) {
        time = big5::Trim(table->Text("TIME"));
        number_text = big5::Trim(table->Text("KCSTMR"));
      } else {
        date = RealSunDateText(date);
        number_text = RealSunPatientPart(big5::Trim(table->Text("CODE_F")));
      }
      YearTally& tally = years[RocYearOf(date)];
      tally.roc_year = RocYearOf(date);
      ++tally.source;
      judge.Judge(date, time, IntegerOr(number_text, 0), tally);
    }
  }
}

std::string RocSlashDate(std::string_view roc) {
  if (roc.size() != 7) return std::string(roc);
  return std::string(roc.substr(0, 3)) + "/" + std::string(roc.substr(3, 2)) + "/" +
         std::string(roc.substr(5, 2));
}

std::string SplitWords(const ChartOptions& chart, long outside) {
  const std::string date = RocSlashDate(big5::ToUtf8Escaped(chart.split_date));
  if (chart.mode == MakeDateMode::kOnAndAfter) {
    return "只轉換 " + date + " 以後的門診,之前的 " + std::to_string(outside) + " 筆未轉";
  }
  return "只轉換 " + date + " 以前的門診,之後的 " + std::to_string(outside) + " 筆未轉";
}

std::string TimeText(DateTime when) {
  const CivilDateTime parts = DecodeDateTime(when);
  char text[8];
  std::snprintf(text, sizeof text, "%02d:%02d", parts.hour, parts.minute);
  return RocSlashDate(RocDate(when)) + " " + text;
}

// A dose kept in hundredths: "1", "0.5", "1.25"; empty for none.
std::string DoseText(int16_t hundredths) {
  if (hundredths == 0) return "";
  std::string text = std::to_string(hundredths / 100);
  if (int rest = std::abs(hundredths % 100); rest != 0) {
    text += "." + std::string(rest < 10 ? "0" : "") + std::to_string(rest);
    if (text.back() == '0') text.pop_back();
  }
  return text;
}

// Lines of the newest conversion report: those after its "message list:" heading.
void ReadReport(WorkTreeReview& review) {
  std::vector<fs::path> reports;
  for (const fs::directory_entry& entry : fs::directory_iterator(review.work_tree)) {
    const std::string name = PathToUtf8(entry.path().filename());
    if (entry.is_regular_file() && name.starts_with(kReportPrefix) && name.ends_with(".txt")) {
      reports.push_back(entry.path());
    }
  }
  if (reports.empty()) return;
  review.report_file = *std::max_element(reports.begin(), reports.end());
  std::string text = ReadWholeFile(review.report_file);
  if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
  std::vector<std::string> lines;
  bool listing = false;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = std::min(text.find('\n', start), text.size());
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    start = end + 1;
    if (listing) {
      lines.push_back(std::move(line));
    } else if (line == kReportListHeading) {
      listing = true;
    }
  }
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  for (const auto& [kind, count] : CountMessageKinds(lines)) {
    MessageKindLines group{kind, {}};
    for (const std::string& line : lines) {
      if (MessageKindOf(line) == kind) group.lines.push_back(line);
    }
    review.message_kinds.push_back(std::move(group));
  }
}

// Every valid patient record, with its chart entries counted into the years and totals.
void ReadStore(WorkTreeReview& review, const StoreLocation& store, std::map<int, YearTally>& years,
               std::set<int64_t>& stored) {
  if (!fs::is_directory(store.server_data_folder)) return;
  ChartFileSet files(store);
  const int32_t highest = HighestPatientNumber(store);
  for (int32_t number = 1; number <= highest; ++number) {
    PatientRecord record;
    if (!ReadPatient(store, number, record)) continue;
    stored.insert(number);
    ReviewPatient patient;
    patient.number = number;
    patient.national_id = big5::ToUtf8Escaped(big5::Trim(record.Get(patient_field::kNationalId)));
    patient.name = big5::ToUtf8Escaped(big5::Trim(record.Get(patient_field::kName)));
    const ChartPosition head{record.Get(patient_field::kChartFileCode),
                             record.Get(patient_field::kChartOffset)};
    WalkChain(
        files, head, ChainKind::kPatient, EntryDetail::kFraming, [&](const ChartEntryRead& entry) {
          if (!entry.well_formed || !entry.header) return;
          ++patient.visits;
          const int year = RocYearOf(RocDate(entry.header->Get(header_field::kVisitDateTime)));
          years[year].roc_year = year;
          ++years[year].converted;
          for (const ChartBlock& block : entry.blocks) {
            if (block.tag == chart_tag::kOrder) ++review.order_lines;
            if (block.tag == chart_tag::kDiagnosis) ++review.diagnoses;
          }
        });
    review.patients.push_back(std::move(patient));
  }
  review.patients_written = static_cast<long>(review.patients.size());
}

long SourcePatients(const WorkTreeReview& review, const fs::path& source_folder) {
  std::optional<DbfTable> table =
      OpenSourceTable(review.work_tree, source_folder,
                      review.system == SourceSystem::kVision ? "CO01M.DBF" : "S/PATDB.DBF");
  return table ? table->RecordCount() : 0;
}

void JudgeApply(WorkTreeReview& review) {
  if (!review.record) {
    review.apply_problems.push_back("工作目錄沒有轉檔記錄");
  } else if (review.record->state != ConversionState::kCompleted) {
    review.apply_problems.push_back("上次轉檔沒有完成(" + review.record->activity + ": " +
                                    std::string(ConversionStateWord(review.record->state)) + ")");
  }
  const fs::path own = ServerDataFolder(review.work_tree, big5::FromUtf8(review.clinic_code));
  bool own_found = false;
  for (const StoreCheck& check : review.stores) {
    if (check.folder == own) own_found = true;
    if (!check.report.clean()) {
      review.apply_problems.push_back("病歷檔檢查有問題:" + PathToUtf8(check.folder) + " " +
                                      std::to_string(check.report.findings.size()) + " 項");
    }
  }
  if (!own_found) review.apply_problems.push_back("沒有本診所的病歷檔:" + PathToUtf8(own));
  // Apply never makes a live root: a mistyped LiveRoot must not become a new, empty clinic.
  if (!review.live_root_exists) {
    review.apply_problems.push_back("現用資料的根目錄不存在:" + PathToUtf8(review.live_root));
  }
  review.can_apply = review.apply_problems.empty();
}

}  // namespace

WorkTreeReview ReviewWorkTree(const fs::path& program_folder, const fs::path& given) {
  if (!fs::is_directory(given)) throw Error(PathToUtf8(given) + ": 工作目錄不存在");
  // The folders above it are found by name, so a trailing separator is let go.
  const fs::path work_tree = given.has_filename() ? given : given.parent_path();
  WorkTreeReview review;
  review.work_tree = work_tree;
  review.clinic_code = big5::ToUtf8Escaped(WorkTreeClinicCode(work_tree));
  review.record = ReadConversionRecord(work_tree);
  review.system = SystemOf(work_tree, review.record);
  if (review.record) review.chart = review.record->chart;

  const DataEditIni settings(program_folder);
  fs::path source_folder;
  if (review.system == SourceSystem::kVision || review.system == SourceSystem::kRealSun) {
    source_folder = settings.LastFolder(review.system);
  }

  RowJudge judge;
  if (const ClinicSettings clinic_settings(work_tree.parent_path()); clinic_settings.Exists()) {
    judge.clinic = ReadChartClinicFile(clinic_settings);
    judge.opening = RocDateToDate(judge.clinic.opening_date);
    review.opening_date = big5::ToUtf8Escaped(judge.clinic.opening_date);
  }
  judge.split = big5::Trim(review.chart.split_date);
  judge.mode = review.chart.mode;
  if (review.record) judge.now = RocStampToDateTime(review.record->started);
  std::map<RocMonth, bool> claimed_months;
  if (review.system == SourceSystem::kRealSun) {
    judge.unclaimed = [&](const std::string& date) {
      const std::optional<RocMonth> month = MonthOfRocDate(date);
      if (!month) return false;
      auto [known, added] = claimed_months.try_emplace(*month, false);
      if (added) {
        known->second =
            FindSourceTable(work_tree, source_folder, ClaimTableName(*month)).has_value();
      }
      return !known->second;
    };
  }

  std::map<int, YearTally> years;
  const StoreLocation store = WorkTreeStoreLocation(work_tree, big5::FromUtf8(review.clinic_code));
  ReadStore(review, store, years, judge.stored);
  CountSourceVisits(review, source_folder, judge, years);
  review.source_patients = SourcePatients(review, source_folder);

  for (auto& [year, tally] : years) {
    tally.other = std::max(0L, tally.source - tally.converted - tally.LeftOut());
    review.total.source += tally.source;
    review.total.converted += tally.converted;
    for (const LeftOutReason& reason : kLeftOutReasons) {
      review.total.*reason.count += tally.*reason.count;
    }
    review.years.push_back(tally);
  }
  review.split_words = SplitWords(review.chart, review.total.outside_split);

  ReadReport(review);
  for (const fs::path& folder : WorkTreeStoreFolders(work_tree)) {
    review.stores.push_back(
        {folder,
         VerifyStore({folder, work_tree / PathFromUtf8(kServerFolderName) / "PTdata.ind"})});
  }
  review.live_root = settings.ReadWorkbench().live_root;
  review.live_root_exists = fs::is_directory(review.live_root);
  JudgeApply(review);
  return review;
}

std::vector<ReviewPatient> FindPatients(const WorkTreeReview& review, std::string_view text) {
  auto lower = [](std::string value) {
    for (char& c : value) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return value;
  };
  const std::string wanted = lower(big5::Trim(std::string(text)));
  std::vector<ReviewPatient> found;
  for (const ReviewPatient& patient : review.patients) {
    if (wanted.empty() || std::to_string(patient.number).find(wanted) != std::string::npos ||
        lower(patient.national_id).find(wanted) != std::string::npos ||
        patient.name.find(wanted) != std::string::npos) {
      found.push_back(patient);
    }
  }
  return found;
}

std::vector<ReviewVisit> PatientVisits(const WorkTreeReview& review, int32_t number) {
  const StoreLocation store =
      WorkTreeStoreLocation(review.work_tree, big5::FromUtf8(review.clinic_code));
  PatientRecord record;
  std::vector<ReviewVisit> visits;
  if (!ReadPatient(store, number, record)) return visits;
  ChartFileSet files(store);
  auto text = [](const std::string& big5) { return big5::ToUtf8Escaped(big5::Trim(big5)); };
  WalkChain(
      files, {record.Get(patient_field::kChartFileCode), record.Get(patient_field::kChartOffset)},
      ChainKind::kPatient, EntryDetail::kFull, [&](const ChartEntryRead& entry) {
        ReviewVisit visit;
        visit.problem = entry.problem;
        if (entry.header) visit.date = TimeText(entry.header->Get(header_field::kVisitDateTime));
        if (entry.visit) visit.doctor = text(entry.visit->Get(visit_field::kDoctorName));
        for (const ChartBlock& block : entry.blocks) {
          if (block.tag == chart_tag::kDiagnosis && block.payload.size() == kDiagnosisRecordSize) {
            DiagnosisRecord diagnosis;
            std::copy(block.payload.begin(), block.payload.end(), diagnosis.data());
            visit.diagnoses.push_back(text(diagnosis.Get(diagnosis_field::kCode)) + " " +
                                      text(diagnosis.Get(diagnosis_field::kName)));
          } else if (block.tag == chart_tag::kOrder && block.payload.size() == kOrderRecordSize) {
            OrderRecord order;
            std::copy(block.payload.begin(), block.payload.end(), order.data());
            std::string line = text(order.Get(order_field::kInsuranceCode)) + " " +
                               text(order.Get(order_field::kName));
            for (const std::string& part : {DoseText(order.Get(order_field::kDoseTimes100)) +
                                                text(order.Get(order_field::kDoseUnit)),
                                            text(order.Get(order_field::kFrequencyText)),
                                            std::to_string(order.Get(order_field::kDays)) + "日"}) {
              if (!part.empty()) line += " " + part;
            }
            visit.orders.push_back(std::move(line));
          } else if (block.tag == chart_tag::kChartText) {
            visit.complaint = text(block.payload);
          } else if (block.tag == chart_tag::kExamText) {
            visit.exam = text(block.payload);
          }
        }
        visits.push_back(std::move(visit));
      });
  return visits;
}

Description DescribeReview(const WorkTreeReview& review, const std::vector<ReviewPatient>& patients,
                           const std::vector<ReviewVisit>* visits) {
  auto number = [](long value) { return Description::Number(value); };
  auto texts = [](const std::vector<std::string>& lines) {
    Description out = Description::Array();
    for (const std::string& line : lines) out.Push(Description::Text(line));
    return out;
  };
  auto tally = [&](const YearTally& year) {
    Description out = Description::Object();
    if (year.roc_year != 0) out.Add("roc_year", number(year.roc_year));
    out.Add("source", number(year.source)).Add("converted", number(year.converted));
    for (const LeftOutReason& reason : kLeftOutReasons) {
      out.Add(std::string(reason.key), number(year.*reason.count));
    }
    return out;
  };

  Description out = Description::Object();
  out.Add("work_tree", Description::Text(PathToUtf8(review.work_tree)));
  out.Add("system", Description::Text(std::string(SourceSystemName(review.system))));
  out.Add("clinic_code", Description::Text(review.clinic_code));
  Description run = Description::Object();
  if (review.record) {
    run.Add("activity", Description::Text(review.record->activity))
        .Add("state", Description::Text(std::string(ConversionStateWord(review.record->state))))
        .Add("started", Description::Text(review.record->started))
        .Add("ended", Description::Text(review.record->ended));
  }
  out.Add("run", std::move(run));
  out.Add("split_date", Description::Text(big5::ToUtf8Escaped(review.chart.split_date)));
  out.Add("mode", Description::Text(review.chart.mode == MakeDateMode::kOnAndAfter ? "on_and_after"
                                                                                   : "before"));
  out.Add("opening_date", Description::Text(review.opening_date));
  out.Add("split_words", Description::Text(review.split_words));

  Description counts = Description::Object();
  counts.Add("source_patients", number(review.source_patients))
      .Add("patients_written", number(review.patients_written))
      .Add("order_lines", number(review.order_lines))
      .Add("diagnoses", number(review.diagnoses))
      .Add("visits", tally(review.total));
  Description years = Description::Array();
  for (const YearTally& year : review.years) years.Push(tally(year));
  counts.Add("visits_by_year", std::move(years));
  out.Add("counts", std::move(counts));

  Description kinds = Description::Array();
  for (const MessageKindLines& group : review.message_kinds) {
    Description kind = Description::Object();
    kind.Add("kind", Description::Text(group.kind))
        .Add("count", number(static_cast<long>(group.lines.size())))
        .Add("lines", texts(group.lines));
    kinds.Push(std::move(kind));
  }
  out.Add("report", Description::Text(PathToUtf8(review.report_file)));
  out.Add("message_kinds", std::move(kinds));

  Description stores = Description::Array();
  for (const StoreCheck& check : review.stores) {
    Description store = Description::Object();
    store.Add("folder", Description::Text(PathToUtf8(check.folder)))
        .Add("clean", Description::Bool(check.report.clean()))
        .Add("patients", number(static_cast<long>(check.report.patients)))
        .Add("entries", number(static_cast<long>(check.report.entries)));
    Description findings = Description::Array();
    for (const StoreFinding& finding : check.report.findings) {
      findings.Push(Description::Text(finding.where + ": " + finding.problem));
    }
    store.Add("findings", std::move(findings));
    stores.Push(std::move(store));
  }
  out.Add("stores", std::move(stores));

  Description list = Description::Array();
  for (const ReviewPatient& patient : patients) {
    Description item = Description::Object();
    item.Add("number", number(patient.number))
        .Add("national_id", Description::Text(patient.national_id))
        .Add("name", Description::Text(patient.name))
        .Add("visits", number(patient.visits));
    list.Push(std::move(item));
  }
  out.Add("patients", std::move(list));
  if (visits != nullptr) {
    Description items = Description::Array();
    for (const ReviewVisit& visit : *visits) {
      Description item = Description::Object();
      item.Add("date", Description::Text(visit.date))
          .Add("doctor", Description::Text(visit.doctor))
          .Add("diagnoses", texts(visit.diagnoses))
          .Add("orders", texts(visit.orders))
          .Add("complaint", Description::Text(visit.complaint))
          .Add("exam", Description::Text(visit.exam));
      if (!visit.problem.empty()) item.Add("problem", Description::Text(visit.problem));
      items.Push(std::move(item));
    }
    out.Add("visits", std::move(items));
  }

  out.Add("live_root", Description::Text(PathToUtf8(review.live_root)));
  out.Add("live_root_exists", Description::Bool(review.live_root_exists));
  out.Add("can_apply", Description::Bool(review.can_apply));
  out.Add("apply_problems", texts(review.apply_problems));
  return out;
}

}  // namespace zuvo
