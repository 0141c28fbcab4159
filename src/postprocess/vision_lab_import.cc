#include "postprocess/vision_lab_import.h"

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "core/number_text.h"
#include "core/pe_definitions.h"
#include "core/step_timing.h"
#include "core/visit_replacement.h"
#include "platform/big5.h"
#include "platform/profile_file.h"
#include "postprocess/screening.h"
#include "postprocess/vision_lab_placement.h"
#include "postprocess/vision_lab_sections.h"
#include "postprocess/vision_pe_order_lines.h"
#include "workspace/clinic_settings.h"
#include "workspace/folder_layout.h"
#include "workspace/source_system_check.h"
#include "workspace/source_table.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kLabSourcePrefix = "Z0U";
constexpr std::string_view kReferenceCatalogue = "MX.MDB";
constexpr int kRepaintEvery = 200;

std::string U(std::string_view utf8) { return big5::Literal(utf8); }
std::string Shown(std::string_view big5) { return big5::ToUtf8Escaped(big5); }

// laboratory.ini: the lab item map and the items that need no order line.
struct LabSettings {
  std::unordered_map<std::string, std::string> paths;  // upper-cased key → field path
  std::unordered_set<std::string> without_order;       // upper-cased paths

  static LabSettings Load(const fs::path& file) {
    ProfileFile ini(file);
    LabSettings settings;
    for (const std::string& line : ini.SectionLines(U("常誠檢驗"))) {
      const size_t equals = line.find('=');
      if (equals == std::string::npos) continue;
      settings.paths.try_emplace(big5::UpperAscii(big5::Trim(line.substr(0, equals))),
                                 big5::Trim(line.substr(equals + 1)));
    }
    for (const std::string& key : ini.KeyNames(U("無健保碼"))) {
      settings.without_order.insert(big5::UpperAscii(big5::Trim(key)));
    }
    return settings;
  }
  const std::string* PathOf(const std::string& key) const {
    auto found = paths.find(big5::UpperAscii(key));
    return found == paths.end() ? nullptr : &found->second;
  }
};

struct LabRow {
  std::string patient;  // KCSTMR, trimmed
  std::string date;     // HDATE, trimmed
  std::string key;      // the lab item key, or empty for a row of another source
  std::string value;    // HVAL, trimmed
  std::string stamp;    // HSNDDT + HSNDTM
};

LabRow ReadLabRow(const DbfTable& table) {
  LabRow row;
  row.patient = big5::Trim(table.RawField("KCSTMR"));
  row.date = big5::Trim(table.RawField("HDATE"));
  row.value = big5::Trim(table.RawField("HVAL"));
  row.stamp = big5::Trim(table.RawField("HSNDDT")) + big5::Trim(table.RawField("HSNDTM"));
  const std::string text =
      big5::Trim(table.RawField("HITEM")) + "_" + big5::Trim(table.RawField("HDSCP"));
  if (big5::UpperAscii(text.substr(0, kLabSourcePrefix.size())) == kLabSourcePrefix) {
    row.key = text.substr(kLabSourcePrefix.size());
  }
  return row;
}

class LabImport {
 public:
  // The counts of the import go to `counts`.
  LabImport(const ClinicFolderFields& folder, const Workplace& place, StepContext& context,
            VisionLabInput& counts)
      : folder_(folder),
        place_(place),
        context_(context),
        store_(WorkTreeStoreLocation(folder.work_tree, folder.clinic_id)),
        charts_(store_),
        settings_(LabSettings::Load(FindWithoutCase(place.program_folder, kLabSettingsFile))),
        definitions_(PEDefinitions::Load(FindWithoutCase(place.program_folder, kPESettingsFile))),
        catalogue_(Database::Open(WorkTreeCatalogue(folder.work_tree))),
        duplicates_(ClinicSettings(ClinicFolder(place.program_folder, kVisionArea,
                                                big5::Trim(folder.clinic_id)))
                        .DuplicatePatientEntries()),
        sources_{definitions_, catalogue_,
                 FindWithoutCase(place.program_folder, kReferenceCatalogue), place.now},
        counts_(counts) {}

  StepResult Run();

 private:
  // The path of a row that is to be placed, or none (listed when the key is unknown).
  const std::string* PlaceablePath(const LabRow& row);
  void ImportGroup(const std::vector<int>& order, size_t& next, const LabRow& first,
                   int32_t patient, const std::vector<RecentVisit>& recent);
  void List(const std::string& line) {
    context_.AddLine(line);
    context_.ProcessEvents();
  }

  const ClinicFolderFields& folder_;
  const Workplace& place_;
  StepContext& context_;
  StoreLocation store_;
  VisitReplacementSession charts_;  // the store's files, held for the whole import
  LabSettings settings_;
  PEDefinitions definitions_;
  Database catalogue_;
  DuplicatePatients duplicates_;  // the visits lie under the kept number
  PEOrderLineSources sources_;
  std::optional<SourceTable> table_;
  VisionLabInput& counts_;
};

const std::string* LabImport::PlaceablePath(const LabRow& row) {
  if (row.value.empty() || row.key.empty()) return nullptr;
  const std::string* path = settings_.PathOf(row.key);
  if (path == nullptr) {
    List("沒有符合檢驗項目:" + Shown(row.key));
    return nullptr;
  }
  const std::string upper = big5::UpperAscii(*path);
  if (upper == U("套組") || upper == "AGE") return nullptr;
  return path;
}

void LabImport::ImportGroup(const std::vector<int>& order, size_t& next, const LabRow& first,
                            int32_t patient, const std::vector<RecentVisit>& recent) {
  DbfTable& table = table_->table();
  const std::string where = Shown(first.patient);
  const std::string when = Shown(first.date);
  std::vector<VisitSections> visits;
  for (const RecentVisit& visit : recent) {
    visits.push_back(BuildVisitSections(visit, definitions_, [&](const std::string& name) {
      List(where + "日" + when + " 原有資料值" + Shown(name) + "沒有符合項目可填");
    }));
  }
  std::stable_sort(visits.begin(), visits.end(),
                   [](const auto& a, const auto& b) { return a.visit_stamp > b.visit_stamp; });
  for (; next < order.size(); ++next) {
    table.Go(order[next]);
    const LabRow row = ReadLabRow(table);
    if (row.patient != first.patient || row.date != first.date) break;
    ++counts_.rows;
    const std::string* path = PlaceablePath(row);
    if (path == nullptr) continue;
    const LabPlacement placement = PlaceLabValue(
        visits, {*path, row.value, row.stamp}, definitions_, [&](const std::string& value) {
          List(where + " 日期" + when + "成人健檢尿液蛋白質值" + Shown(value) +
               "無法辨識,用[無]代替輸入");
        });
    if (placement == LabPlacement::kStandAlone &&
        !settings_.without_order.contains(big5::UpperAscii(*path))) {
      List(where + " 日期" + when + "找不到檢驗" + Shown(*path) + "儲存位置");
    }
  }
  for (VisitSections& visit : visits) {
    std::vector<OrderRecord> orders;
    if (visit.has_no_insu_items) orders = MakePEOrderLines(visit.no_insu_items, sources_, context_);
    std::vector<OrderStamp> stamps;
    const std::string text = RebuildPEText(visit, stamps);
    if (charts_.ReplaceVisitEntry(patient, visit.visit_stamp, text, orders, kLabInstitutionCode,
                                  stamps)) {
      ++counts_.visits_replaced;
    } else {
      ++counts_.replace_failures;
      List("病歷無法置換,保持原樣:" + std::to_string(patient) + " " + visit.visit_stamp);
    }
  }
}

StepResult LabImport::Run() {
  StepTiming timing(context_, place_.clock);
  table_.emplace(SourceTable::Open(folder_.source_folder, kLabTable, folder_.work_tree, context_));
  DbfTable& table = table_->table();
  const std::vector<int> order = table.OrderBy("HDATE");
  context_.SetTotal(static_cast<long>(order.size()));
  context_.SetGauge(0);
  size_t next = 0;
  long groups = 0;
  while (next < order.size() && !context_.StopRequested()) {
    table.Go(order[next]);
    const LabRow first = ReadLabRow(table);
    const std::string* path = PlaceablePath(first);
    std::optional<int64_t> patient = ParseInteger(first.patient);
    if (patient) patient = duplicates_.KeptPatient(*patient);
    if (path != nullptr && (!patient || *patient <= 0 || *patient > INT32_MAX)) {
      List("病歷號錯誤:" + Shown(first.patient));
      path = nullptr;
    }
    std::vector<RecentVisit> recent;
    if (path != nullptr) {
      recent = charts_.LoadRecentVisits(static_cast<int32_t>(*patient), first.date, kLabWindowDays);
      if (recent.empty()) {
        List(Shown(first.patient) + "沒有" + Shown(first.date) + "之前的14天病歷");
        path = nullptr;
      }
    }
    if (path == nullptr) {
      ++next;
      ++counts_.rows;
    } else {
      ImportGroup(order, next, first, static_cast<int32_t>(*patient), recent);
    }
    context_.SetGauge(static_cast<long>(next));
    if (++groups % kRepaintEvery == 0) {
      context_.SetDone(static_cast<long>(next));
      context_.ProcessEvents();
    }
  }
  context_.SetDone(counts_.rows);
  charts_.Close();
  table_.reset();
  if (context_.StopRequested()) {
    timing.End();
    return StepResult::kStopped;
  }
  List(std::string(kLabImportDoneUtf8));
  timing.End();
  if (context_.StepMessages()) context_.ShowMessage(kLabImportDoneUtf8);
  return StepResult::kDone;
}

}  // namespace

StepResult ImportVisionLabValues(VisionLabInput& input, const Workplace& place,
                                 StepContext& context) {
  input.rows = 0;
  input.visits_replaced = 0;
  input.replace_failures = 0;
  if (!CheckSourceSystem(SourceSystem::kVision, input.folder, kVisionWrongSourceUtf8, context)) {
    return StepResult::kStopped;
  }
  return LabImport(input.folder, place, context, input).Run();
}

}  // namespace zuvo
