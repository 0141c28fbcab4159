#include "app/vision_pipeline.h"

#include "catalogue/vision_orders_step.h"
#include "charts/vision_charts_step.h"
#include "charts/vision_prepass.h"
#include "patients/vision_patients_step.h"
#include "platform/big5.h"
#include "postprocess/screening.h"
#include "postprocess/vision_lab_import.h"
#include "workspace/realsun_selection.h"
#include "workspace/source_system_check.h"
#include "workspace/vision_selection.h"

namespace zuvo {
namespace {

// The chart steps read the clinic fields and the chart options, and fill the split date (and,
// for the pre-pass, the opening date) back.
StepResult RunChartStep(StepResult (*step)(VisionChartInput&, const Workplace&, StepContext&),
                        RunFields& fields, const Workplace& place, StepContext& context) {
  VisionChartInput input{fields.folder, fields.chart};
  StepResult result = step(input, place, context);
  fields.folder = input.folder;
  fields.chart = input.chart;
  return result;
}

// A blank pharmacist means the prescriptions are filled outside the clinic.
void PrepareVisionRun(RunFields& fields, const Workplace&, StepContext&) {
  if (big5::Trim(fields.folder.pharmacist_name).empty()) {
    fields.folder.pharmacist_name = big5::Literal(kOutsidePharmacyName);
    fields.folder.pharmacist_id.clear();
  }
}

}  // namespace

StepResult CmakeMXClick(RunFields& fields, const Workplace& place, StepContext& context) {
  VisionOrdersInput input{fields.folder, fields.short_names};
  StepResult result = BuildVisionClinicAndOrders(input, place, context);
  fields.folder = input.folder;
  return result;
}

StepResult CcreateAntClick(RunFields& fields, const Workplace& place, StepContext& context) {
  VisionPatientsInput input{fields.folder, fields.remark_mode};
  return ConvertVisionPatients(input, place, context);
}

StepResult CVISWreadChartClick(RunFields& fields, const Workplace& place, StepContext& context) {
  return RunChartStep(PrepareVisionVisits, fields, place, context);
}

StepResult CVISWdoCorvixChartClick(RunFields& fields, const Workplace& place,
                                   StepContext& context) {
  return RunChartStep(ConvertVisionCharts, fields, place, context);
}

StepResult CscreenMXDXClick(RunFields& fields, const Workplace& place, StepContext& context) {
  ScreeningInput input{fields.folder};
  return ScreenVisionWorkTree(input, place, context);
}

StepResult ClabInputClick(RunFields& fields, const Workplace& place, StepContext& context) {
  VisionLabInput input{fields.folder};
  return ImportVisionLabValues(input, place, context);
}

const Pipeline& VisionPipeline() {
  static const Pipeline pipeline{
      SourceSystem::kVision,
      "vision",
      kVisionWrongSystemUtf8,
      kOneShotDoneUtf8,
      kVisionDefaultSplitDate,
      PrepareVisionRun,
      [](RunFields& fields, const Workplace& place, StepContext& context) {
        return SelectVisionFolder(fields.folder, place, context);
      },
      {
          {"catalogue",
           "製作診所及醫令資料",
           "CmakeMX",
           {"CVISWmakeMXcheck"},
           {RunOption::kPharmacist, RunOption::kNameType},
           "build the clinic's catalogue, settings and staff file in the work tree",
           CmakeMXClick},
          {"patients",
           "製作病人資料",
           "CcreateAnt",
           {"CcreateAntCheck"},
           {RunOption::kRemarkMode},
           "convert the Vision patients into the work tree's patient store",
           CcreateAntClick},
          {"prepass",
           "製作主訴,轉診,醫令連結檔",
           "CVISWreadChart",
           {"CreadWishChartcheck", "CVISWmakeMXcheck"},
           {RunOption::kSplitDate, RunOption::kMode, RunOption::kStartDate},
           "complaint, referral and order files of the visits",
           CVISWreadChartClick},
          {"charts",
           "製作Zuvo病歷檔",
           "CVISWdoCorvixChart",
           {"CVISWdoCorvixChartcheck"},
           {RunOption::kSplitDate, RunOption::kMode, RunOption::kStartDate, RunOption::kFileSize},
           "convert every visit into a fresh chart store of the work tree",
           CVISWdoCorvixChartClick},
          {"screen",
           "篩選常用診斷及醫令",
           "CscreenMXDX",
           {"CscreenMXDXcheck"},
           {},
           "mark the diagnoses and orders used most in the last two years as common",
           CscreenMXDXClick},
      },
      {
          {kLabImportStepWord,
           "轉入檢驗值",
           "ClabInput",
           {"ClabInputcheck"},
           {},
           "write the lab values of CO18H.DBF into the visits of the fourteen days before each",
           ClabInputClick},
      }};
  return pipeline;
}

}  // namespace zuvo
