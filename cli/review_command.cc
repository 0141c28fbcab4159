// zuvoconv review: what a converted work tree holds before apply puts it in place of the live
// clinic, as a readable summary or as JSON.
#include <charconv>
#include <iostream>
#include <string>

#include "app/work_tree_review.h"
#include "command.h"
#include "description_output.h"
#include "platform/file_ops.h"

namespace zuvo::cli {
namespace {

void WriteTally(const YearTally& tally, std::ostream& out) {
  out << "  " << (tally.roc_year == 0 ? std::string("合計") : std::to_string(tally.roc_year) + "年")
      << ": 原始 " << tally.source << ", 已轉 " << tally.converted;
  if (tally.LeftOut() != 0) {
    out << ", 未轉 " << tally.LeftOut() << " (";
    const char* separator = "";
    for (const LeftOutReason& reason : kLeftOutReasons) {
      out << separator << reason.words << " " << tally.*reason.count;
      separator = ", ";
    }
    out << ")";
  }
  out << "\n";
}

void WriteVisits(const std::vector<ReviewVisit>& visits, std::ostream& out) {
  for (const ReviewVisit& visit : visits) {
    out << "  " << visit.date << " " << visit.doctor << "\n";
    if (!visit.problem.empty()) out << "    損壞: " << visit.problem << "\n";
    for (const std::string& diagnosis : visit.diagnoses) out << "    診斷: " << diagnosis << "\n";
    for (const std::string& order : visit.orders) out << "    醫令: " << order << "\n";
    if (!visit.complaint.empty()) out << "    主訴: " << visit.complaint << "\n";
    if (!visit.exam.empty()) out << "    檢查: " << visit.exam << "\n";
  }
}

void WriteSummary(const WorkTreeReview& review, const std::vector<ReviewPatient>& patients,
                  const std::vector<ReviewVisit>* visits, bool list_patients, std::ostream& out) {
  out << "work tree: " << PathToUtf8(review.work_tree) << "\n";
  if (review.record) {
    out << "上次轉檔: " << review.record->activity << ", "
        << ConversionStateWord(review.record->state) << ", 開始 " << review.record->started
        << ", 結束 " << review.record->ended << "\n";
  } else {
    out << "上次轉檔: 沒有記錄\n";
  }
  out << "開業日期: " << review.opening_date << "\n" << review.split_words << "\n";
  out << "病人: 原始 " << review.source_patients << " 筆, 寫入 " << review.patients_written
      << " 筆\n";
  out << "門診:\n";
  for (const YearTally& year : review.years) WriteTally(year, out);
  WriteTally(review.total, out);
  out << "醫令 " << review.order_lines << " 行, 診斷 " << review.diagnoses << " 筆\n";
  out << "轉檔報告: "
      << (review.report_file.empty() ? std::string("沒有") : PathToUtf8(review.report_file))
      << "\n";
  for (const MessageKindLines& group : review.message_kinds) {
    out << "  " << group.lines.size() << "\t" << group.kind << "\n";
  }
  for (const StoreCheck& check : review.stores) {
    out << "病歷檔 " << PathToUtf8(check.folder) << ": "
        << (check.report.clean() ? std::string("檢查無誤")
                                 : std::to_string(check.report.findings.size()) + " 項問題")
        << "\n";
    for (const StoreFinding& finding : check.report.findings) {
      out << "  " << finding.where << ": " << finding.problem << "\n";
    }
  }
  out << "現用資料: " << PathToUtf8(review.live_root)
      << (review.live_root_exists ? "" : " (不存在)") << "\n";
  if (list_patients) {
    out << "病人 " << patients.size() << " 位:\n";
    for (const ReviewPatient& patient : patients) {
      out << "  " << patient.number << " " << patient.national_id << " " << patient.name << " ("
          << patient.visits << " 次門診)\n";
    }
  }
  if (visits != nullptr) WriteVisits(*visits, out);
  if (review.can_apply) {
    out << "可以套用\n";
  } else {
    out << "不能套用:\n";
    for (const std::string& problem : review.apply_problems) out << "  " << problem << "\n";
  }
}

int RunReview(Invocation& invocation) {
  const bool json = invocation.args.Flag("json");
  const std::optional<std::string> patient_word = invocation.args.Option("patient");
  const std::optional<std::string> find = invocation.args.Option("find");
  const std::filesystem::path work_tree = invocation.args.RequiredPositional(0, "WORKTREE");
  invocation.args.Finish(1);
  if (patient_word && find) throw UsageError("give either --patient or --find, not both");
  int32_t patient = 0;
  if (patient_word) {
    auto [end, error] =
        std::from_chars(patient_word->data(), patient_word->data() + patient_word->size(), patient);
    if (error != std::errc() || end != patient_word->data() + patient_word->size() ||
        patient <= 0) {
      throw UsageError("--patient must be a chart number, not \"" + *patient_word + "\"");
    }
  }
  if (!std::filesystem::is_directory(work_tree)) {
    throw UsageError("WORKTREE " + work_tree.string() + " is not a folder");
  }

  const WorkTreeReview review = ReviewWorkTree(invocation.home, work_tree);
  std::vector<ReviewPatient> patients;
  std::vector<ReviewVisit> visits;
  if (patient_word) {
    for (const ReviewPatient& listed : review.patients) {
      if (listed.number == patient) patients.push_back(listed);
    }
    visits = PatientVisits(review, patient);
  } else {
    patients = FindPatients(review, find.value_or(""));
  }
  const std::vector<ReviewVisit>* shown = patient_word ? &visits : nullptr;
  if (json) {
    WriteJson(DescribeReview(review, patients, shown), std::cout, 0);
    std::cout << "\n";
  } else {
    WriteSummary(review, patients, shown, patient_word || find, std::cout);
  }
  return review.can_apply ? kExitOk : kExitError;
}

ZUVO_COMMAND("review", "WORKTREE [--json] [--patient N|--find TEXT]",
             "show what a converted work tree holds against its source before apply: visits by "
             "year and why rows were left out, message kinds, store checks, patients; exit 1 "
             "when apply would refuse the tree",
             RunReview);

}  // namespace
}  // namespace zuvo::cli
