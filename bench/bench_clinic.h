#pragma once

// The clinic the chart benchmarks convert: a program folder with the delivered files, the
// clinic's data.ini, a work tree with its server data folder and patients 1..N; and the plain
// write a conversion is compared with.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "app/program_folder.h"
#include "core/patient_store.h"
#include "core/workplace.h"
#include "platform/big5.h"
#include "platform/file_ops.h"
#include "workspace/clinic_fields.h"
#include "workspace/folder_layout.h"

namespace zuvo::bench {

struct BenchClinic {
  std::filesystem::path program, source, work_tree;
  StoreLocation store;
};

inline BenchClinic MakeBenchClinic(const std::filesystem::path& root, std::string_view area,
                                   std::string_view code, std::string_view data_ini_utf8,
                                   int patients) {
  BenchClinic clinic;
  clinic.program = root / "program";
  InstallDeliveredFiles(clinic.program);
  const std::filesystem::path clinic_folder = ClinicFolder(clinic.program, area, code);
  clinic.work_tree = clinic_folder / "1101231_1";
  CreateWorkTree(clinic.work_tree);
  clinic.store = {ServerDataFolder(clinic.work_tree, code),
                  clinic.work_tree / "Tolsern" / "PTdata.ind"};
  std::filesystem::create_directories(clinic.store.server_data_folder);
  WriteFileAtomically(clinic_folder / "data.ini", big5::FromUtf8(data_ini_utf8));
  for (int number = 1; number <= patients; ++number) {
    PatientRecord record;
    record.Set(patient_field::kNumber, number);
    record.Set(patient_field::kNationalId, "A" + std::to_string(100000000 + number));
    record.Set(patient_field::kSex, number % 2 ? 'M' : 'F');
    WritePatient(clinic.store, record, "");
  }
  clinic.source = root / "source";
  return clinic;
}

// The clinic fields of the benchmark clinic, as the folder choice would fill them.
inline ClinicFolderFields FolderFieldsOf(const BenchClinic& clinic, std::string_view his_utf8,
                                         std::string_view code) {
  ClinicFolderFields folder;
  folder.his = big5::Literal(his_utf8);
  folder.source_folder = clinic.source;
  folder.work_tree = clinic.work_tree;
  folder.clinic_id = std::string(code);
  return folder;
}

// The benchmarks convert as on the last day of 2021.
inline Workplace WorkplaceOf(const BenchClinic& clinic) {
  Workplace place;
  place.program_folder = clinic.program;
  place.now = *EncodeDate(2021, 12, 31);
  return place;
}

// Writes `bytes` bytes of `fill` to `file` as a plain stream and deletes it again.
inline void WritePlainBytes(const std::filesystem::path& file, uintmax_t bytes, char fill) {
  std::string block(1 << 20, fill);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  for (uintmax_t written = 0; written < bytes; written += block.size()) {
    out.write(block.data(),
              static_cast<std::streamsize>(std::min<uintmax_t>(block.size(), bytes - written)));
  }
  out.close();
  std::filesystem::remove(file);
}

}  // namespace zuvo::bench
