#include "charts/vision_health_check_answers.h"

#include <array>
#include <string_view>

#include "platform/big5.h"

namespace zuvo {
namespace {

struct AnswerText {
  char code;
  std::string_view text_utf8;
};

// `other_utf8` answers every code the table does not list (empty: no text).
struct AnswerTable {
  HealthCheckAnswers table;
  std::array<AnswerText, 4> answers;
  std::string_view other_utf8;
};

constexpr AnswerTable kAnswerTables[] = {
    {HealthCheckAnswers::kYesNo, {{{'1', "1：否"}, {'2', "2：是"}}}, ""},
    {HealthCheckAnswers::kNoneHas, {{{'1', "1：無"}, {'2', "2：有"}}}, ""},
    {HealthCheckAnswers::kAssessment,
     {{{'1', "1：正常"},
       {'2', "2：異常：建議:生活型態改善，並定期__個月追蹤"},
       {'3', "3：異常：建議:進一步檢查"},
       {'4', "4：異常：建議:接受治療"}}},
     ""},
    {HealthCheckAnswers::kHepatitisAdvice,
     {{{'0', "0：無"}, {'1', "1：陰性"}, {'2', "2：陽性，建議進一步檢查"}}},
     ""},
    {HealthCheckAnswers::kSerology, {{{'1', "1：陰性"}, {'2', "2：陽性"}, {'3', "3：未執行"}}}, ""},
    {HealthCheckAnswers::kSmoking,
     {{{'2', "2：朋友敬菸或應酬才吸菸"},
       {'3', "3：平均一天約吸一包菸(含以下)"},
       {'4', "4：平均一天約吸一包菸以上"}}},
     "1：不吸菸"},
    {HealthCheckAnswers::kDrinking,
     {{{'2', "2：偶爾喝酒或應酬才喝"}, {'3', "3：經常喝酒"}}},
     "1：不喝酒"},
    {HealthCheckAnswers::kBetelNut,
     {{{'2', "2：偶爾會嚼或應酬才嚼"}, {'3', "3：經常嚼或習慣在嚼"}}},
     "1：不嚼檳榔"},
    {HealthCheckAnswers::kExercise,
     {{{'2', "2：有，但未達每週 150 分鐘以上(2.5 小時)"},
       {'3', "3：有，且每週達 150 分鐘以上(2.5 小時)"}}},
     "1：沒有"},
    {HealthCheckAnswers::kDepressionScreen,
     {{{'2', "2 題任 1 題答「是」，建議轉介至相關單位接受進一步服務"}}},
     "1：2 題皆答「否」"},
};

}  // namespace

std::string HealthCheckAnswerText(HealthCheckAnswers table, char code) {
  for (const AnswerTable& candidate : kAnswerTables) {
    if (candidate.table != table) continue;
    for (const AnswerText& answer : candidate.answers) {
      if (answer.code != '\0' && answer.code == code) return big5::Literal(answer.text_utf8);
    }
    return candidate.other_utf8.empty() ? std::string() : big5::Literal(candidate.other_utf8);
  }
  return {};
}

std::string UrineProteinCode(std::string_view value) {
  constexpr size_t kCodeLength = 4;
  if (value == "-") return "0000";
  if (!value.empty() && value.size() <= kCodeLength &&
      value.find_first_not_of('+') == std::string_view::npos) {
    return std::string(kCodeLength, static_cast<char>('0' + value.size()));
  }
  if (value.size() == kCodeLength) return std::string(value);
  return "9999";
}

}  // namespace zuvo
