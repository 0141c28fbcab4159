#include "charts/realsun_chart_text.h"

#include "charts/realsun_visit_row.h"
#include "core/code_tables.h"
#include "platform/big5.h"

namespace zuvo {
namespace {

constexpr std::string_view kFeeWords[] = {"0", "50", "100", "150", "200"};

// The text before and the word after the last of `separators` (blanks and commas are single
// bytes that no Big5 character contains).
std::pair<std::string_view, std::string_view> SplitLastWord(std::string_view text,
                                                            std::string_view separators) {
  size_t at = text.find_last_of(separators);
  if (at == std::string_view::npos) return {{}, text};
  return {text.substr(0, at), text.substr(at + 1)};
}

void AppendComplaint(std::string_view text, std::string& out) {
  const std::string trimmed = big5::Trim(text);
  if (!trimmed.empty()) out += "<CC><name>" + trimmed + "</name></CC>";
}

}  // namespace

std::string WithoutFeeMarks(std::string_view desc2) {
  std::string text = big5::Trim(desc2);
  if (text.size() >= 2 && text.compare(text.size() - 2, 2, " Y") == 0) {
    text = big5::TrimRight(text.substr(0, text.size() - 2));
  }
  auto [before, word] = SplitLastWord(text, " ");
  for (std::string_view fee : kFeeWords) {
    if (word == fee) return big5::TrimRight(before);
  }
  return text;
}

std::string WithoutCardOrderCode(std::string_view desc3) {
  std::string text = big5::Trim(desc3);
  auto [before, word] = SplitLastWord(text, " ,");
  if (!IsIcCardOrderCode(word)) return text;
  std::string kept(before);
  while (!kept.empty() && (kept.back() == ',' || kept.back() == ' ')) kept.pop_back();
  return kept;
}

std::string RealSunChartText(const RealSunVisitRow& row) {
  std::string text;
  AppendComplaint(row.desc1, text);
  AppendComplaint(WithoutFeeMarks(row.desc2), text);
  AppendComplaint(WithoutCardOrderCode(row.desc3), text);
  return text;
}

}  // namespace zuvo
