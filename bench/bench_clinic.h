#pragma once

// The clinic the chart benchmarks convert: a program folder with the delivered files, the
// clinic's data.ini, a work tree with its server data folder and patients 1..N.

#include <filesystem>
#include <string>
#include <string_view>

#include "app/program_folder.h"
#include "core/patient_store.h"
#include "core/workplace.h"
#include "platform/big5.h"
#include "platform/file_ops.h"
#include "platform/table_store.h"
#include "workspace/clinic_fields.h"
#include "workspace/folder_layout.h"

namespace zuvo::bench {

struct BenchClinic {
  std::filesystem::path program, source, work_tree;
  StoreLocation store;
};

// Where the benchmark clinic under `root` lies.
inline BenchClinic BenchClinicAt(const std::filesystem::path& root, std::string_view area,
                                 std::string_view code) {
  BenchClinic clinic;
  clinic.program = root / "program";
  clinic.source = root / "source";
  clinic.work_tree = ClinicFolder(clinic.program, area, code) / "1101231_1";
  clinic.store = {ServerDataFolder(clinic.work_tree, code),
                  clinic.work_tree / "Tolsern" / "PTdata.ind"};
  return clinic;
}

inline BenchClinic MakeBenchClinic(const std::filesystem::path& root, std::string_view area,
                                   std::string_view code, std::string_view data_ini_utf8,
                                   int patients) {
  BenchClinic clinic = BenchClinicAt(root, area, code);
  InstallDeliveredFiles(clinic.program);
  CreateWorkTree(clinic.work_tree);
  std::filesystem::create_directories(clinic.store.server_data_folder);
  WriteFileAtomically(clinic.work_tree.parent_path() / "data.ini", big5::FromUtf8(data_ini_utf8));
  for (int number = 1; number <= patients; ++number) {
    PatientRecord record;
    record.Set(patient_field::kNumber, number);
    record.Set(patient_field::kNationalId, "A" + std::to_string(100000000 + number));
    record.Set(patient_field::kSex, number % 2 ? 'M' : 'F');
    WritePatient(clinic.store, record, "");
  }
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

// data.ini of the RealSun benchmark clinics: opening date, pharmacist, clinic type, one doctor.
inline constexpr std::string_view kRealSunBenchDataIni =
    "[system]\r\n開業日期=1050101\r\nPharmacistName=李藥師\r\n"
    "PharmacistID=B223456789\r\nClinicTypeNo=01\r\n"
    "[DOCTOR]\r\n王大明=A123456789\r\n";

// The work tree's OPD.mdb of a RealSun benchmark clinic: the delivered one with the order codes
// of the demo generator's scale form and one diagnosis.
inline void AddRealSunBenchCatalogue(const BenchClinic& clinic) {
  CopyFileTo(clinic.program / "OPDbak.mdb", clinic.work_tree / "Corvix" / "OPD.mdb", true);
  Database opd = Database::Open(clinic.work_tree / "Corvix" / "OPD.mdb");
  Transaction transaction(opd);
  for (const char* code : {"PANA", "AMOX", "SYRUP", "EYE", "INJ", "OINT", "REG"}) {
    opd.Execute("insert into MX (Tname, INSUcode, class, unit, INSUprice) values (?, ?, ?, 1, ?)",
                {std::string(code), "N" + std::string(code),
                 std::string(code[0] == 'R' ? "OPD" : "oral"), Currency{25000}});
  }
  opd.Execute("insert into DX (refText, ICD10, Sname) values ('URI', 'J069', 'URI')");
  transaction.Commit();
}

}  // namespace zuvo::bench
