#include "platform/jet_sql.h"

#include <gtest/gtest.h>

#include "platform/error.h"

namespace zuvo::jet_sql {
namespace {

ParameterSource Caller(size_t index) { return {false, index, ""}; }
ParameterSource Literal(std::string utf8) { return {true, 0, std::move(utf8)}; }

TEST(JetSqlTranslate, RewritesTheJetForms) {
  EXPECT_EQ(Translate("delete * from ICD10").sql, "delete from ICD10");
  EXPECT_EQ(Translate("DELETE  *\n FROM MXquick where classID =?").sql,
            "DELETE from MXquick where classID =?");
  EXPECT_EQ(Translate("select keyword from DX where keyword<>null").sql,
            "select keyword from DX where keyword IS NOT NULL");
  EXPECT_EQ(Translate("select * from DX where Sname<>NULL ").sql,
            "select * from DX where Sname IS NOT NULL ");
  EXPECT_EQ(Translate("select * from DX where a != null and b= Null").sql,
            "select * from DX where a IS NOT NULL and b IS NULL");
  EXPECT_EQ(Translate("UPDATE DX SET common=False").sql, "UPDATE DX SET common=0");
  EXPECT_EQ(Translate("select Sname from DX where bList=True AND common=true").sql,
            "select Sname from DX where bList=1 AND common=1");
  EXPECT_EQ(Translate("select * from [Sheet 1$]").sql, "select * from \"Sheet 1$\"");
  EXPECT_EQ(Translate("select [a\"b] from t").sql, "select \"a\"\"b\" from t");
}

TEST(JetSqlTranslate, LeavesLookalikesAlone) {
  // Words that only contain the keywords, comparisons with other operators, and quoted text.
  EXPECT_EQ(Translate("select Trueness, nullable from t where a<=b and c>=d").sql,
            "select Trueness, nullable from t where a<=b and c>=d");
  EXPECT_EQ(Translate("select * from t where x = nullx").sql, "select * from t where x = nullx");
  EXPECT_EQ(Translate("select * from t where s='True <>null [x] \"y\"'").sql,
            "select * from t where s='True <>null [x] \"y\"'");
  EXPECT_EQ(Translate("select * from t where s='it''s'").sql, "select * from t where s='it''s'");
  EXPECT_EQ(Translate("delete from t where a=1").sql, "delete from t where a=1");
  EXPECT_EQ(Translate("select count(*) from t").sql, "select count(*) from t");
  EXPECT_EQ(
      Translate("select * from OPD where (INSUCODE like '0____C') and (INSUCODE<'06000A')").sql,
      "select * from OPD where (INSUCODE like '0____C') and (INSUCODE<'06000A')");
}

TEST(JetSqlTranslate, DoubleQuotedLiteralsBecomeParametersInOrder) {
  Translation translation =
      Translate("select * from MXset where setName =\"He said \"\"hi\"\"\" and a=? and b=\"x\"");
  EXPECT_EQ(translation.sql, "select * from MXset where setName =? and a=? and b=?");
  EXPECT_EQ(translation.caller_parameter_count, 1u);
  ASSERT_EQ(translation.parameters.size(), 3u);
  EXPECT_EQ(translation.parameters[0], Literal("He said \"hi\""));
  EXPECT_EQ(translation.parameters[1], Caller(0));
  EXPECT_EQ(translation.parameters[2], Literal("x"));
}

TEST(JetSqlTranslate, UnterminatedQuotesAreErrors) {
  EXPECT_THROW(Translate("select * from t where a='abc"), Error);
  EXPECT_THROW(Translate("select * from t where a=\"abc"), Error);
  EXPECT_THROW(Translate("select * from [t"), Error);
}

TEST(JetSqlSingleTable, FindsTheTableOfSimpleSelects) {
  auto found = FindSingleTableSelect("select * from MX where INSUcode=?");
  ASSERT_TRUE(found);
  EXPECT_EQ(found->table, "MX");
  EXPECT_EQ(found->select_list_start, 6u);
  found = FindSingleTableSelect("SELECT ClassID, \"set name\" FROM \"My \"\"T\"\"\" ORDER BY 1");
  ASSERT_TRUE(found);
  EXPECT_EQ(found->table, "My \"T\"");
  found = FindSingleTableSelect("select * from ICD10 ORDER by ICDcode");
  ASSERT_TRUE(found);
  EXPECT_EQ(found->table, "ICD10");
  found = FindSingleTableSelect("select * from DX where ICD10 in (select a from b group by a)");
  ASSERT_TRUE(found);
  EXPECT_EQ(found->table, "DX");
}

TEST(JetSqlSingleTable, RejectsWhatCannotBeWrittenBack) {
  for (const char* sql :
       {"select distinct a from t", "select count(*) from t", "select a+1 from t",
        "select * from a, b", "select * from a x", "select * from a join b on a.id=b.id",
        "select a from t group by a", "select a from t union select a from u", "select t.a from t",
        "update t set a=1", "select 1"}) {
    EXPECT_FALSE(FindSingleTableSelect(sql)) << sql;
  }
}

}  // namespace
}  // namespace zuvo::jet_sql
