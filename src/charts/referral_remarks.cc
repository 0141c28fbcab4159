#include "charts/referral_remarks.h"

#include "charts/institution_list.h"
#include "core/code_tables.h"
#include "core/roc_date.h"
#include "core/tag_elements.h"
#include "platform/big5.h"
#include "platform/file_ops.h"

namespace zuvo {
namespace {

std::string Value(const std::vector<std::string>& elements, std::string_view name) {
  return big5::Trim(ElementValue(elements, name));
}

std::string Purpose(const std::vector<std::string>& elements) {
  const std::string code = Value(elements, "h18");
  const char first = code.empty() ? '\0' : code.front();
  switch (first) {
    case '1':
      return big5::Literal("急診治療");
    case '2':
      return big5::Literal("住院治療");
    case '3':
      return big5::Literal("門診治療");
    case '5':
      return big5::Literal("轉回轉出或適當之院所繼續追蹤");
    case '6':
      return big5::Literal("其他") + Value(elements, "h19");
    default:
      return big5::Literal("進一步檢查,檢查項目");
  }
}

DateTime WesternDate(std::string_view yyyymmdd) {
  if (yyyymmdd.size() != 8) return 0;
  auto number = [&](size_t from, size_t length) {
    int value = 0;
    for (char c : yyyymmdd.substr(from, length)) {
      if (c < '0' || c > '9') return -1;
      value = value * 10 + (c - '0');
    }
    return value;
  };
  return EncodeDate(number(0, 4), number(4, 2), number(6, 2)).value_or(0);
}

std::string ValidityPeriod(const std::vector<std::string>& elements) {
  const double days = WesternDate(Value(elements, "h34")) - WesternDate(Value(elements, "h23"));
  if (days >= 0 && days <= 7) return big5::Literal("7天");
  if (days > 7 && days <= 14) return big5::Literal("14天");
  if (days > 14 && days <= 30) return big5::Literal("一個月");
  if (days > 30 && days <= 60) return big5::Literal("二個月");
  return big5::Literal("三個月");
}

std::string Bracketed(std::initializer_list<std::string> parts) {
  std::string text;
  for (const std::string& part : parts) text += "<" + part + ">";
  return text;
}

}  // namespace

std::optional<ReferralKind> ReferralKindOf(std::string_view code) {
  if (code == "01036C" || code == "01037C") return ReferralKind::kForm;
  if (code == "01038C") return ReferralKind::kReply;
  return std::nullopt;
}

std::string ReferralFormRemark(const std::vector<std::string>& elements,
                               const InstitutionList& institutions) {
  const std::string code = Value(elements, "h28");
  std::string name = institutions.NameOf(code);
  if (name.empty()) name = code;
  return Bracketed({InstitutionType(name), name, DepartmentName(Value(elements, "h29")),
                    Value(elements, "h30"), Value(elements, "h8"), Value(elements, "h33"),
                    Purpose(elements), big5::Literal("有效期限") + ValidityPeriod(elements)});
}

std::string ReferralReplyRemark(const std::vector<std::string>& elements) {
  return Bracketed({Value(elements, "h1"), big5::Literal("不明"), Value(elements, "h6"),
                    Value(elements, "h7"), Value(elements, "h9"), Value(elements, "h10"),
                    Value(elements, "h11")});
}

std::string RealSunReferralRemark(ReferralKind kind, const std::string& institution_name) {
  if (kind == ReferralKind::kForm) {
    return Bracketed({big5::Literal("醫院"), institution_name, big5::Literal("科別"),
                      big5::Literal("醫師"), " ", " ", " ", " "});
  }
  return Bracketed({"1234567890123456", institution_name, " ", " ", " ", " ", " "});
}

ReferralRemarks::ReferralRemarks(std::filesystem::path referral_folder, ReferralIndex index,
                                 const InstitutionList& institutions)
    : folder_(std::move(referral_folder)), index_(std::move(index)), institutions_(institutions) {}

std::optional<std::string> ReferralRemarks::Take(ReferralKind kind, std::string_view national_id,
                                                 std::string_view visit_date_western,
                                                 const MessageSink& sink) {
  const bool form = kind == ReferralKind::kForm;
  const std::string key =
      std::string(form ? "A" : "B") + big5::Trim(national_id) + std::string(visit_date_western);
  const char* not_found = form ? "轉診單找不到符合日期" : "轉診接受找不到符合日期";
  if (!index_.Contains(key + "1")) {
    Show(sink, not_found);
    return std::nullopt;
  }
  const std::string file_name = big5::Trim(index_.Take(key));
  if (!file_name.empty()) {
    used_keys_.insert(key);
    return RemarkOf(kind, file_name);
  }
  // A day whose files all served earlier lines reads as a day without files.
  Show(sink, used_keys_.contains(key) ? not_found
             : form                   ? "轉診單有符合日期但沒有可用檔案"
                                      : "轉診接受有符合日期但沒有可用檔案");
  return std::nullopt;
}

std::string ReferralRemarks::RemarkOf(ReferralKind kind, const std::string& file_name) const {
  const std::string name_utf8 = big5::ToUtf8(big5::Trim(file_name));
  const std::string text =
      ReadWholeFile(ResolvePath(folder_, name_utf8).value_or(folder_ / PathFromUtf8(name_utf8)));
  std::vector<std::string> elements;
  if (kind == ReferralKind::kForm) {
    ReadTagElementsSkipEmpty(text, 1, "etadata", elements);
    return ReferralFormRemark(elements, institutions_);
  }
  ReadTagElementsSkipEmpty(text, 1, "etbdata", elements);
  return ReferralReplyRemark(elements);
}

}  // namespace zuvo
