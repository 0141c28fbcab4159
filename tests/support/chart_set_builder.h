#pragma once

// Data sets of one clinic for the merge and anonymiser tests and benchmarks, written with the
// engine's own writers: Corvix (CORVIX.INI with the clinic and split date, stand-ins for the two
// databases) and Tolsern (Tolsern.INI, the clinic folder with its patient and chart stores,
// MEMBER.SCR, a claim file in INSUdata and a paper in Paper). Every file the set holds beside
// the stores carries `tag`, so that a test can tell which set a merged file came from.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/chart_writer.h"
#include "core/patient_store.h"
#include "platform/big5.h"
#include "platform/file_ops.h"
#include "platform/profile_file.h"

namespace zuvo::testing {

struct ChartSetSpec {
  std::string code = "3501200000";
  std::string split_date;   // ROC yyymmdd; empty: no key
  std::string tag = "set";  // marks the set's own files
  std::vector<PatientRecord> patients;
  std::vector<std::string> notes;  // per patient, when given
  std::vector<ChartEntry> visits;  // in the order they are written
  // Writes further visits after them (large sets, made one visit at a time).
  std::function<void(FreshChartStoreWriter&)> write_more;
  double opening = 0;   // first day of the day index
  double last_day = 0;  // the day index reaches through the day after this
  int file_size_millions = 6;
};

inline StoreLocation ChartSetStoreOf(const std::filesystem::path& set, const std::string& code) {
  return {set / "Tolsern" / code, set / "Tolsern" / "PTdata.ind"};
}

inline void WriteSetFile(const std::filesystem::path& file, const std::string& bytes) {
  CreateFolders(file.parent_path());
  WriteFileAtomically(file, bytes);
}

inline void BuildChartSet(const std::filesystem::path& set, ChartSetSpec spec) {
  const std::filesystem::path ini = set / "Corvix" / "CORVIX.INI";
  WriteSetFile(ini, "");
  const std::string system = big5::FromUtf8("System");
  WriteProfileString(ini, system, big5::FromUtf8("診所名稱"), big5::FromUtf8("測試診所"));
  WriteProfileString(ini, system, big5::FromUtf8("診所健保代碼"), spec.code);
  if (!spec.split_date.empty()) {
    WriteProfileString(ini, system, big5::FromUtf8("切割日期"), spec.split_date);
  }
  WriteSetFile(set / "Corvix" / "OPD.mdb", "opd " + spec.tag);
  WriteSetFile(set / "Corvix" / "PERSONAL.mdb", "personal " + spec.tag);
  WriteSetFile(set / "Tolsern" / "Tolsern.INI", "[Tolsern]\r\nset=" + spec.tag + "\r\n");
  const StoreLocation store = ChartSetStoreOf(set, spec.code);
  WriteSetFile(store.server_data_folder / "MEMBER.SCR", "member " + spec.tag);
  WriteSetFile(store.server_data_folder / "INSUdata" / (spec.tag + ".XML"), "claim " + spec.tag);
  WriteSetFile(store.server_data_folder / "Paper" / (spec.tag + ".txt"), "paper " + spec.tag);
  for (size_t i = 0; i < spec.patients.size(); ++i) {
    WritePatient(store, spec.patients[i], i < spec.notes.size() ? spec.notes[i] : "");
  }
  FreshChartStoreWriter writer(store, {spec.file_size_millions, spec.opening, spec.last_day});
  for (ChartEntry& visit : spec.visits) writer.Write(visit);
  if (spec.write_more) spec.write_more(writer);
  writer.Finish();
}

inline PatientRecord NumberedPatient(int32_t number) {
  PatientRecord record;
  record.Set(patient_field::kNumber, number);
  record.Set(patient_field::kPaymentClass, '3');
  return record;
}

}  // namespace zuvo::testing
