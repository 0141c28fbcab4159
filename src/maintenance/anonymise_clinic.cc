#include "maintenance/anonymise_clinic.h"

#include <random>
#include <system_error>

#include "core/patient_index.h"
#include "maintenance/anonymise_charts.h"
#include "maintenance/anonymise_patients.h"
#include "platform/big5.h"
#include "platform/file_ops.h"
#include "workspace/folder_layout.h"

namespace zuvo {

std::string AnonymiseDoneText() {
  return "霧化完成,請修改member.scr內資料,醫師(" + std::string(kDoctorPlaceholderNameUtf8) + "," +
         std::string(kDoctorPlaceholderId) + "),藥師(" +
         std::string(kPharmacistPlaceholderNameUtf8) + "," + std::string(kPharmacistPlaceholderId) +
         "))\n仍含個資,沒有霧化:MEMBER.SCR,INSUdata內的申報檔,Paper內的文件";
}

AnonymiseOutcome AnonymiseClinicStore(const StoreLocation& store, uint32_t seed,
                                      StepContext& context) {
  AnonymiseOutcome outcome;
  std::error_code error;
  if (store.server_data_folder.empty() ||
      !std::filesystem::is_directory(store.server_data_folder, error)) {
    context.ShowMessage(kClinicCodeMissing, MessageKind::kWarning);
    return outcome;
  }
  const std::string folder = PathToUtf8(store.server_data_folder);
  if (!Confirmed(context.ShowMessage(
          "霧化會直接改寫 " + folder + " 的病人個資及病歷中的醫師、藥師,無法復原。確定要霧化?",
          MessageKind::kWarning, MessageButtons::kOkCancel))) {
    return outcome;
  }
  std::mt19937 random(seed);
  outcome.patients = AnonymisePatients(store, random, context);
  context.AddLine("霧化病人數:" + std::to_string(outcome.patients));
  BuildPatientIndex(store, [&](const std::string& line) { context.AddLine(line); });
  ChartAnonymiseResult charts = AnonymiseCharts(store, context);
  outcome.visits = charts.visits;
  outcome.charts_complete = charts.complete;
  context.AddLine("霧化病歷筆數:" + std::to_string(charts.visits) +
                  (charts.complete ? "" : " (病歷檔損壞,未全部霧化)"));
  context.ShowMessage(AnonymiseDoneText());
  outcome.result = StepResult::kDone;
  return outcome;
}

AnonymiseOutcome CreplacePTdataClick(std::string_view clinic_code,
                                     const std::filesystem::path& live_root, uint32_t seed,
                                     StepContext& context) {
  const std::string code = big5::Trim(clinic_code);
  if (ClinicCodeProblem(code)) {
    context.ShowMessage(kClinicCodeMissing, MessageKind::kWarning);
    return {};
  }
  const std::filesystem::path server = FindWithoutCase(live_root, kServerFolderName);
  return AnonymiseClinicStore(
      {FindWithoutCase(server, code), FindWithoutCase(server, "PTdata.ind")}, seed, context);
}

}  // namespace zuvo
