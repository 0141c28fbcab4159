#pragma once

// The anonymiser (the settings page's "霧化病人個資"): replaces the personal data of one clinic's
// stores by plausible false data, in place and without a way back, for test copies of a clinic.
// Patients first (AnonymisePatients), then the patient index is rebuilt from the changed
// records, then the visit records (AnonymiseCharts).

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>

#include "core/step_context.h"
#include "core/step_result.h"
#include "core/store_location.h"

namespace zuvo {

inline constexpr std::string_view kClinicCodeMissing = "輸入的診所代碼不存在";

struct AnonymiseOutcome {
  StepResult result = StepResult::kStopped;
  size_t patients = 0;
  size_t visits = 0;
  bool charts_complete = false;
};

// The text of the closing message: what to change by hand (MEMBER.SCR with the placeholders)
// and what still holds personal data (MEMBER.SCR, the claim copies in INSUdata, Paper).
std::string AnonymiseDoneText();

// Anonymises the store: refuses a missing server data folder with kClinicCodeMissing; asks
// first (OK / Cancel) naming the folder, since nothing can be undone; draws the new names and
// IDs from a generator seeded with `seed`; rebuilds store.patient_index_path; shows the closing
// message. File errors throw Error naming the file.
AnonymiseOutcome AnonymiseClinicStore(const StoreLocation& store, uint32_t seed,
                                      StepContext& context);

// CreplacePTdataClick: the clinic folder live root / Tolsern / trimmed `clinic_code` (Big5)
// with the index live root / Tolsern / PTdata.ind. A code that cannot name a folder there is
// refused like a missing one.
AnonymiseOutcome CreplacePTdataClick(std::string_view clinic_code,
                                     const std::filesystem::path& live_root, uint32_t seed,
                                     StepContext& context);

}  // namespace zuvo
