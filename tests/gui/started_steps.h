#pragma once

// A pipeline whose real steps also note, in order, the words of those that started.

#include <string_view>
#include <vector>

#include "app/pipeline.h"

namespace zuvo::gui::testing {

inline void NoteStartedSteps(Pipeline& pipeline, std::vector<std::string_view>& started) {
  for (PipelineStep& step : pipeline.steps) {
    step.run = [&started, word = step.word, run = step.run](
                   RunFields& fields, const Workplace& place, StepContext& context) {
      started.push_back(word);
      return run(fields, place, context);
    };
  }
}

}  // namespace zuvo::gui::testing
