// The engine calls behind the one-shot run's steps.
#include "app/vision_one_shot.h"
#include "catalogue/vision_orders_step.h"
#include "charts/vision_charts_step.h"
#include "charts/vision_prepass.h"
#include "patients/vision_patients_step.h"
#include "postprocess/screening.h"

namespace zuvo {
namespace {

VisionChartInput ChartInputOf(const VisionRunFields& fields) {
  VisionChartInput input;
  input.his = fields.folder.his;
  input.source_folder = fields.folder.source_folder;
  input.work_tree = fields.folder.work_tree;
  input.clinic_id = fields.folder.clinic_id;
  input.start_date = fields.folder.start_date;
  input.split_date = fields.split_date;
  input.mode = MakeDateMode::kOnAndAfter;  // the Vision window's mode is fixed
  input.file_size = fields.chart_file_size;
  input.pharmacist_name = fields.folder.pharmacist_name;
  input.pharmacist_id = fields.folder.pharmacist_id;
  input.one_shot = true;
  return input;
}

// Copies back what a chart step wrote into its fields (the split date the check filled in, the
// opening date the pre-pass found).
void TakeChartFields(const VisionChartInput& input, VisionRunFields& fields) {
  fields.split_date = input.split_date;
  fields.folder.start_date = input.start_date;
}

}  // namespace

std::vector<VisionStep> VisionPipelineSteps(const std::filesystem::path& program_folder,
                                            std::function<DateTime()> clock) {
  return {
      {VisionStepId::kCatalogue, "製作診所及醫令資料",
       [program_folder](VisionRunFields& fields, StepContext& context) {
         VisionOrdersInput input;
         input.program_folder = program_folder;
         input.fields = fields.folder;
         input.short_names =
             fields.name_type == 1 ? ShortNameSource::kOriginalName : ShortNameSource::kSourceCode;
         StepResult result = BuildVisionClinicAndOrders(input, context);
         fields.folder = input.fields;
         return result;
       }},
      {VisionStepId::kPatients, "製作病人資料",
       [](VisionRunFields& fields, StepContext& context) {
         RemarkMode mode =
             fields.remark_mode == 1 ? RemarkMode::kNotesOnly : RemarkMode::kFullPhraseAnalysis;
         return ConvertVisionPatients(VisionPatientsInputOf(fields.folder, mode), context);
       }},
      {VisionStepId::kPrepass, "製作主訴,轉診,醫令連結檔",
       [program_folder, clock](VisionRunFields& fields, StepContext& context) {
         VisionChartInput input = ChartInputOf(fields);
         VisionChartOutcome outcome;
         StepResult result = CVISWreadChartClick(input, program_folder, clock(), context, outcome);
         TakeChartFields(input, fields);
         return result;
       }},
      {VisionStepId::kCharts, "製作Zuvo病歷檔",
       [program_folder, clock](VisionRunFields& fields, StepContext& context) {
         VisionChartInput input = ChartInputOf(fields);
         VisionChartOutcome outcome;
         Workplace place{program_folder, clock(), {}};
         StepResult result = ConvertVisionCharts(input, outcome, place, context);
         TakeChartFields(input, fields);
         return result;
       }},
      {VisionStepId::kScreening, "篩選常用診斷及醫令",
       [clock](VisionRunFields& fields, StepContext& context) {
         return CscreenMXDXClick(fields.folder.work_tree, fields.folder.clinic_id, clock(), context)
                        .screened
                    ? StepResult::kDone
                    : StepResult::kStopped;
       }},
  };
}

}  // namespace zuvo
