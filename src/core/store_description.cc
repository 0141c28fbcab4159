#include "core/store_description.h"

#include <cmath>
#include <cstdio>
#include <system_error>

#include "core/chart_store.h"
#include "core/day_index.h"
#include "core/day_number.h"
#include "core/patient_store.h"
#include "platform/big5.h"
#include "platform/error.h"
#include "platform/file_ops.h"

namespace zuvo {

Description Description::Text(std::string utf8) {
  Description description(Kind::kText);
  description.scalar_ = std::move(utf8);
  return description;
}

Description Description::Number(int64_t value) {
  Description description(Kind::kNumber);
  description.scalar_ = std::to_string(value);
  return description;
}

Description Description::Real(double value) {
  if (!std::isfinite(value)) return Text(std::isnan(value) ? "NaN" : value > 0 ? "Inf" : "-Inf");
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", value);
  Description description(Kind::kNumber);
  description.scalar_ = text;
  return description;
}

Description Description::Bool(bool value) {
  Description description(Kind::kBool);
  description.scalar_ = value ? "true" : "false";
  return description;
}

Description& Description::Add(std::string name, Description value) {
  members_.emplace_back(std::move(name), std::move(value));
  return *this;
}

Description& Description::Push(Description value) {
  elements_.push_back(std::move(value));
  return *this;
}

namespace {

Description Big5Text(std::string_view big5) { return Description::Text(big5::ToUtf8Escaped(big5)); }

Description DateText(double value) { return Description::Text(FormatDateTime(value)); }

Description PositionOf(ChartPosition position) {
  return Description::Object()
      .Add("file_code", Description::Number(position.file_code))
      .Add("offset", Description::Number(position.offset));
}

// Adds record fields by type: numbers, Big5 texts and characters, dates.
template <size_t Size>
class Fields {
 public:
  Fields(const PackedRecord<Size>& record, Description& out) : record_(record), out_(out) {}
  Fields& Int(const char* name, Int32Field field) {
    out_.Add(name, Description::Number(record_.Get(field)));
    return *this;
  }
  Fields& Int(const char* name, Int16Field field) {
    out_.Add(name, Description::Number(record_.Get(field)));
    return *this;
  }
  Fields& Int(const char* name, UInt16Field field) {
    out_.Add(name, Description::Number(record_.Get(field)));
    return *this;
  }
  Fields& Flags(const char* name, Int16Field field) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%04X", static_cast<unsigned>(uint16_t(record_.Get(field))));
    out_.Add(name, Description::Text(hex));
    return *this;
  }
  Fields& Real(const char* name, SingleField field) {
    out_.Add(name, Description::Real(record_.Get(field)));
    return *this;
  }
  Fields& Date(const char* name, DateTimeField field) {
    out_.Add(name, DateText(record_.Get(field)));
    return *this;
  }
  Fields& Text(const char* name, TextField field) {
    out_.Add(name, Big5Text(record_.Get(field)));
    return *this;
  }
  Fields& Text(const char* name, BytesField field) {
    out_.Add(name, Big5Text(record_.Get(field)));
    return *this;
  }
  Fields& Char(const char* name, CharField field) {
    char c = record_.Get(field);
    out_.Add(name, c == '\0' ? Description::Text("") : Big5Text(std::string(1, c)));
    return *this;
  }

 private:
  const PackedRecord<Size>& record_;
  Description& out_;
};

Description DescribeHeader(const ChartHeader& header) {
  using namespace header_field;
  Description out = Description::Object();
  Fields(header, out)
      .Text("signature", kSignature)
      .Int("patient_number", kPatientNumber)
      .Date("visit", kVisitDateTime);
  out.Add("previous_of_patient", PositionOf({header.Get(kPreviousOfPatientFileCode),
                                             header.Get(kPreviousOfPatientOffset)}));
  out.Add("previous_of_day",
          PositionOf({header.Get(kPreviousOfDayFileCode), header.Get(kPreviousOfDayOffset)}));
  return out;
}

Description DescribeVisit(const VisitRecord& visit) {
  using namespace visit_field;
  Description out = Description::Object();
  Fields(visit, out)
      .Int("patient_number", kPatientNumber)
      .Text("card_sequence", kCardSequence)
      .Text("parent_name", kParentName)
      .Text("parent_id", kParentId)
      .Text("doctor_name", kDoctorName)
      .Text("doctor_id", kDoctorId)
      .Text("pharmacist_name", kPharmacistName)
      .Text("pharmacist_id", kPharmacistId)
      .Date("visit", kVisitDateTime)
      .Char("payment_class", kPaymentClass)
      .Text("copay_code", kCopayCode)
      .Flags("visit_flags", kVisitFlags)
      .Flags("card_flags", kCardFlags)
      .Int("registration_fee", kRegistrationFee)
      .Int("copay_amount", kCopayAmount)
      .Int("further_charge", kFurtherCharge)
      .Int("drug_points", kDrugPoints)
      .Int("treatment_points", kTreatmentPoints)
      .Int("material_points", kMaterialPoints)
      .Text("department", kDepartment)
      .Char("refill_number", kRefillNumber)
      .Text("case_type", kCaseType)
      .Text("special_treatment_1", kSpecialTreatment1)
      .Text("special_treatment_2", kSpecialTreatment2)
      .Text("special_treatment_3", kSpecialTreatment3)
      .Text("special_treatment_4", kSpecialTreatment4)
      .Char("payment_category", kPaymentCategory)
      .Text("visit_category", kVisitCategory)
      .Text("procedure_1", kProcedure1)
      .Text("procedure_2", kProcedure2)
      .Text("procedure_3", kProcedure3)
      .Int("drug_days", kDrugDays)
      .Date("first_prescription", kFirstPrescriptionDate)
      .Date("newborn_birth_date", kNewbornBirthDate)
      .Text("refill_end", kRefillEndText)
      .Int("total_refill_days", kTotalRefillDays)
      .Text("claim_value", kClaimValue)
      .Char("clinic_period", kClinicPeriod)
      .Char("newborn_order", kNewbornOrder)
      .Char("order_mix", kOrderMix);
  return out;
}

Description DescribeDiagnosis(const DiagnosisRecord& diagnosis) {
  using namespace diagnosis_field;
  Description out = Description::Object();
  Fields(diagnosis, out)
      .Text("code", kCode)
      .Text("name", kName)
      .Text("short_code", kShortCode)
      .Int("source_mark", kSourceMark)
      .Text("unresolved_source_code", kUnresolvedSourceCode);
  return out;
}

Description DescribeOrder(const OrderRecord& order) {
  using namespace order_field;
  Description out = Description::Object();
  Fields(order, out)
      .Text("insurance_code", kInsuranceCode)
      .Text("short_code", kShortCode)
      .Text("own_code", kOwnCode)
      .Text("name", kName)
      .Int("dose_x100", kDoseTimes100)
      .Text("dose_unit", kDoseUnit)
      .Real("frequency_rate", kFrequencyRate)
      .Text("frequency", kFrequencyText)
      .Int("payment_percent", kPaymentPercent)
      .Text("route", kRoute)
      .Int("days", kDays)
      .Real("total_quantity", kTotalQuantity)
      .Text("quantity_unit", kQuantityUnit)
      .Real("cost", kCost)
      .Real("unit_price", kUnitPrice)
      .Flags("flags_1", kFlags1)
      .Flags("flags_2", kFlags2)
      .Flags("flags_3", kFlags3)
      .Date("execution_start", kExecutionStart)
      .Date("execution_end", kExecutionEnd)
      .Date("stamp", kStamp)
      .Char("dispensing_letter", kDispensingLetter)
      .Char("order_category", kOrderCategory)
      .Text("executing_staff", kExecutingStaff)
      .Text("department_prefix", kDepartmentPrefix)
      .Text("preparation_note", kPreparationNote);
  return out;
}

Description DescribeFinding(const FindingRecord& finding) {
  using namespace finding_field;
  Description out = Description::Object();
  Fields(finding, out)
      .Text("name", kName)
      .Text("time", kTime)
      .Text("area", kArea)
      .Text("note", kNote)
      .Char("plusminus", kPlusMinus)
      .Int("code", kCode);
  return out;
}

const char* BlockName(int16_t tag) {
  switch (tag) {
    case chart_tag::kHeader:
      return "header";
    case chart_tag::kVisit:
      return "visit";
    case chart_tag::kFinding:
      return "finding";
    case chart_tag::kDiagnosis:
      return "diagnosis";
    case chart_tag::kExamText:
      return "exam text";
    case chart_tag::kChartText:
      return "chart text";
    case chart_tag::kOrder:
      return "order";
    case chart_tag::kOtherText:
      return "text";
    default:
      return "?";
  }
}

template <typename Record>
Record RecordOf(const std::string& payload) {
  Record record;
  record.Assign(payload);
  return record;
}

Description DescribeBlock(const ChartBlock& block) {
  Description out = Description::Object();
  out.Add("tag", Description::Number(block.tag));
  out.Add("block", Description::Text(BlockName(block.tag)));
  out.Add("byte", Description::Number(static_cast<int64_t>(block.start)));
  switch (block.tag) {
    case chart_tag::kHeader:
      out.Add("fields", DescribeHeader(RecordOf<ChartHeader>(block.payload)));
      break;
    case chart_tag::kVisit:
      out.Add("fields", DescribeVisit(RecordOf<VisitRecord>(block.payload)));
      break;
    case chart_tag::kDiagnosis:
      out.Add("fields", DescribeDiagnosis(RecordOf<DiagnosisRecord>(block.payload)));
      break;
    case chart_tag::kOrder:
      out.Add("fields", DescribeOrder(RecordOf<OrderRecord>(block.payload)));
      if (block.remark) out.Add("remark", Big5Text(*block.remark));
      break;
    case chart_tag::kFinding:
      out.Add("fields", DescribeFinding(RecordOf<FindingRecord>(block.payload)));
      break;
    default:
      out.Add("text", Big5Text(block.payload));
  }
  return out;
}

Description DescribeRead(const ChartEntryRead& entry) {
  Description out = Description::Object();
  out.Add("position", PositionOf(entry.position));
  out.Add("well_formed", Description::Bool(entry.well_formed));
  if (!entry.well_formed) out.Add("problem", Description::Text(entry.problem));
  Description blocks = Description::Array();
  for (const ChartBlock& block : entry.blocks) blocks.Push(DescribeBlock(block));
  out.Add("blocks", std::move(blocks));
  return out;
}

Description DescribeChain(const StoreLocation& store, ChartPosition head, ChainKind kind,
                          Description out) {
  ChartFileSet files(store);
  Description entries = Description::Array();
  ChainWalkResult walk =
      WalkChain(files, head, kind, EntryDetail::kFull,
                [&](const ChartEntryRead& entry) { entries.Push(DescribeRead(entry)); });
  out.Add("head", PositionOf(head));
  out.Add("entry_count", Description::Number(static_cast<int64_t>(walk.entries)));
  out.Add("chain_complete", Description::Bool(walk.clean));
  if (!walk.clean) {
    out.Add("chain_problem", Description::Text(walk.problem));
    out.Add("chain_stopped_at", PositionOf(walk.stopped_at));
  }
  out.Add("entries", std::move(entries));
  return out;
}

}  // namespace

Description DescribePatient(const StoreLocation& store, int32_t number) {
  using namespace patient_field;
  Description out = Description::Object();
  PatientAddress address = PatientLocation(store, number);
  out.Add("file", Description::Text(address.file.filename().string()));
  out.Add("slot_offset", Description::Number(static_cast<int64_t>(address.offset)));
  std::error_code error;
  if (address.file.empty() || !std::filesystem::is_regular_file(address.file, error)) {
    out.Add("valid", Description::Bool(false));
    out.Add("problem", Description::Text("no patient file holds this number"));
    return out;
  }
  BinaryFile file(address.file, BinaryFile::Mode::kRead);
  if (address.offset + kPatientRecordSize > file.size()) {
    out.Add("valid", Description::Bool(false));
    out.Add("problem", Description::Text("the file ends before this slot"));
    return out;
  }
  PatientRecord record;
  file.ReadAt(address.offset, kPatientRecordSize, record.data());
  out.Add("valid", Description::Bool(record.Get(kNumber) == number));
  uint32_t computed = PatientChecksum(record);
  out.Add("checksum", Description::Object()
                          .Add("stored", Description::Number(record.Get(kChecksum)))
                          .Add("computed", Description::Number(computed))
                          .Add("matches", Description::Bool(record.Get(kChecksum) == computed)));
  Fields(record, out)
      .Int("number", kNumber)
      .Text("national_id", kNationalId)
      .Text("name", kName)
      .Char("payment_class", kPaymentClass)
      .Text("copay_code", kCopayCode)
      .Date("birthday", kBirthday)
      .Char("sex", kSex)
      .Int("reserved_62", kReserved62)
      .Text("reserved_66", kReserved66)
      .Text("telephone", kTelephone)
      .Text("mobile", kMobile)
      .Text("address", kAddress);
  out.Add("chart_head", PositionOf({record.Get(kChartFileCode), record.Get(kChartOffset)}));
  uint32_t long_note = record.Get(kLongNoteOffset);
  out.Add(
      "note_storage",
      Description::Text(long_note == 0 ? "inline" : "long, at byte " + std::to_string(long_note)));
  try {
    out.Add("note", Big5Text(ReadPatientNote(record, file)));
  } catch (const Error& note_error) {
    out.Add("note_problem", Description::Text(note_error.what()));
  }
  return out;
}

Description DescribeEntry(ChartFileSet& files, ChartPosition position) {
  ByteSource* file = files.Open(position.file_code);
  if (file == nullptr) {
    return Description::Object()
        .Add("position", PositionOf(position))
        .Add("well_formed", Description::Bool(false))
        .Add("problem", Description::Text("chart file " + ChartFileName(position.file_code) +
                                          " does not exist"));
  }
  return DescribeRead(ReadChartEntry(*file, position, EntryDetail::kFull));
}

Description DescribeHistory(const StoreLocation& store, int32_t number) {
  PatientRecord record;
  bool valid = ReadPatient(store, number, record);
  Description out = Description::Object();
  out.Add("patient", Description::Number(number));
  out.Add("valid", Description::Bool(valid));
  ChartPosition head{};
  if (valid) {
    head = {record.Get(patient_field::kChartFileCode), record.Get(patient_field::kChartOffset)};
  }
  return DescribeChain(store, head, ChainKind::kPatient, std::move(out));
}

Description DescribeDay(const StoreLocation& store, int32_t day) {
  DayIndex index = LoadDayIndex(store);
  Description out = Description::Object();
  out.Add("day", Description::Text(FormatDay(day)));
  std::optional<size_t> k = index.RecordOf(day);
  out.Add("in_index", Description::Bool(k.has_value()));
  if (!k) return out;
  out.Add("record", Description::Number(static_cast<int64_t>(*k)));
  out.Add("count", Description::Number(index.record(*k).count));
  return DescribeChain(store, index.record(*k).newest, ChainKind::kDay, std::move(out));
}

Description DescribeDayIndex(const StoreLocation& store) {
  std::string bytes = ReadWholeFile(store.DayIndexPath());
  DayIndex index = DayIndex::Parse(bytes);
  Description out = Description::Object();
  out.Add("bytes", Description::Number(static_cast<int64_t>(bytes.size())));
  if (bytes.size() % kDayRecordSize != 0) {
    out.Add("problem", Description::Text("the file ends with a partial record"));
  }
  if (index.size() == 0) return out;
  std::optional<int32_t> first = DayNumberOf(index.first_day());
  out.Add("first_day",
          first ? Description::Text(FormatDay(*first)) : Description::Number(index.first_day()));
  out.Add("append_point", PositionOf(index.append_point()));
  out.Add("day_records", Description::Number(static_cast<int64_t>(index.size() - 1)));
  Description days = Description::Array();
  for (size_t k = 1; k < index.size(); ++k) {
    const DayRecord& record = index.record(k);
    if (record.count == 0 && record.newest == ChartPosition{}) continue;
    int64_t day = int64_t{index.first_day()} + static_cast<int64_t>(k) - 1;
    Description entry = Description::Object();
    entry.Add("day", day >= kFirstDayNumber && day <= kLastDayNumber
                         ? Description::Text(FormatDay(static_cast<int32_t>(day)))
                         : Description::Number(day));
    entry.Add("count", Description::Number(record.count));
    entry.Add("newest", PositionOf(record.newest));
    days.Push(std::move(entry));
  }
  out.Add("days", std::move(days));
  return out;
}

}  // namespace zuvo
