// The claim document reader and the order-line correction on their own.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "postprocess/claims_fixture.h"
#include "postprocess/realsun_claim_corrections.h"
#include "postprocess/realsun_claim_document.h"

namespace zuvo {
namespace {

using testing::ClaimXml;
using ::testing::ElementsAre;

TEST(ClaimReaderTest, SplitsBodyFieldsFromOrderLines) {
  const std::string document =
      "<tdata><t1>10</t1></tdata>" +
      ClaimXml("D2", {{"d3", " A1 "}, {"d9", "1080103"}}, {{{"p4", "X1"}}, {{"p4", "X2"}}}) +
      ClaimXml("01", {{"d3", "B2"}});
  ClaimRead first = ReadNextClaim(document, 0);
  ASSERT_EQ(first.status, ClaimReadStatus::kClaim);
  EXPECT_EQ(first.claim.case_type, "D2");
  EXPECT_THAT(first.claim.body, ElementsAre("d3= A1 ", "d9=1080103"));
  EXPECT_EQ(first.claim.Field("d3"), "A1");
  EXPECT_EQ(first.claim.order_text,
            "<pdata>\r\n<p4>X1</p4>\r\n</pdata>\r\n<pdata>\r\n<p4>X2</p4>\r\n"
            "</pdata>\r\n");
  EXPECT_EQ(document.substr(first.next - 8, 8), "</dbody>");

  ClaimRead second = ReadNextClaim(document, first.next);
  ASSERT_EQ(second.status, ClaimReadStatus::kClaim);
  EXPECT_EQ(second.claim.Field("d3"), "B2");
  EXPECT_EQ(second.claim.order_text, "");
  EXPECT_EQ(ReadNextClaim(document, second.next).status, ClaimReadStatus::kNoMoreClaims);
}

TEST(ClaimReaderTest, ClaimsThatCannotBeReadAreMalformed) {
  for (const char* broken : {
           "<ddata><dbody><d3>A</d3></dbody></ddata>",                      // no head
           "<ddata><dhead><d1>01</d1></dhead><d3>A</d3></ddata>",           // no body
           "<ddata><dhead><d1>01</d1></dhead><dbody><d3>A</d3>",            // body not closed
           "<ddata><dhead><d1>01</dhead><dbody><d3>A</d3></dbody>",         // head field cut
           "<ddata><dhead><d1>01</d1></dhead><dbody><d3>A</dbody>",         // body field cut
           "<ddata><dhead><d1>01</d1></dhead><dbody><pdata><p4>A</dbody>",  // order line cut
           "<ddata><dhead><d1>01</d1></dhead><ddata><dhead><d1>01</d1></dhead><dbody></dbody>",
           // a body not closed before the next claim, which would take that claim's closing
           "<ddata><dhead><d1>01</d1></dhead><dbody><d3>A</d3><pdata><p4>X</p4></pdata>"
           "<ddata><dhead><d1>01</d1></dhead><dbody><d3>B</d3></dbody></ddata>",
       }) {
    EXPECT_EQ(ReadNextClaim(broken, 0).status, ClaimReadStatus::kMalformed) << broken;
  }
}

TEST(ClaimReaderTest, EveryCutOfADocumentIsReadWithinItsBytes) {
  const std::string document = ClaimXml("01", {{"d3", "A1"}}, {{{"p4", "X1"}, {"p1", "3"}}}) +
                               ClaimXml("08", {{"d3", "B2"}});
  for (size_t size = 0; size <= document.size(); ++size) {
    const std::string cut = document.substr(0, size);
    int claims = 0;
    for (ClaimRead read = ReadNextClaim(cut, 0); read.status == ClaimReadStatus::kClaim;
         read = ReadNextClaim(cut, read.next)) {
      ASSERT_LE(read.next, cut.size());
      ++claims;
    }
    // A claim counts once its body is closed.
    const size_t first_end = document.find("</dbody>") + 8;
    const size_t second_end = document.rfind("</dbody>") + 8;
    EXPECT_EQ(claims, size >= second_end ? 2 : size >= first_end ? 1 : 0) << size;
  }
}

class UpdateOrderTest : public ::testing::Test {
 protected:
  UpdateOrderTest() {
    order.Set(order_field::kInsuranceCode, "AC12345100");
    order.Set(order_field::kUnitPrice, 9.5f);
    order.Set(order_field::kExecutionStart, 43466.5);
    order.Set(order_field::kDepartmentPrefix, "04");
    before = order;
  }
  OrderRecord order;
  OrderRecord before;
};

TEST_F(UpdateOrderTest, OnlyTheFirstLineWithTheOrdersCodeIsApplied) {
  const std::string text =
      "<pdata><p4>AC12345100X</p4><p1>1</p1></pdata>"  // another code that contains it
      "<pdata><p4> AC12345100 </p4><p1>5</p1><p5>abc</p5><p8></p8><p10>x</p10><p11>3</p11>"
      "<p14>1080101</p14><p20>9</p20></pdata>"
      "<pdata><p4>AC12345100</p4><p1>6</p1></pdata>";
  ASSERT_TRUE(UpdateOrderFromClaim(order, text, "01"));
  EXPECT_EQ(order.Get(order_field::kDays), 5);
  EXPECT_EQ(order.Get(order_field::kDoseTimes100), 100);    // no number: 1
  EXPECT_EQ(order.Get(order_field::kPaymentPercent), 100);  // no number: 1
  EXPECT_EQ(order.Get(order_field::kTotalQuantity), 0.0f);
  EXPECT_EQ(order.Get(order_field::kUnitPrice), 9.5f);          // case type 01
  EXPECT_EQ(order.Get(order_field::kExecutionStart), 43466.5);  // "108010101" is no time stamp
  EXPECT_EQ(order.Get(order_field::kDepartmentPrefix), "04");   // one character: kept
  EXPECT_EQ(order.Get(order_field::kDispensingLetter), ' ');

  order = before;
  ASSERT_TRUE(UpdateOrderFromClaim(order, text, "04"));
  EXPECT_EQ(order.Get(order_field::kUnitPrice), 3.0f);
}

TEST_F(UpdateOrderTest, WithoutItsCodeTheOrderKeepsEveryByte) {
  EXPECT_FALSE(UpdateOrderFromClaim(order, "<pdata><p4>B1</p4><p1>5</p1></pdata>", "04"));
  EXPECT_FALSE(UpdateOrderFromClaim(order, "<pdata><p1>AC12345100</p1><p4>B1</p4></pdata>", "04"));
  EXPECT_FALSE(UpdateOrderFromClaim(order, "", "04"));
  EXPECT_EQ(order, before);
  // An order without a code matches no order line, not even one without p4.
  order.Set(order_field::kInsuranceCode, "");
  before = order;
  EXPECT_FALSE(UpdateOrderFromClaim(order, "<pdata><p1>5</p1></pdata>", "04"));
  EXPECT_EQ(order, before);
}

TEST(ClaimCopayTest, UnknownCodesAndDayCareClasses) {
  auto copay = [](const char* case_type, const char* code) {
    Claim claim{case_type, {std::string("d15=") + code}, ""};
    ClaimCopay result = ClaimCopayOf(claim);
    return result.code + result.payment_class + (result.known ? "" : "?");
  };
  EXPECT_EQ(copay("01", "003"), "0031");
  EXPECT_EQ(copay("01", " 906 "), "906J");
  EXPECT_EQ(copay("01", "Q99"), "0000?");
  EXPECT_EQ(copay("D2", "003"), "0033");
  EXPECT_EQ(copay("A3", "Q99"), "0003?");
}

}  // namespace
}  // namespace zuvo
