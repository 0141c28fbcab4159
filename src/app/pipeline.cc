#include "app/pipeline.h"

namespace zuvo {

const PipelineStep* Pipeline::Find(std::string_view step_word) const {
  for (const PipelineStep& step : steps) {
    if (step.word == step_word) return &step;
  }
  return nullptr;
}

}  // namespace zuvo
