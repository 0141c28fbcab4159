#include "app/pipeline.h"

namespace zuvo {

const PipelineStep* Pipeline::Find(std::string_view step_word) const {
  for (const std::vector<PipelineStep>* list : {&steps, &separate_steps}) {
    for (const PipelineStep& step : *list) {
      if (step.word == step_word) return &step;
    }
  }
  return nullptr;
}

}  // namespace zuvo
