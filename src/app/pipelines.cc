#include "app/pipelines.h"

#include "app/realsun_pipeline.h"
#include "app/vision_pipeline.h"

namespace zuvo {

const std::vector<const Pipeline*>& AllPipelines() {
  static const std::vector<const Pipeline*> pipelines = {&VisionPipeline(), &RealSunPipeline()};
  return pipelines;
}

}  // namespace zuvo
