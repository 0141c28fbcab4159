#include "platform/single_table_select.h"

#include <gtest/gtest.h>

#include <utility>

namespace zuvo {
namespace {

TEST(SingleTableSelect, FindsTheTableOfSimpleSelects) {
  auto found = FindSingleTableSelect("select * from MX where INSUcode=?");
  ASSERT_TRUE(found);
  EXPECT_EQ(found->table, "MX");
  EXPECT_EQ(found->select_list_start, 6u);
  const std::pair<const char*, const char*> statements[] = {
      {"SELECT ClassID, \"set name\" FROM \"My \"\"T\"\"\" ORDER BY 1", "My \"T\""},
      {"select * from ICD10 ORDER by ICDcode", "ICD10"},
      {"select [code no] from [Sheet 1$] where name=?", "Sheet 1$"},
      {"select * from DX where ICD10 in (select a from b group by a)", "DX"}};
  for (const auto& [statement, table] : statements) {
    found = FindSingleTableSelect(statement);
    ASSERT_TRUE(found) << statement;
    EXPECT_EQ(found->table, table);
  }
}

TEST(SingleTableSelect, RejectsWhatCannotBeWrittenBack) {
  for (const char* sql :
       {"select distinct a from t", "select count(*) from t", "select a+1 from t",
        "select * from a, b", "select * from a x", "select * from a join b on a.id=b.id",
        "select a from t group by a", "select a from t union select a from u", "select t.a from t",
        "update t set a=1", "select 1"}) {
    EXPECT_FALSE(FindSingleTableSelect(sql)) << sql;
  }
}

}  // namespace
}  // namespace zuvo
