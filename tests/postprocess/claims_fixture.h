#pragma once

// A RealSun work tree and source folder for the claim correction tests: patients and visits
// written with the engine's own writers, claim documents written as text and zipped into the
// monthly archives, and the raw bytes of the files afterwards.

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "core/chart_writer.h"
#include "core/patient_store.h"
#include "platform/big5.h"
#include "platform/file_ops.h"
#include "platform/zip_archive.h"
#include "postprocess/realsun_claims_step.h"
#include "postprocess/screening.h"
#include "support/recording_step_context.h"
#include "support/temp_dir.h"
#include "workspace/folder_layout.h"

namespace zuvo::testing {

using ClaimFields = std::vector<std::pair<std::string, std::string>>;

// <name>value</name> for each field.
inline std::string Elements(const ClaimFields& fields) {
  std::string text;
  for (const auto& [name, value] : fields) text += "<" + name + ">" + value + "</" + name + ">\r\n";
  return text;
}

// One <ddata> claim: head d1, the body fields, then one <pdata> per order line.
inline std::string ClaimXml(const std::string& case_type, const ClaimFields& body,
                            const std::vector<ClaimFields>& order_lines = {}) {
  std::string text = "<ddata>\r\n<dhead>\r\n" + Elements({{"d1", case_type}, {"d2", "1"}}) +
                     "</dhead>\r\n<dbody>\r\n" + Elements(body);
  for (const ClaimFields& line : order_lines)
    text += "<pdata>\r\n" + Elements(line) + "</pdata>\r\n";
  return text + "</dbody>\r\n</ddata>\r\n";
}

inline std::string ClaimDocumentXml(const std::string& claims) {
  return "<?xml version=\"1.0\" "
         "encoding=\"Big5\"?>\r\n<outpatient>\r\n<tdata><t1>10</t1></tdata>\r\n" +
         claims + "</outpatient>\r\n";
}

// The opening of the demo clinic's tree (2018-01-01) and the moment the step runs.
inline const DateTime kClaimsOpening = 43101;
inline const DateTime kClaimsNow = *EncodeDateTime({2019, 2, 15, 10, 0, 0, 0});

// Byte index of an entry's visit record, and of its order records when the entry has the
// chart text "CC" and one diagnosis (as ClaimTree::Visit makes it).
inline size_t VisitAt(ChartPosition position) {
  return static_cast<size_t>(position.offset) - 1 + 2 + kChartHeaderSize + 2;
}
inline size_t OrderAt(ChartPosition position, size_t line) {
  return VisitAt(position) + kVisitRecordSize + (2 + 4 + 2) + (2 + kDiagnosisRecordSize) + 2 +
         line * (2 + kOrderRecordSize);
}

class ClaimTree {
 public:
  static constexpr const char* kClinic = "3501010000";

  ClaimTree()
      : source(dir / "source"),
        work_tree(dir / "RS" / kClinic / "1080215_1"),
        store(WorkTreeStoreLocation(work_tree, kClinic)),
        context(flags) {
    CreateFolders(source / "S");
    CreateFolders(store.server_data_folder);
  }

  void AddPatient(int32_t number, const std::string& id, const std::string& note = "") {
    PatientRecord record;
    record.Set(patient_field::kNumber, number);
    record.Set(patient_field::kNationalId, id);
    record.Set(patient_field::kPaymentClass, '3');
    record.Set(patient_field::kCopayCode, "D10");
    WritePatient(store, record, note);
  }

  // A visit with the chart text "CC", one diagnosis and an order line for each code.
  static ChartEntry Visit(int32_t patient, DateTime when, const std::string& card,
                          std::initializer_list<const char*> codes) {
    ChartEntry entry;
    VisitRecord& visit = entry.visit;
    visit.Set(visit_field::kPatientNumber, patient);
    visit.Set(visit_field::kCardSequence, card);
    visit.Set(visit_field::kVisitDateTime, when);
    visit.Set(visit_field::kPaymentClass, '3');
    visit.Set(visit_field::kCopayCode, "D10");
    visit.Set(visit_field::kVisitFlags, kVisitFlagsBase);
    visit.Set(visit_field::kDrugPoints, 999);
    visit.Set(visit_field::kCaseType, "01");
    visit.Set(visit_field::kVisitCategory, "01");
    entry.chart_text = "CC";
    entry.diagnoses.emplace_back();
    for (const char* code : codes) {
      OrderLine line;
      line.record.Set(order_field::kInsuranceCode, code);
      line.record.Set(order_field::kUnitPrice, 9.5f);
      line.record.Set(order_field::kExecutionStart, when);
      line.record.Set(order_field::kDispensingLetter, '0');
      entry.orders.push_back(line);
    }
    return entry;
  }

  // Writes the chart store of `entries`, in order, with chart files of `file_size_millions`
  // bytes; returns where each went.
  std::vector<ChartPosition> WriteVisits(std::vector<ChartEntry> entries,
                                         int32_t file_size_millions = 6) {
    FreshChartStoreWriter writer(store, {file_size_millions, kClaimsOpening, kClaimsNow});
    std::vector<ChartPosition> positions;
    for (ChartEntry& entry : entries) positions.push_back(writer.Write(entry));
    writer.Finish();
    return positions;
  }

  void WriteArchive(const std::string& month, const std::string& document) {
    CreateFolders(source / "02");
    WriteZipArchive(source / "02" / (month + "XML.zip"), {{"TOTFA.XML", document}});
  }

  StepResult RunStep() {
    Workplace place;
    place.program_folder = dir / "program";
    place.now = kClaimsNow;
    place.clock = [] { return kClaimsNow; };
    return CorrectRealSunCharts(input, place, context);
  }

  std::string ChartBytes() const { return ReadFileBytes(store.ChartFolder() / "D000000.000"); }
  std::string PatientBytes() const {
    return ReadFileBytes(store.server_data_folder / "PtData.000");
  }

  TempDir dir;
  std::filesystem::path source;
  std::filesystem::path work_tree;
  StoreLocation store;
  RunFlags flags;
  RecordingStepContext context;
  RealSunClaimsInput input{
      {source, "", kClinic, big5::Literal("耀聖"), work_tree, "1070101", "", ""},
      {"1080101", MakeDateMode::kOnAndAfter, 6}};
};

}  // namespace zuvo::testing
