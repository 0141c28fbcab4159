#include "app/realsun_pipeline.h"

#include "catalogue/realsun_orders_step.h"
#include "charts/realsun_charts_step.h"
#include "patients/realsun_patients_step.h"
#include "platform/big5.h"
#include "postprocess/realsun_claims_step.h"
#include "postprocess/screening.h"
#include "workspace/realsun_selection.h"

namespace zuvo {
namespace {

// Runs a folder handler of the RealSun page on the run fields: the clinic fields and the mode.
StepResult RunFolderHandler(StepResult (*handler)(RealSunFolderFields&, const Workplace&,
                                                  StepContext&),
                            RunFields& fields, const Workplace& place, StepContext& context) {
  RealSunFolderFields folder;
  static_cast<ClinicFolderFields&>(folder) = fields.folder;
  folder.mode = fields.chart.mode;
  StepResult result = handler(folder, place, context);
  fields.folder = folder;
  return result;
}

// A blank split date converts everything up to today: the mode "before" and its work tree.
void PrepareRealSunRun(RunFields& fields, const Workplace& place, StepContext& context) {
  if (!big5::Trim(fields.chart.split_date).empty()) return;
  fields.chart.mode = MakeDateMode::kBefore;
  CmakeDateModeClick(fields, place, context);
  context.ProcessEvents();
}

}  // namespace

StepResult CRSselectPathClick(RunFields& fields, const Workplace& place, StepContext& context) {
  return RunFolderHandler(SelectRealSunFolder, fields, place, context);
}

StepResult CRSmakeMXClick(RunFields& fields, const Workplace& place, StepContext& context) {
  RealSunOrdersInput input{fields.folder, fields.chart};
  return BuildRealSunClinicAndOrders(input, place, context);
}

StepResult CRScreateAntClick(RunFields& fields, const Workplace& place, StepContext& context) {
  RealSunPatientsInput input{fields.folder};
  return ConvertRealSunPatients(input, place, context);
}

StepResult CRSdoCorvixChartClick(RunFields& fields, const Workplace& place, StepContext& context) {
  RealSunChartInput input{fields.folder, fields.chart};
  fields.unknown_doctors.clear();
  StepResult result = ConvertRealSunCharts(input, place, context);
  fields.chart = input.chart;
  fields.unknown_doctors = std::move(input.unknown_doctors);
  return result;
}

StepResult CRSscreenMXDXClick(RunFields& fields, const Workplace& place, StepContext& context) {
  ScreeningInput input{fields.folder};
  return ScreenRealSunWorkTree(input, place, context);
}

StepResult CRSfixbyINSUClick(RunFields& fields, const Workplace& place, StepContext& context) {
  RealSunClaimsInput input{fields.folder, fields.chart};
  StepResult result = CorrectRealSunCharts(input, place, context);
  fields.chart = input.chart;
  fields.skipped_claim_months = input.skipped_months;
  return result;
}

StepResult CmakeDateModeClick(RunFields& fields, const Workplace& place, StepContext& context) {
  return RunFolderHandler(ChangeRealSunMakeDateMode, fields, place, context);
}

const Pipeline& RealSunPipeline() {
  static const Pipeline pipeline{
      SourceSystem::kRealSun,
      "realsun",
      kRealSunWrongSystemUtf8,
      kOneShotDoneUtf8,
      kRealSunDefaultSplitDate,
      PrepareRealSunRun,
      CRSselectPathClick,
      {
          {"catalogue",
           "製作基本資料及OPD.MDB",
           "CRSmakeMX",
           {"CRSmakeMXcheck"},
           {RunOption::kSplitDate, RunOption::kMode, RunOption::kStartDate, RunOption::kPharmacist},
           "build the clinic's settings, staff file, catalogue and order sets in the work tree",
           CRSmakeMXClick},
          {"patients",
           "製作病人資料",
           "CRScreateAnt",
           {"CRScreateAntcheck"},
           {},
           "convert the RealSun patients into the work tree's patient store and snapshot it",
           CRScreateAntClick},
          {"charts",
           "製作Zuvo病歷檔",
           "CRSdoCorvixChart",
           {"CRSdoCorvixChartcheck"},
           {RunOption::kSplitDate, RunOption::kMode, RunOption::kStartDate, RunOption::kFileSize,
            RunOption::kPharmacist},
           "convert every visit into a fresh chart store of the work tree",
           CRSdoCorvixChartClick},
          {"screen",
           "篩選常用診斷及醫令",
           "CRSscreenMXDX",
           {},
           {},
           "mark the diagnoses and orders used most in the last two years as common",
           CRSscreenMXDXClick},
          {"claims",
           "用健保申報檔修正病歷",
           "CRSfixbyINSU",
           {},
           {RunOption::kSplitDate, RunOption::kMode, RunOption::kStartDate},
           "correct the converted charts from the clinic's monthly NHI claim archives",
           CRSfixbyINSUClick},
      },
      {}};
  return pipeline;
}

}  // namespace zuvo
