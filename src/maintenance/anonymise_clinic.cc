#include "maintenance/anonymise_clinic.h"

#include <algorithm>
#include <optional>
#include <random>
#include <system_error>

#include "core/patient_index.h"
#include "maintenance/anonymise_charts.h"
#include "maintenance/anonymise_patients.h"
#include "platform/big5.h"
#include "platform/file_ops.h"
#include "workspace/conversion_guard.h"
#include "workspace/dataedit_ini.h"
#include "workspace/folder_layout.h"
#include "workspace/work_tree_snapshot.h"

namespace zuvo {

namespace {

namespace fs = std::filesystem;

bool Exists(const fs::path& path) {
  std::error_code error;
  return fs::exists(path, error);
}

bool SameName(const fs::path& entry, std::string_view name) {
  return big5::UpperAscii(PathToUtf8(entry.filename())) == big5::UpperAscii(name);
}

// The work tree of a store at work tree/Tolsern/<code>: a folder that a conversion or merge
// recorded itself in. Empty for any other store (a live clinic folder, whose root holds other
// programs' files).
std::optional<fs::path> WorkTreeOf(const fs::path& store_folder) {
  const fs::path server = WithoutTrailingSeparator(store_folder).parent_path();
  if (!SameName(server, kServerFolderName)) return std::nullopt;
  const fs::path tree = server.parent_path();
  std::error_code error;
  if (!fs::is_regular_file(FindWithoutCase(tree, kConversionRecordName), error)) {
    return std::nullopt;
  }
  return tree;
}

}  // namespace

std::vector<fs::path> PersonalDataLeft(const StoreLocation& store) {
  std::vector<fs::path> left;
  for (std::string_view name : {"MEMBER.SCR", "INSUdata", "Paper"}) {
    const fs::path path = FindWithoutCase(store.server_data_folder, name);
    if (Exists(path)) left.push_back(path);
  }
  const std::optional<fs::path> tree = WorkTreeOf(store.server_data_folder);
  if (!tree) return left;
  std::vector<fs::path> tree_entries;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(*tree, error)) {
    const fs::path& path = entry.path();
    if (!SameName(path, kServerFolderName) && !SameName(path, kFrontEndFolderName) &&
        !SameName(path, kConversionRecordName)) {
      tree_entries.push_back(path);
    }
  }
  std::sort(tree_entries.begin(), tree_entries.end());
  left.insert(left.end(), tree_entries.begin(), tree_entries.end());
  const fs::path snapshot = FindWithoutCase(tree->parent_path(), kSnapshotFolderName);
  if (Exists(snapshot) && !IsSameOrInside(*tree, snapshot)) left.push_back(snapshot);
  return left;
}

std::string AnonymiseDoneText(const std::vector<fs::path>& left) {
  std::string text =
      "霧化完成,請修改member.scr內資料,醫師(" + std::string(kDoctorPlaceholderNameUtf8) + "," +
      std::string(kDoctorPlaceholderId) + "),藥師(" + std::string(kPharmacistPlaceholderNameUtf8) +
      "," + std::string(kPharmacistPlaceholderId) + "))";
  if (left.empty()) return text;
  text += "\n仍含個資,沒有霧化:";
  fs::path folder;
  for (size_t i = 0; i < left.size(); ++i) {
    if (i == 0 || left[i].parent_path() != folder) {
      folder = left[i].parent_path();
      text += "\n" + PathToUtf8(folder / "") + " ";
    } else {
      text += ",";
    }
    text += PathToUtf8(left[i].filename());
  }
  return text;
}

StepResult AnonymiseClinicStore(ClinicStoreAnonymisation& input, const Workplace&,
                                StepContext& context) {
  AnonymiseOutcome& outcome = input.outcome;
  outcome = {};
  const StoreLocation& store = input.store;
  std::error_code error;
  if (store.server_data_folder.empty() ||
      !std::filesystem::is_directory(store.server_data_folder, error)) {
    context.ShowMessage(kClinicCodeMissing, MessageKind::kWarning);
    return StepResult::kStopped;
  }
  const std::string folder = PathToUtf8(store.server_data_folder);
  if (!Confirmed(context.ShowMessage(
          "霧化會直接改寫 " + folder + " 的病人個資及病歷中的醫師、藥師,無法復原。確定要霧化?",
          MessageKind::kWarning, MessageButtons::kOkCancel))) {
    return StepResult::kStopped;
  }
  std::mt19937 random(input.seed);
  AnonymisedPatients patients = AnonymisePatients(store, random, context);
  outcome.patients = patients.changed;
  context.AddLine("霧化病人數:" + std::to_string(outcome.patients));
  BuildPatientIndex(store, [&](const std::string& line) { context.AddLine(line); });
  ChartAnonymiseResult charts = AnonymiseCharts(store, patients.mentions, context);
  outcome.visits = charts.visits;
  outcome.mentions = charts.mentions;
  outcome.charts_complete = charts.complete;
  context.AddLine("霧化病歷筆數:" + std::to_string(charts.visits) +
                  (charts.complete ? "" : " (病歷檔損壞,未全部霧化)"));
  context.AddLine("病歷內文中霧化的病人姓名及身分證號:" + std::to_string(charts.mentions));
  outcome.personal_data_left = PersonalDataLeft(store);
  for (const fs::path& path : outcome.personal_data_left) {
    context.AddLine("仍含個資:" + PathToUtf8(path));
  }
  context.ShowMessage(AnonymiseDoneText(outcome.personal_data_left));
  return StepResult::kDone;
}

StepResult AnonymiseLiveClinic(LiveClinicAnonymisation& input, const Workplace& place,
                               StepContext& context) {
  input.outcome = {};
  const std::string code = big5::Trim(input.clinic_code);
  if (ClinicCodeProblem(code)) {
    context.ShowMessage(kClinicCodeMissing, MessageKind::kWarning);
    return StepResult::kStopped;
  }
  const std::filesystem::path live_root =
      DataEditIni(place.program_folder).ReadWorkbench().live_root;
  const std::filesystem::path server = FindWithoutCase(live_root, kServerFolderName);
  ClinicStoreAnonymisation store{
      {FindWithoutCase(server, code), FindWithoutCase(server, "PTdata.ind")}, input.seed};
  const StepResult result = AnonymiseClinicStore(store, place, context);
  input.outcome = std::move(store.outcome);
  return result;
}

}  // namespace zuvo
