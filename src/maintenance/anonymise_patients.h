#pragma once

// The patient part of the anonymiser: every valid record of the store gets a name made of parts
// of the clinic's own names but none of its patients' real names, a new valid national ID that
// is no patient's real one and no other patient's new one, the sex its ID says, the address
// "台中市", and no telephone numbers and no note. A clinic whose name parts make no name but its
// patients' own gives "霧化" + the patient number. The long notes after the records (with the older
// copies that rewrites left there) are overwritten with zeros, but for those of slots left
// unchanged. All other fields (number, payment class, birthday, chart head, ...) stay. A slot that
// does not hold its own number is neither read into the pools nor changed.

#include <cstddef>
#include <random>

#include "core/step_context.h"
#include "core/store_location.h"
#include "maintenance/patient_text_scrubber.h"

namespace zuvo {

struct AnonymisedPatients {
  size_t changed = 0;
  // Each patient's real name and ID with his new ones, to be replaced where the visits name them.
  PatientTextScrubber mentions;
};

// Changes the records in place, one patient file at a time. File errors throw Error naming the
// file. The progress shows each patient number.
AnonymisedPatients AnonymisePatients(const StoreLocation& store, std::mt19937& random,
                                     StepContext& context);

}  // namespace zuvo
