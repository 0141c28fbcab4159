#pragma once

// The blocks of a chart entry. An entry is a run of blocks, each an int16 tag and its payload:
// header (1), visit record (2), chart text (21), diagnoses (17), order lines (24, each followed
// by its remark when flagged), exam text (20), findings (16), other texts (60), end (128).

#include <cstdint>

#include "core/packed_fields.h"

namespace zuvo {

namespace chart_tag {
inline constexpr int16_t kHeader = 1;
inline constexpr int16_t kVisit = 2;
inline constexpr int16_t kFinding = 16;
inline constexpr int16_t kDiagnosis = 17;
inline constexpr int16_t kExamText = 20;
inline constexpr int16_t kChartText = 21;
inline constexpr int16_t kOrder = 24;
inline constexpr int16_t kOtherText = 60;
inline constexpr int16_t kEnd = 128;
}  // namespace chart_tag

inline constexpr size_t kTagSize = 2;
// Texts (tags 20, 21, 60 and order remarks) are an int32 length and that many bytes.
inline constexpr size_t kTextLengthSize = 4;

// A chart position: file code and 1-based offset of the entry's first byte; offset <= 0 = none.
struct ChartPosition {
  int32_t file_code = 0;
  int32_t offset = 0;
  friend bool operator==(const ChartPosition&, const ChartPosition&) = default;
  friend auto operator<=>(const ChartPosition&, const ChartPosition&) = default;
  bool none() const { return offset <= 0; }
};

// ChartHeader (tag 1).
inline constexpr size_t kChartHeaderSize = 56;
using ChartHeader = PackedRecord<kChartHeaderSize>;
namespace header_field {
inline constexpr BytesField kSignature{0, 12};  // "Zuvo門診系統" in Big5
inline constexpr Int32Field kPatientNumber{12};
inline constexpr DateTimeField kVisitDateTime{16};
inline constexpr Int32Field kPreviousOfPatientFileCode{24};
inline constexpr Int32Field kPreviousOfPatientOffset{28};
inline constexpr Int32Field kPreviousOfDayFileCode{32};
inline constexpr Int32Field kPreviousOfDayOffset{36};
inline constexpr Int32Field kReserved40{40};
inline constexpr BytesField kZeroZero{44, 2};      // "00"
inline constexpr BytesField kReserveText{46, 10};  // "reserveXXX"
}  // namespace header_field
static_assert(FieldEnd(header_field::kReserveText) == kChartHeaderSize);
static_assert(sizeof(ChartHeader) == kChartHeaderSize);
// The UTF-8 form of the signature every header carries.
inline constexpr std::string_view kChartSignatureUtf8 = "Zuvo門診系統";

// VisitRecord (tag 2).
inline constexpr size_t kVisitRecordSize = 292;
using VisitRecord = PackedRecord<kVisitRecordSize>;
namespace visit_field {
inline constexpr Int32Field kPatientNumber{0};
inline constexpr TextField kCardSequence{4, 4};
inline constexpr TextField kZeroSequence{9, 4};
inline constexpr TextField kParentName{14, 10};
inline constexpr TextField kParentId{25, 10};
inline constexpr TextField kDoctorName{36, 10};
inline constexpr TextField kDoctorId{47, 10};
inline constexpr TextField kPharmacistName{58, 10};
inline constexpr TextField kPharmacistId{69, 10};
inline constexpr DateTimeField kVisitDateTime{80};
inline constexpr DateTimeField kVisitDateTimeCopy1{88};
inline constexpr DateTimeField kVisitDateTimeCopy2{96};
inline constexpr CharField kPaymentClass{104};
inline constexpr TextField kCopayCode{105, 3};
inline constexpr Int16Field kVisitFlags{109};
inline constexpr Int16Field kCardFlags{111};
inline constexpr Int16Field kReserved113{113};
inline constexpr Int16Field kRegistrationFee{115};
inline constexpr Int16Field kCopayAmount{117};
inline constexpr Int32Field kFurtherCharge{119};
inline constexpr Int32Field kReserved123{123};
inline constexpr Int32Field kReserved127{127};
inline constexpr Int32Field kReserved131{131};
inline constexpr Int32Field kDrugPointsCopy{135};
inline constexpr Int32Field kDrugPoints{139};
inline constexpr Int32Field kTreatmentPoints{143};
inline constexpr Int32Field kMaterialPoints{147};
inline constexpr TextField kDepartment{151, 2};
inline constexpr CharField kRefillNumber{154};
inline constexpr TextField kCaseType{155, 2};
inline constexpr TextField kSpecialTreatment1{158, 2};
inline constexpr TextField kSpecialTreatment2{161, 2};
inline constexpr TextField kSpecialTreatment3{164, 2};
inline constexpr TextField kSpecialTreatment4{167, 2};
inline constexpr CharField kPaymentCategory{170};
inline constexpr TextField kVisitCategory{171, 2};
inline constexpr CharField kMark174{174};
inline constexpr CharField kMark175{175};
inline constexpr CharField kMark176{176};
inline constexpr Int16Field kReserved177{177};
inline constexpr TextField kProcedure1{179, 9};
inline constexpr TextField kProcedure2{189, 9};
inline constexpr TextField kProcedure3{199, 9};
inline constexpr Int16Field kDrugDays{209};
inline constexpr DateTimeField kFirstPrescriptionDate{211};
inline constexpr DateTimeField kNewbornBirthDate{219};
inline constexpr CharField kMark227{227};
inline constexpr TextField kRefillEndText{228, 4};
inline constexpr Int16Field kTotalRefillDays{233};
inline constexpr TextField kClaimValue{244, 10};
inline constexpr TextField kOne{255, 1};
inline constexpr CharField kClinicPeriod{260};
inline constexpr CharField kMark261{261};
inline constexpr CharField kNewbornOrder{262};
inline constexpr CharField kOrderMix{290};
}  // namespace visit_field
static_assert(FieldEnd(visit_field::kOrderMix) <= kVisitRecordSize);
static_assert(sizeof(VisitRecord) == kVisitRecordSize);
inline constexpr int16_t kVisitFlagsBase = 0x1001;
inline constexpr int16_t kVisitFlagReturnVisit = 0x0002;
inline constexpr int16_t kVisitFlagRefillRepeat = 0x2000;

// DiagnosisRecord (tag 17).
inline constexpr size_t kDiagnosisRecordSize = 364;
using DiagnosisRecord = PackedRecord<kDiagnosisRecordSize>;
namespace diagnosis_field {
inline constexpr TextField kName{8, 128};
inline constexpr TextField kCode{137, 10};
inline constexpr TextField kShortCode{148, 2};
inline constexpr Int16Field kReserved151{151};
inline constexpr Int16Field kSourceMark{153};
inline constexpr TextField kReservedText155{155, 128};
inline constexpr Int16Field kReserved284{284};
inline constexpr Int16Field kReserved286{286};
inline constexpr TextField kUnresolvedSourceCode{326, 37};
}  // namespace diagnosis_field
static_assert(FieldEnd(diagnosis_field::kUnresolvedSourceCode) == kDiagnosisRecordSize);
static_assert(sizeof(DiagnosisRecord) == kDiagnosisRecordSize);

// OrderRecord (tag 24).
inline constexpr size_t kOrderRecordSize = 272;
using OrderRecord = PackedRecord<kOrderRecordSize>;
namespace order_field {
inline constexpr TextField kInsuranceCode{0, 12};
inline constexpr TextField kShortCode{13, 2};
inline constexpr TextField kOwnCode{16, 9};
inline constexpr TextField kName{26, 26};
inline constexpr Int16Field kReserved53{53};
inline constexpr TextField kReservedText55{55, 8};
inline constexpr Int16Field kDoseTimes100{64};
inline constexpr TextField kDoseUnit{66, 4};
inline constexpr SingleField kFrequencyRate{71};
inline constexpr Int32Field kReserved75{75};
inline constexpr TextField kSite{79, 6};
inline constexpr TextField kFrequencyText{86, 18};
inline constexpr Int16Field kPaymentPercent{105};
inline constexpr TextField kRoute{107, 6};
inline constexpr Int16Field kDays{114};
inline constexpr SingleField kTotalQuantity{116};
inline constexpr TextField kQuantityUnit{120, 6};
inline constexpr SingleField kCost{127};
inline constexpr SingleField kUnitPrice{131};
inline constexpr Int16Field kReserved135{135};
inline constexpr TextField kReservedText137{137, 4};
inline constexpr Int16Field kFlags1{142};
inline constexpr Int16Field kFlags2{144};
inline constexpr DateTimeField kExecutionStart{146};
inline constexpr DateTimeField kExecutionEnd{154};
inline constexpr Int16Field kReserved162{162};
inline constexpr Int16Field kFlags3{164};
inline constexpr DateTimeField kStamp{166};
inline constexpr CharField kDispensingLetter{174};
inline constexpr CharField kOrderCategory{175};
inline constexpr TextField kExecutingStaff{176, 10};
inline constexpr CharField kMark187{187};
inline constexpr CharField kMark188{188};
inline constexpr TextField kReservedText189{189, 13};
inline constexpr BytesField kDepartmentPrefix{203, 2};
inline constexpr TextField kPreparationNote{205, 42};
}  // namespace order_field
static_assert(FieldEnd(order_field::kPreparationNote) <= kOrderRecordSize);
static_assert(sizeof(OrderRecord) == kOrderRecordSize);
// Flags 1: an order remark (int32 length + text) follows the record.
inline constexpr int16_t kOrderFlagHasRemark = 0x0200;

// FindingRecord (tag 16).
inline constexpr size_t kFindingRecordSize = 420;
using FindingRecord = PackedRecord<kFindingRecordSize>;
namespace finding_field {
inline constexpr TextField kName{0, 128};
inline constexpr TextField kTime{129, 67};
inline constexpr TextField kArea{197, 66};
inline constexpr TextField kNote{264, 72};
inline constexpr CharField kPlusMinus{337};
inline constexpr UInt16Field kCode{340};
}  // namespace finding_field
static_assert(FieldEnd(finding_field::kCode) <= kFindingRecordSize);
static_assert(sizeof(FindingRecord) == kFindingRecordSize);

// Payload size of a fixed-size block, 0 for the end tag, -1 for texts and unknown tags.
constexpr int FixedPayloadSize(int16_t tag) {
  switch (tag) {
    case chart_tag::kHeader:
      return kChartHeaderSize;
    case chart_tag::kVisit:
      return kVisitRecordSize;
    case chart_tag::kFinding:
      return kFindingRecordSize;
    case chart_tag::kDiagnosis:
      return kDiagnosisRecordSize;
    case chart_tag::kOrder:
      return kOrderRecordSize;
    case chart_tag::kEnd:
      return 0;
    default:
      return -1;
  }
}
constexpr bool IsTextTag(int16_t tag) {
  return tag == chart_tag::kExamText || tag == chart_tag::kChartText ||
         tag == chart_tag::kOtherText;
}

}  // namespace zuvo
