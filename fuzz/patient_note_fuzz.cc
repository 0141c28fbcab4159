// Fuzzes the patient note reader: input = a 269-byte record, then the rest of its file.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/binary_file.h"
#include "core/patient_store.h"
#include "platform/error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < zuvo::kPatientRecordSize) return 0;
  std::string_view file(reinterpret_cast<const char*>(data), size);
  zuvo::PatientRecord record;
  record.Assign(file);
  zuvo::MemoryByteSource source(file);
  try {
    std::string note = zuvo::ReadPatientNote(record, source);
    if (note.size() > size) __builtin_trap();
  } catch (const zuvo::Error&) {
    // a damaged note is reported, not read
  }
  zuvo::PatientChecksum(record);
  return 0;
}
