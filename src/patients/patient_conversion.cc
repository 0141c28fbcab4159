#include "patients/patient_conversion.h"

#include <filesystem>

#include "platform/big5.h"
#include "platform/error.h"
#include "platform/file_ops.h"

namespace zuvo {

namespace {

constexpr std::string_view kMobilePrefix = "09";

}  // namespace

void ClearPatientStore(const StoreLocation& store) {
  CreateFolders(store.server_data_folder);
  for (const std::filesystem::path& file : ListByWildcard(store.server_data_folder, "PtData.*")) {
    if (!DeleteFileWithRetry(file)) {
      throw Error(PathToUtf8(file) + ": the file cannot be deleted");
    }
  }
}

std::string FittedText(std::string_view text, const TextField& field) {
  return big5::CutBytes(text, field.capacity);
}

std::string MobileNumberOf(std::string_view phone) {
  return phone.starts_with(kMobilePrefix) ? std::string(phone) : std::string();
}

PatientRecord MakePatientRecord(const NewPatient& patient) {
  namespace field = patient_field;
  PatientRecord record;
  record.Set(field::kNumber, patient.number);
  record.Set(field::kNationalId, FittedText(patient.national_id, field::kNationalId));
  record.Set(field::kName, FittedText(patient.name, field::kName));
  record.Set(field::kPaymentClass, kDefaultPaymentClass);
  record.Set(field::kCopayCode, kDefaultCopayCode);
  record.Set(field::kBirthday, patient.birthday);
  record.Set(field::kChartFileCode, 0);
  record.Set(field::kChartOffset, 0);
  record.Set(field::kSex, patient.sex);
  record.Set(field::kReserved62, 0);
  record.Set(field::kReserved66, FittedText(patient.reserved66, field::kReserved66));
  record.Set(field::kTelephone, FittedText(patient.telephone, field::kTelephone));
  record.Set(field::kMobile, FittedText(patient.mobile, field::kMobile));
  record.Set(field::kAddress, FittedText(patient.address, field::kAddress));
  return record;
}

void AppendNoteElement(std::string& note, std::string_view tag, std::string_view text) {
  note += '<';
  note += tag;
  note += '>';
  note += text;
  note += "</";
  note += tag;
  note += '>';
}

DuplicateIdSection::DuplicateIdSection(ClinicSettings& settings)
    : settings_(settings), batch_(Cleared(settings)) {}

ClinicSettings& DuplicateIdSection::Cleared(ClinicSettings& settings) {
  settings.ClearDuplicatePatients();
  return settings;
}

bool DuplicateIdSection::SkipRepeated(const WrittenPatients& written, std::string_view national_id,
                                      std::string_view chart_text, StepContext& context) {
  const int32_t earlier = written.ChartNumberOfId(national_id);
  if (earlier == 0) return false;
  context.AddLine("身分證重複:病歷號" + big5::ToUtf8Escaped(chart_text) + "身分證 " +
                  big5::ToUtf8Escaped(*written.IdOfChartNumber(earlier)));
  settings_.NoteDuplicatePatient(chart_text, earlier);
  return true;
}

}  // namespace zuvo
