#pragma once

// The clinic's own code of a catalogue row (MX.Tname) is how the visit steps find the row for a
// source order line. Whoever gives an existing row another Tname (the package installer, the
// consultation fees, a newer source row replacing an older one) must keep the old code findable:
// data.ini [DUPMX] old Tname = the row's NHI code, which the visit steps look at next.

#include <string_view>

namespace zuvo {

class ClinicSettings;
class RecordSet;

// Sets Tname of the current row of `mx` (being edited, or appended with its INSUcode set) to
// `tname` (Big5). When the row held another non-blank Tname, first writes [DUPMX] trimmed old
// Tname = trimmed INSUcode into `settings`.
void ReplaceTradeName(RecordSet& mx, std::string_view tname, ClinicSettings& settings);

}  // namespace zuvo
