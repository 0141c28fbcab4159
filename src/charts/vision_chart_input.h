#pragma once

// The Vision window's fields that the visit pre-pass and the chart conversion read.

#include "workspace/clinic_fields.h"
#include "workspace/split_date.h"

namespace zuvo {

struct VisionChartInput {
  ClinicFolderFields folder;  // the HIS field must read "展望"
  ChartOptions chart;
};

}  // namespace zuvo
