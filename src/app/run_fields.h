#pragma once

// The fields of a conversion window that its steps read and fill, in one place: the window
// copies its widgets in before a step and the step's changes back afterwards; the command line
// fills them from a work tree's record and its options.

#include <string>
#include <vector>

#include "catalogue/vision_catalogue.h"
#include "patients/remark_analysis.h"
#include "workspace/clinic_fields.h"
#include "workspace/split_date.h"

namespace zuvo {

struct RunFields {
  ClinicFolderFields folder;
  ChartOptions chart;
  ShortNameSource short_names = ShortNameSource::kSourceCode;  // CSnameType
  RemarkMode remark_mode = RemarkMode::kFullPhraseAnalysis;    // CreMarkType
  // Doctors' names (Big5) the RealSun chart step met that data.ini does not know (CRSdrlist).
  std::vector<std::string> unknown_doctors;
  // The claim months ("10801") whose archive the RealSun claims step had to skip. The step still
  // completes (apply takes the work tree), but the command line ends with status 1.
  std::vector<std::string> skipped_claim_months;
};

}  // namespace zuvo
