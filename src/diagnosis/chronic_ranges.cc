#include "diagnosis/chronic_ranges.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <vector>

#include "diagnosis/dx_selection.h"
#include "platform/big5.h"

namespace zuvo {
namespace {

constexpr std::string_view kClearCode = "XX";
constexpr std::string_view kKeepCode = "??";

struct ChronicRange {
  long order = 0;
  std::string code;  // upper-cased: "05", "XX" or "??"
  size_t first = 0;  // position in DX's code order of the first code starting with begCode
  std::string end;   // endCOde, trimmed
  std::string memo;
};

bool IsChronicCode(std::string_view code) {
  if (code == kClearCode || code == kKeepCode) return true;
  int value = 0;
  auto [end, error] = std::from_chars(code.data(), code.data() + code.size(), value);
  return !code.empty() && error == std::errc() && end == code.data() + code.size() && value >= 1 &&
         value <= 99;
}

std::string Utf8(std::string_view big5) { return big5::ToUtf8Escaped(big5); }

}  // namespace

bool PassesMemoRule(std::string_view memo, std::string_view code) {
  if (memo.find("rule7") == std::string_view::npos) return true;
  if (code.size() <= 6) return false;
  std::string from_sixth = memo.size() > 5 ? big5::UpperAscii(memo.substr(5)) : "";
  return ContainsCharacter(from_sixth, code[6]);
}

StepResult ApplyChronicRanges(Database& database, StepContext& context) {
  // DX's codes in its code order, and the same letters folded as the order compares them.
  std::vector<std::string> codes, folded;
  RecordSet dx = database.Query("select ICD10 from DX order by ICD10");
  for (dx.First(); !dx.Eof(); dx.Next()) {
    codes.push_back(dx.Text("ICD10"));
    folded.push_back(big5::LowerAscii(codes.back()));
  }

  std::vector<ChronicRange> ranges;
  RecordSet rows = database.Query("select * from DXlong order by orderNo");
  for (rows.First(); !rows.Eof(); rows.Next()) {
    ChronicRange range;
    range.order = static_cast<long>(rows.Integer("orderNo"));
    range.code = big5::UpperAscii(big5::Trim(rows.Text("Scode")));
    if (!IsChronicCode(range.code)) {
      context.ShowMessage("慢性病碼錯誤 " + Utf8(range.code), MessageKind::kError);
      return StepResult::kStopped;
    }
    std::string begin = big5::Trim(rows.Text("begCode"));
    range.end = big5::Trim(rows.Text("endCOde"));
    if (begin > range.end) {
      context.ShowMessage("慢性病碼" + Utf8(range.code) + "  起始碼" + Utf8(begin) +
                              "大於  結束碼" + Utf8(range.end),
                          MessageKind::kError);
      return StepResult::kStopped;
    }
    std::string wanted = big5::LowerAscii(begin);
    range.first = static_cast<size_t>(std::lower_bound(folded.begin(), folded.end(), wanted) -
                                      folded.begin());
    if (range.first == folded.size() || !folded[range.first].starts_with(wanted)) {
      context.ShowMessage("慢性病碼" + Utf8(range.code) + "  起始碼" + Utf8(begin) + " 找不到",
                          MessageKind::kError);
      return StepResult::kStopped;
    }
    range.memo = rows.Text("memoNote");
    ranges.push_back(std::move(range));
  }

  Transaction transaction(database);
  for (const ChronicRange& range : ranges) {
    if (range.code != kKeepCode) {
      const bool clear = range.code == kClearCode;
      for (size_t i = range.first; i < codes.size() && !(codes[i] > range.end); ++i) {
        if (!PassesMemoRule(range.memo, codes[i])) continue;
        database.Execute("update DX set status=?, Scode=? where ICD10=?",
                         {clear ? 0 : 1, clear ? std::string() : range.code, codes[i]});
      }
    }
    context.SetDone(range.order);
    context.ProcessEvents();
  }
  transaction.Commit();
  context.ShowMessage("輸入完成");
  return StepResult::kDone;
}

}  // namespace zuvo
