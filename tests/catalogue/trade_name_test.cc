#include "catalogue/trade_name.h"

#include <gtest/gtest.h>

#include "platform/big5.h"
#include "platform/file_ops.h"
#include "platform/profile_file.h"
#include "platform/table_store.h"
#include "support/temp_dir.h"
#include "workspace/clinic_settings.h"

namespace zuvo {
namespace {

// A row that gets another clinic code keeps the old one findable through [DUPMX]; a new row, a
// row without a code and a row that keeps its code note nothing.
TEST(ReplaceTradeNameTest, NotesTheOldCodeOfARenamedRowOnly) {
  testing::TempDir dir;
  Database opd = Database::CreateInMemory("OPD.mdb");
  opd.Execute("create table MX (Tname text, INSUcode text, Sname text)");
  opd.Execute("insert into MX (Tname, INSUcode) values ('FLU ', 'K000912210')");
  opd.Execute("insert into MX (Tname, INSUcode) values ('', '05307C')");
  opd.Execute("insert into MX (Tname, INSUcode) values ('A2001C', 'A2001C')");
  ClinicSettings data_ini(dir.path());
  RecordSet mx = opd.OpenTable("MX");

  ASSERT_TRUE(mx.Locate({"INSUcode"}, {std::string("K000912210")}));
  mx.Edit();
  ReplaceTradeName(mx, "VAXIGRIP TETRA", data_ini);
  mx.Post();
  ASSERT_TRUE(mx.Locate({"INSUcode"}, {std::string("05307C")}));
  mx.Edit();
  ReplaceTradeName(mx, big5::FromUtf8("醫師訪視費"), data_ini);
  mx.Post();
  ASSERT_TRUE(mx.Locate({"INSUcode"}, {std::string("A2001C")}));
  mx.Edit();
  ReplaceTradeName(mx, " A2001C", data_ini);
  mx.Post();
  mx.Append();
  mx.SetText("INSUcode", "A2051C");
  ReplaceTradeName(mx, "A2051C", data_ini);
  mx.Post();

  EXPECT_EQ(ProfileFile(dir / "data.ini").SectionLines("DUPMX"),
            (std::vector<std::string>{"FLU=K000912210"}));
  ASSERT_TRUE(mx.Locate({"INSUcode"}, {std::string("K000912210")}));
  EXPECT_EQ(mx.Text("Tname"), "VAXIGRIP TETRA");
  ASSERT_TRUE(mx.Locate({"INSUcode"}, {std::string("A2051C")}));
  EXPECT_EQ(mx.Text("Tname"), "A2051C");
}

}  // namespace
}  // namespace zuvo
