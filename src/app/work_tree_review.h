#pragma once

// What a converted work tree holds, before apply puts it in place of the live clinic: the
// source rows against what was written (patients, visits by year, and why visits were left
// out), the conversion report's message kinds, the check of every store, the run record, the
// patients and one patient's visits, and whether apply would take the tree.
//
// Everything is read; nothing in the work tree, the source or the live folders is written.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/store_description.h"
#include "core/store_location.h"
#include "core/store_verify.h"
#include "workspace/conversion_guard.h"
#include "workspace/source_system.h"
#include "workspace/split_date.h"

namespace zuvo {

// The source's visit rows of one ROC year (0: rows whose date cannot be read) and what
// became of them. The reasons are judged in the order the chart conversion judges them;
// `other` is what is left out for a reason the source row does not tell (a claim month
// missing, a drug-days field that is no number, ...).
struct YearTally {
  int roc_year = 0;
  long source = 0;
  long converted = 0;       // chart entries of the store dated in the year
  long outside_split = 0;   // on the side of the split date the mode does not convert
  long before_opening = 0;  // before the clinic's opening date
  long future = 0;          // after the moment the conversion started
  long no_patient = 0;      // chart number 0 or no patient record in the store
  long no_claims = 0;       // RealSun: the month has no claim table, so nothing of it converts
  long other = 0;
  long LeftOut() const;
};

// The reasons a visit is left out, in the order they are shown: the JSON key, the words, and the
// count of a year.
struct LeftOutReason {
  std::string_view key;
  std::string_view words;  // UTF-8
  long YearTally::*count;
};
inline constexpr LeftOutReason kLeftOutReasons[] = {
    {"outside_split", "切割日期外", &YearTally::outside_split},
    {"before_opening", "開業日前", &YearTally::before_opening},
    {"future", "未來日期", &YearTally::future},
    {"no_patient", "無病人資料", &YearTally::no_patient},
    {"no_claims", "無申報檔", &YearTally::no_claims},
    {"other", "其他", &YearTally::other},
};

inline long YearTally::LeftOut() const {
  long sum = 0;
  for (const LeftOutReason& reason : kLeftOutReasons) sum += this->*reason.count;
  return sum;
}

struct MessageKindLines {
  std::string kind;  // UTF-8, as CountMessageKinds names it
  std::vector<std::string> lines;
};

struct StoreCheck {
  std::filesystem::path folder;
  StoreVerifyReport report;
};

struct ReviewPatient {
  int32_t number = 0;       // the chart number
  std::string national_id;  // UTF-8
  std::string name;         // UTF-8
  long visits = 0;
};

struct WorkTreeReview {
  std::filesystem::path work_tree;
  SourceSystem system = SourceSystem::kUnknown;
  std::string clinic_code;  // UTF-8
  std::optional<ConversionRecord> record;
  ChartOptions chart;        // as the last run recorded them
  std::string opening_date;  // the clinic's 開業日期 (ROC yyymmdd) in data.ini; empty when none
  std::string split_words;   // "只轉換 107/01/01 以後的門診,之前的 81 筆未轉"

  long source_patients = 0;  // rows of the source's patient table
  long patients_written = 0;
  std::vector<YearTally> years;  // by year, ascending
  YearTally total;               // roc_year 0
  long order_lines = 0;
  long diagnoses = 0;

  std::filesystem::path report_file;  // the newest ConversionReport_*.txt; empty when none
  std::vector<MessageKindLines> message_kinds;

  std::vector<StoreCheck> stores;
  std::vector<ReviewPatient> patients;  // by chart number

  std::filesystem::path live_root;
  bool live_root_exists = false;
  bool can_apply = false;
  std::vector<std::string> apply_problems;  // UTF-8, why apply would refuse
};

// Reviews `work_tree` (program folder / area / clinic code / ROC date...). The split date, mode
// and the moment of the conversion are the ones its run record holds; the source tables are the
// copies the conversion left in the work tree, else those of the source folder last chosen for
// the system. Throws Error naming the folder when the work tree does not exist, and naming the
// file when a table or store file cannot be read.
WorkTreeReview ReviewWorkTree(const std::filesystem::path& program_folder,
                              const std::filesystem::path& work_tree);

// The patients whose chart number, national ID or name contains `text` (UTF-8; letters compared
// without regard to case); every patient for an empty text.
std::vector<ReviewPatient> FindPatients(const WorkTreeReview& review, std::string_view text);

struct ReviewVisit {
  std::string date;                    // "107/01/05 09:30"
  std::string doctor;                  // UTF-8, as every text below
  std::vector<std::string> diagnoses;  // "J069 急性上呼吸道感染"
  std::vector<std::string> orders;     // "PANA 普拿疼 1 TID 3日"
  std::string complaint;
  std::string exam;
  std::string problem;  // why the entry could not be read whole; empty when it could
};

// The visits of patient `number` of the work tree's clinic store, newest first. Empty when the
// patient has no record.
std::vector<ReviewVisit> PatientVisits(const WorkTreeReview& review, int32_t number);

// The review as a tree of named values, for JSON; with `visits` of `patient` when given.
Description DescribeReview(const WorkTreeReview& review, const std::vector<ReviewPatient>& patients,
                           const std::vector<ReviewVisit>* visits);

}  // namespace zuvo
