#include "core/store_verify.h"

#include <algorithm>
#include <map>
#include <set>
#include <system_error>

#include "core/chart_reader.h"
#include "core/chart_store.h"
#include "core/day_index.h"
#include "core/day_number.h"
#include "core/patient_store.h"
#include "platform/big5.h"
#include "platform/error.h"
#include "platform/file_ops.h"

namespace zuvo {
namespace {

std::string PositionText(ChartPosition position) {
  return "(" + std::to_string(position.file_code) + ", " + std::to_string(position.offset) + ")";
}

std::string EntryWhere(ChartPosition position) {
  return ChartFileName(position.file_code) + " offset " + std::to_string(position.offset);
}

// What scanning one chart file found: the starts of its entries, in order, and how far the
// scan got (the file's size when every entry was well formed).
struct ScannedFile {
  std::vector<int32_t> entry_offsets;
  uint64_t scanned_to = 0;
  uint64_t size = 0;
  bool IsEntryStart(int32_t offset) const {
    return std::binary_search(entry_offsets.begin(), entry_offsets.end(), offset);
  }
  // True when the scan could not tell (the offset lies after a damaged entry).
  bool Unscanned(int32_t offset) const { return uint64_t(offset) - 1 >= scanned_to; }
};

class StoreVerifier {
 public:
  explicit StoreVerifier(const StoreLocation& store) : store_(store), files_(store) {}

  StoreVerifyReport Run() {
    ScanChartFiles();
    CheckPatients();
    CheckDayIndex();
    return std::move(report_);
  }

 private:
  void Add(std::string where, std::string problem) {
    report_.findings.push_back({std::move(where), std::move(problem)});
  }

  void CheckEntryRecords(const ChartEntryRead& entry) {
    const std::string& signature = big5::Literal(kChartSignatureUtf8);
    if (entry.header->Get(header_field::kSignature) != signature) {
      Add(EntryWhere(entry.position), "the header does not carry the signature Zuvo門診系統");
    }
    int32_t header_patient = entry.header->Get(header_field::kPatientNumber);
    if (entry.visit->Get(visit_field::kPatientNumber) != header_patient) {
      Add(EntryWhere(entry.position),
          "header names patient " + std::to_string(header_patient) + ", the visit record " +
              std::to_string(entry.visit->Get(visit_field::kPatientNumber)));
    }
    double header_date = entry.header->Get(header_field::kVisitDateTime);
    double visit_date = entry.visit->Get(visit_field::kVisitDateTime);
    if (header_date != visit_date) {
      Add(EntryWhere(entry.position), "header date " + FormatDateTime(header_date) +
                                          " differs from the visit record's " +
                                          FormatDateTime(visit_date));
    }
  }

  void ScanChartFiles() {
    for (const auto& [code, path] : ListChartFiles(store_)) {
      ++report_.chart_files;
      BinaryFile file(path, BinaryFile::Mode::kRead);
      ScannedFile& scanned = scanned_[code];
      scanned.size = file.size();
      uint64_t at = 0;
      while (at < file.size()) {
        if (at + 1 > uint64_t(INT32_MAX)) {
          Add(path.filename().string(), "the file is larger than chart offsets can address");
          break;
        }
        ChartPosition position{code, static_cast<int32_t>(at + 1)};
        ChartEntryRead entry = ReadChartEntry(file, position, EntryDetail::kFraming);
        if (!entry.well_formed) {
          Add(EntryWhere(position), "damaged entry: " + entry.problem + "; the rest of the file (" +
                                        std::to_string(file.size() - at) +
                                        " bytes) was not checked");
          damaged_.insert(position);
          break;
        }
        CheckEntryRecords(entry);
        scanned.entry_offsets.push_back(position.offset);
        ++report_.entries;
        last_entry_end_ =
            std::max(last_entry_end_, ChartPosition{code, static_cast<int32_t>(entry.end + 1)});
        at = entry.end;
      }
      scanned.scanned_to = at;
    }
  }

  // Checks that an entry reached through a chain starts an entry and is well formed.
  void CheckChainEntry(const ChartEntryRead& entry, const std::string& chain) {
    auto scanned = scanned_.find(entry.position.file_code);
    if (scanned != scanned_.end() && !scanned->second.Unscanned(entry.position.offset) &&
        !scanned->second.IsEntryStart(entry.position.offset)) {
      Add(chain,
          "links to " + PositionText(entry.position) + ", which is not the start of an entry");
      return;
    }
    if (!entry.well_formed && damaged_.insert(entry.position).second) {
      Add(EntryWhere(entry.position), "damaged entry: " + entry.problem);
    }
  }

  void CheckChainEnd(const ChainWalkResult& walk, const std::string& chain) {
    if (!walk.clean)
      Add(chain, "chain stops at " + PositionText(walk.stopped_at) + ": " + walk.problem);
  }

  void CheckPatients() {
    ForEachPatientFile(store_, BinaryFile::Mode::kRead, [&](PatientFileRecords& patients) {
      ++report_.patient_files;
      BinaryFile& file = patients.file();
      std::string name = patients.path().filename().string();
      if (file.size() < kPatientFileRecordsSize) {
        Add(name, "the file holds " + std::to_string(file.size()) + " bytes, fewer than its " +
                      std::to_string(kPatientsPerFile) + " records");
      }
      patients.ForEachSlot([&](const PatientSlot& slot, const PatientRecord& record) {
        std::string where = name + " slot " + std::to_string(slot.slot);
        if (!slot.Valid()) {
          Add(where, "holds patient number " + std::to_string(slot.number) + " instead of " +
                         std::to_string(slot.Address()));
          return;
        }
        ++report_.patients;
        CheckPatient(record, file, where);
      });
    });
  }

  void CheckPatient(const PatientRecord& record, BinaryFile& file, const std::string& where) {
    int32_t number = record.Get(patient_field::kNumber);
    if (record.Get(patient_field::kChecksum) != PatientChecksum(record)) {
      Add(where, "checksum of patient " + std::to_string(number) + " does not match");
    }
    try {
      ReadPatientNote(record, file);
    } catch (const Error& error) {
      Add(where, error.what());
    }
    ChartPosition head{record.Get(patient_field::kChartFileCode),
                       record.Get(patient_field::kChartOffset)};
    std::string chain = "chain of patient " + std::to_string(number);
    ChainWalkResult walk = WalkChain(
        files_, head, ChainKind::kPatient, EntryDetail::kFraming, [&](const ChartEntryRead& entry) {
          CheckChainEntry(entry, chain);
          if (entry.header && entry.header->Get(header_field::kPatientNumber) != number) {
            Add(chain, "entry " + PositionText(entry.position) + " belongs to patient " +
                           std::to_string(entry.header->Get(header_field::kPatientNumber)));
          }
        });
    report_.chained_entries += walk.entries;
    CheckChainEnd(walk, chain);
  }

  void CheckDayIndex() {
    std::filesystem::path path = store_.DayIndexPath();
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
      if (report_.entries > 0 || report_.chart_files > 0) {
        Add("DayLink.Dat", "the day index is missing");
      } else if (report_.patient_files == 0) {
        Add(PathToUtf8(store_.server_data_folder.filename()),
            std::string(kNoStoreProblem) + ": no patient file, chart file or day index");
      }
      return;
    }
    std::string bytes = ReadWholeFile(path);
    if (bytes.size() % kDayRecordSize != 0) {
      Add("DayLink.Dat",
          "the file ends with a partial record (" + std::to_string(bytes.size()) + " bytes)");
    }
    DayIndex days = DayIndex::Parse(bytes);
    if (days.size() == 0) {
      Add("DayLink.Dat", "the day index has no first-day record");
      return;
    }
    int32_t first_day = days.first_day();
    for (size_t k = 1; k < days.size(); ++k) {
      const DayRecord& record = days.record(k);
      if (record.count == 0 && record.newest == ChartPosition{}) continue;
      int64_t day = int64_t{first_day} + static_cast<int64_t>(k) - 1;
      std::string where = "DayLink.Dat day " + (day >= kFirstDayNumber && day <= kLastDayNumber
                                                    ? FormatDay(static_cast<int32_t>(day))
                                                    : std::to_string(day));
      size_t on_other_days = 0;
      ChainWalkResult walk =
          WalkChain(files_, record.newest, ChainKind::kDay, EntryDetail::kFraming,
                    [&](const ChartEntryRead& entry) {
                      CheckChainEntry(entry, where);
                      if (entry.header &&
                          DayNumberOf(entry.header->Get(header_field::kVisitDateTime)) != day) {
                        ++on_other_days;
                      }
                    });
      CheckChainEnd(walk, where);
      if (on_other_days > 0) {
        Add(where, std::to_string(on_other_days) + " entries of the day chain lie on other days");
      }
      if (record.count != static_cast<int64_t>(walk.entries)) {
        Add(where, "counts " + std::to_string(record.count) + " entries, its chain holds " +
                       std::to_string(walk.entries));
      }
      report_.day_entries += static_cast<size_t>(std::max(record.count, 0));
    }
    ChartPosition append_point = days.append_point();
    if (report_.entries > 0 && append_point < last_entry_end_) {
      Add("DayLink.Dat append point", "the append point " + PositionText(append_point) +
                                          " lies before the end of the last entry " +
                                          PositionText(last_entry_end_));
    }
    if (report_.day_entries != report_.chained_entries) {
      Add("DayLink.Dat", "the day index counts " + std::to_string(report_.day_entries) +
                             " entries, the patients' chains hold " +
                             std::to_string(report_.chained_entries));
    }
  }

  StoreLocation store_;
  ChartFileSet files_;
  StoreVerifyReport report_;
  std::map<int32_t, ScannedFile> scanned_;
  std::set<ChartPosition> damaged_;
  ChartPosition last_entry_end_{0, 0};
};

}  // namespace

bool HoldsStoreFiles(const StoreLocation& store) {
  std::error_code error;
  return !ListPatientFiles(store).empty() || !ListChartFiles(store).empty() ||
         std::filesystem::is_regular_file(store.DayIndexPath(), error);
}

StoreVerifyReport VerifyStore(const StoreLocation& store) { return StoreVerifier(store).Run(); }

}  // namespace zuvo
