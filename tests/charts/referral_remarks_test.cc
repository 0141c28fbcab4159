#include "charts/referral_remarks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "charts/institution_list.h"
#include "platform/big5.h"
#include "platform/error.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

using testing::TempDir;
using testing::WriteFileBytes;

const char kInstitutionsUtf8[] =
    "\"分區別\",\"醫事機構代碼\",\"醫事機構名稱\",\"機構地址\"\r\n"
    "\"北區\",\"0132010014\",\"示範地區醫院\",\"桃園市, 示範路\"\r\n"
    "\"中區\",\"3536020019\",\"示範牙醫診所\",\"臺中市\"\r\n"
    "\"中區\",\"3541010016\",\"示範中醫\",\"臺南市\"\r\n"
    "\"高屏\",\"3502010013\",\"示範醫事檢驗所\",\"高雄市\"\r\n"
    "\"東區\",\"3545010010\",\"示範護理之家\",\"花蓮市\"\r\n"
    "\"臺北\",\"3501200000\",\"示範健康管理中心\",\"臺北市\"\r\n";

InstitutionList Institutions() {
  return InstitutionList::Parse(big5::FromUtf8(kInstitutionsUtf8), "hospbsc.txt");
}

std::vector<std::string> Elements(std::vector<std::string> utf8_lines) {
  for (std::string& line : utf8_lines) line = big5::FromUtf8(line);
  return utf8_lines;
}

TEST(InstitutionList, NamesAndTypes) {
  InstitutionList list = Institutions();
  EXPECT_EQ(list.size(), 6u);
  EXPECT_EQ(big5::ToUtf8(list.NameOf(" 0132010014 ")), "示範地區醫院");
  EXPECT_EQ(list.NameOf("9999999999"), "");
  auto type = [](std::string_view name_utf8) {
    return big5::ToUtf8(InstitutionType(big5::FromUtf8(name_utf8)));
  };
  EXPECT_EQ(type("示範牙醫診所"), "診所");  // the first word of the list wins
  EXPECT_EQ(type("示範牙醫"), "牙醫");
  EXPECT_EQ(type("示範中醫"), "中醫");
  EXPECT_EQ(type("示範醫事檢驗所"), "醫事檢驗所");
  EXPECT_EQ(type("示範護理之家"), "康復護理");
  EXPECT_EQ(type("示範康復之家"), "康復護理");
  EXPECT_EQ(type("示範健康管理中心"), "醫院");
  EXPECT_THROW(InstitutionList::Parse("a,b\r\n", "hospbsc.txt"), Error);
}

TEST(ReferralRemarks, FormRemarkFields) {
  InstitutionList list = Institutions();
  std::vector<std::string> form =
      Elements({"h28=0132010014", "h29=02", "h30=陳醫師", "h8=主訴", "h33=檢查", "h18=6",
                "h19=追蹤", "h23=20210301", "h34=20210331"});
  EXPECT_EQ(big5::ToUtf8(ReferralFormRemark(form, list)),
            "<醫院><示範地區醫院><內科><陳醫師><主訴><檢查><其他追蹤><有效期限一個月>");

  // Unknown institution: its code; the period and purpose tables at their limits.
  auto remark = [&](std::string h18, std::string h34) {
    return big5::ToUtf8(ReferralFormRemark(
        Elements({"h28=1111111111", "h18=" + h18, "h23=20210301", "h34=" + h34}), list));
  };
  EXPECT_EQ(remark("1", "20210308"), "<醫院><1111111111><><><><><急診治療><有效期限7天>");
  EXPECT_EQ(remark("2", "20210315"), "<醫院><1111111111><><><><><住院治療><有效期限14天>");
  EXPECT_EQ(remark("3", "20210331"), "<醫院><1111111111><><><><><門診治療><有效期限一個月>");
  EXPECT_EQ(remark("5", "20210430"),
            "<醫院><1111111111><><><><><轉回轉出或適當之院所繼續追蹤><有效期限二個月>");
  EXPECT_EQ(remark("4", "20210501"),
            "<醫院><1111111111><><><><><進一步檢查,檢查項目><有效期限三個月>");

  EXPECT_EQ(big5::ToUtf8(ReferralReplyRemark(
                Elements({"h1=A123456789", "h6=處置", "h7=結果", "h9=x", "h10=y", "h11=z"}))),
            "<A123456789><不明><處置><結果><x><y><z>");
}

TEST(ReferralRemarks, EachFileServesOneLine) {
  TempDir dir;
  WriteFileBytes(dir / "ETA001.xml",
                 big5::FromUtf8("<etadata><h28>3541010016</h28><h18>3</h18><h23>20210301</h23>"
                                "<h34>20210302</h34></etadata>"));
  WriteFileBytes(dir / "eta002.XML",
                 big5::FromUtf8("<etadata><h28>3502010013</h28><h18>1</h18></etadata>"));
  WriteFileBytes(dir / "ETB001.xml", big5::FromUtf8("<etbdata><h1>A1</h1><h6>回覆</h6></etbdata>"));
  ReferralIndex index;
  index.Add("AA12345678920210301", "ETA001.xml");
  index.Add("AA12345678920210301", "ETA002.xml");
  index.Add("BA12345678920210301", "ETB001.xml");
  // An index line without a file name: the day is known, but no file is left.
  WriteFileBytes(dir / "REF.txt", "AA12345678920210305" + std::string("1=\r\n"));
  InstitutionList list = Institutions();
  ReferralRemarks remarks(dir.path(), index, list);
  ReferralRemarks empty_value(dir.path(), ReferralIndex::Load(dir / "REF.txt"), list);
  std::vector<std::string> lines;
  auto take = [&](ReferralRemarks& from, ReferralKind kind, std::string date) {
    std::optional<std::string> remark = from.Take(
        kind, "A123456789", date, [&](const std::string& line) { lines.push_back(line); });
    return remark ? big5::ToUtf8(*remark) : std::string("(none)");
  };
  EXPECT_EQ(take(remarks, ReferralKind::kForm, "20210301"),
            "<中醫><示範中醫><><><><><門診治療><有效期限7天>");
  // The second file of the same day serves the second line.
  EXPECT_EQ(take(remarks, ReferralKind::kForm, "20210301"),
            "<醫事檢驗所><示範醫事檢驗所><><><><><急診治療><有效期限7天>");
  EXPECT_EQ(take(remarks, ReferralKind::kForm, "20210301"), "(none)");
  EXPECT_EQ(take(remarks, ReferralKind::kReply, "20210301"), "<A1><不明><回覆><><><><>");
  EXPECT_EQ(take(remarks, ReferralKind::kReply, "20210301"), "(none)");
  EXPECT_EQ(take(remarks, ReferralKind::kForm, "20210302"), "(none)");
  EXPECT_EQ(take(empty_value, ReferralKind::kForm, "20210305"), "(none)");
  EXPECT_EQ(lines,
            (std::vector<std::string>{"轉診單找不到符合日期", "轉診接受找不到符合日期",
                                      "轉診單找不到符合日期", "轉診單有符合日期但沒有可用檔案"}));
  EXPECT_EQ(ReferralKindOf("01037C"), ReferralKind::kForm);
  EXPECT_EQ(ReferralKindOf("01038C"), ReferralKind::kReply);
  EXPECT_FALSE(ReferralKindOf("01039C"));
}

}  // namespace
}  // namespace zuvo
