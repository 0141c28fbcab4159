#pragma once

// The anonymiser (the settings page's "霧化病人個資"): replaces the personal data of one clinic's
// stores by plausible false data, in place and without a way back, for test copies of a clinic.
// Patients first (AnonymisePatients), then the patient index is rebuilt from the changed
// records, then the visit records (AnonymiseCharts).

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

#include "core/step_context.h"
#include "core/step_result.h"
#include "core/store_location.h"
#include "core/workplace.h"

namespace zuvo {

inline constexpr std::string_view kClinicCodeMissing = "輸入的診所代碼不存在";

struct AnonymiseOutcome {
  size_t patients = 0;
  size_t visits = 0;
  size_t mentions = 0;  // patients' names and IDs replaced in the visits' texts
  bool charts_complete = false;
  std::vector<std::filesystem::path> personal_data_left;  // see PersonalDataLeft
};

// What still holds personal data after the store is anonymised, for the operator to deal with:
// the clinic folder's MEMBER.SCR, INSUdata (claim copies) and Paper; and when the store lies in
// a work tree (work tree/Tolsern/<code>, the tree holding a conversion record), everything else
// the tree holds beside Tolsern, Corvix and that record (the copies of the source tables, the
// files made from them such as REF.txt, the conversion reports) and the clinic folder's InitBak
// snapshot of a work tree. Only what exists, in this order.
std::vector<std::filesystem::path> PersonalDataLeft(const StoreLocation& store);

// The text of the closing message: what to change by hand (MEMBER.SCR with the placeholders)
// and the paths of `left`, those of one folder on one line.
std::string AnonymiseDoneText(const std::vector<std::filesystem::path>& left);

// The anonymiser of one store (command anonymise).
struct ClinicStoreAnonymisation {
  StoreLocation store;
  uint32_t seed = 0;
  AnonymiseOutcome outcome = {};  // filled by the anonymiser (all zero when it stopped)
};

// Anonymises input.store: refuses a missing server data folder with kClinicCodeMissing; asks
// first (OK / Cancel) naming the folder, since nothing can be undone; draws the new names and
// IDs from a generator seeded with input.seed; rebuilds store.patient_index_path; shows the
// closing message, naming what still holds personal data. A refusal or Cancel is kStopped.
// File errors throw Error naming the file.
StepResult AnonymiseClinicStore(ClinicStoreAnonymisation& input, const Workplace& place,
                                StepContext& context);

// The settings page's anonymiser of a live clinic.
struct LiveClinicAnonymisation {
  std::string clinic_code;  // Big5, as typed
  uint32_t seed = 0;
  AnonymiseOutcome outcome;  // filled by the anonymiser
};

// AnonymiseClinicStore of the clinic folder live root / Tolsern / trimmed clinic code (Big5)
// with the index live root / Tolsern / PTdata.ind, the live root being that of the program
// folder's DataEdit.ini. A code that cannot name a folder there is refused like a missing one.
StepResult AnonymiseLiveClinic(LiveClinicAnonymisation& input, const Workplace& place,
                               StepContext& context);

}  // namespace zuvo
