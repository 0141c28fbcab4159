#pragma once

// The 269-byte patient record of the files PtData.NNN, addressed by patient (chart) number.

#include <cstdint>

#include "core/packed_fields.h"

namespace zuvo {

inline constexpr size_t kPatientRecordSize = 269;
using PatientRecord = PackedRecord<kPatientRecordSize>;

namespace patient_field {
// XOR of the 32-bit words at 4, 8, ..., 264 (PatientChecksum).
inline constexpr UInt32Field kChecksum{0};
// 0 = empty slot; a slot is valid for n only when this equals n.
inline constexpr Int32Field kNumber{4};
inline constexpr TextField kNationalId{8, 10};
inline constexpr TextField kName{19, 20};
inline constexpr CharField kPaymentClass{40};
inline constexpr TextField kCopayCode{41, 3};
inline constexpr DateTimeField kBirthday{45};
// Position of the patient's newest chart entry; (0, 0) without chart.
inline constexpr Int32Field kChartFileCode{53};
inline constexpr Int32Field kChartOffset{57};
inline constexpr CharField kSex{61};
inline constexpr Int32Field kReserved62{62};
inline constexpr TextField kReserved66{66, 4};
inline constexpr TextField kTelephone{71, 15};
inline constexpr TextField kMobile{87, 15};
inline constexpr TextField kAddress{103, 60};
// The note when it is at most kInlineNoteCapacity bytes long.
inline constexpr TextField kInlineNote{164, 100};
// File offset of the long note's length word; 0 = the note is inline.
inline constexpr UInt32Field kLongNoteOffset{265};
}  // namespace patient_field

static_assert(FieldEnd(patient_field::kLongNoteOffset) == kPatientRecordSize);
static_assert(FieldEnd(patient_field::kInlineNote) == patient_field::kLongNoteOffset.offset);
static_assert(FieldEnd(patient_field::kAddress) == patient_field::kInlineNote.offset);
static_assert(sizeof(PatientRecord) == kPatientRecordSize);

inline constexpr size_t kInlineNoteCapacity = patient_field::kInlineNote.capacity;
// The checksum covers the 66 words at 4..267; byte 268 is left out.
inline constexpr size_t kChecksumFirstWord = 4;
inline constexpr size_t kChecksumWordCount = 66;

}  // namespace zuvo
