#pragma once

// The patient part of the anonymiser: every valid record of the store gets a name made of parts
// of the clinic's own names, a new valid national ID, the sex its ID says, the address "台中市",
// and no telephone numbers and no note. The long notes after the records (with the older copies
// that rewrites left there) are overwritten with zeros, but for those of slots left unchanged. All
// other fields (number, payment class, birthday, chart head, ...) stay. A slot that does not hold
// its own number is neither read into the pools nor changed.

#include <cstddef>
#include <random>

#include "core/step_context.h"
#include "core/store_location.h"

namespace zuvo {

// Changes the records in place, one patient file at a time; returns how many. File errors
// throw Error naming the file. The progress shows each patient number.
size_t AnonymisePatients(const StoreLocation& store, std::mt19937& random, StepContext& context);

}  // namespace zuvo
