#include "app/realsun_pipeline.h"

#include "patients/realsun_patients_step.h"
#include "platform/big5.h"
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

StepResult CRScreateAntClick(RunFields& fields, const Workplace& place, StepContext& context) {
  return ConvertRealSunPatients({fields.folder}, place, context);
}

StepResult CmakeDateModeClick(RunFields& fields, const Workplace& place, StepContext& context) {
  return RunFolderHandler(ChangeRealSunMakeDateMode, fields, place, context);
}

const Pipeline& RealSunPipeline() {
  static const Pipeline pipeline{SourceSystem::kRealSun,
                                 "realsun",
                                 kRealSunWrongSystemUtf8,
                                 kOneShotDoneUtf8,
                                 kRealSunDefaultSplitDate,
                                 PrepareRealSunRun,
                                 CRSselectPathClick,
                                 {},
                                 {}};
  return pipeline;
}

}  // namespace zuvo
