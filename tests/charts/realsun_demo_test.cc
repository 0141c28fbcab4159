#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "charts/realsun_charts_step.h"
#include "core/chart_store.h"
#include "core/patient_store.h"
#include "core/store_verify.h"
#include "delivered_program.h"
#include "demo/realsun_visit_tables.h"
#include "platform/big5.h"
#include "platform/dbf_table.h"
#include "platform/file_ops.h"
#include "platform/table_store.h"
#include "realsun_entries.h"
#include "source_tables.h"
#include "support/recording_step_context.h"
#include "support/temp_dir.h"
#include "workspace/folder_layout.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

constexpr char kClinicCode[] = "3501010098";

std::string TreeBytes(const fs::path& folder) {
  std::vector<fs::path> files;
  for (const auto& item : fs::recursive_directory_iterator(folder)) {
    if (item.is_regular_file()) files.push_back(item.path());
  }
  std::sort(files.begin(), files.end());
  std::string all;
  for (const fs::path& file : files) {
    all += PathToUtf8(fs::relative(file, folder)) + "\n" + ReadFileBytes(file);
  }
  return all;
}

TEST(RealSunDemoTables, FollowTheSourceFoldersTablesAndRepeatFromTheSeed) {
  TempDir dir;
  const fs::path with_tables = dir.path() / "a";
  fs::create_directories(with_tables / "Z");
  testing::WriteSourceTable(with_tables / "Z" / "DRUG.DBF", {"DRUG_NO"},
                            {{{"DRUG_NO", "D1"}}, {{"DRUG_NO", "D2"}}});
  testing::WriteSourceTable(with_tables / "Z" / "SICK.DBF", {"CODE"}, {{{"CODE", "K1"}}});
  demo::RealSunVisitTableCounts counts = demo::WriteRealSunVisitTables(with_tables, 5);
  EXPECT_GT(counts.visits, 600);
  EXPECT_GT(counts.claim_rows, counts.visits / 2);
  EXPECT_GT(counts.upload_rows, 0);
  DbfTable visits = DbfTable::Open(with_tables, "Z/plut1.dbf");
  for (visits.First(); !visits.Eof(); visits.Next()) {
    for (int k = 1; k <= 28; ++k) {
      const std::string drug = big5::Trim(visits.Text("DRUG" + std::to_string(k)));
      EXPECT_TRUE(drug.empty() || drug == "D1" || drug == "D2" || drug == "ZZ999" ||
                  drug == "01036C")
          << drug;
    }
    const std::string sick = big5::Trim(visits.Text("SICK_CODE"));
    EXPECT_TRUE(sick.empty() || sick == "K1") << sick;
  }
  const std::string first = TreeBytes(with_tables);
  fs::remove_all(with_tables / "S");
  fs::remove_all(with_tables / "IC");
  for (int n = 1; fs::exists(with_tables / "Z" / ("plut" + std::to_string(n) + ".dbf")); ++n) {
    fs::remove(with_tables / "Z" / ("plut" + std::to_string(n) + ".dbf"));
  }
  demo::WriteRealSunVisitTables(with_tables, 5);
  EXPECT_EQ(TreeBytes(with_tables), first);

  demo::RealSunVisitTableCounts scale = demo::WriteRealSunVisitTables(
      dir.path() / "scale", 1, {.scale_visits = 1000, .patients = 50});
  EXPECT_EQ(scale.visits, 1000);
  EXPECT_EQ(scale.claim_rows, 900);
  EXPECT_EQ(scale.upload_rows, 500);
}

// The demo's visits converted on their own fallback patients, codes and catalogue.
TEST(RealSunDemoTables, ConvertToAVerifiedStore) {
  TempDir dir;
  const fs::path& program = testing::DeliveredProgramFolder();
  const fs::path clinic_folder = ClinicFolder(program, kRealSunArea, kClinicCode);
  fs::remove_all(clinic_folder);
  const fs::path work_tree = clinic_folder / "1151201_1";
  CreateWorkTree(work_tree);
  StoreLocation store{ServerDataFolder(work_tree, kClinicCode), work_tree / "Tolsern/PTdata.ind"};
  fs::create_directories(store.server_data_folder);
  for (int32_t number = 1; number <= 25; ++number) {
    PatientRecord record;
    record.Set(patient_field::kNumber, number);
    record.Set(patient_field::kNationalId, "A1000000" + std::to_string(10 + number));
    WritePatient(store, record, "");
  }
  WriteFileBytes(clinic_folder / "data.ini",
                 big5::FromUtf8("[system]\r\n開業日期=0990101\r\nPharmacistName=釋出處方箋\r\n"
                                "ClinicTypeNo=01\r\n[DOCTOR]\r\n王大明=A123456789\r\n"));
  ASSERT_TRUE(CopyFileTo(program / "OPDbak.mdb", work_tree / "Corvix" / "OPD.mdb", true));
  Database opd = Database::Open(work_tree / "Corvix" / "OPD.mdb");
  for (const char* code : {"PANA", "AMOX", "SYRUP", "EYE", "INJ", "OINT", "REG"}) {
    opd.Execute("insert into MX (Tname, INSUcode, class, INSUprice) values (?, ?, 'oral', ?)",
                {std::string(code), "N" + std::string(code), Currency{25000}});
  }
  opd.Execute("insert into MX (INSUcode, class, INSUprice) values ('01036C', 'OPD', ?)",
              {Currency{2000000}});
  const fs::path source = dir.path() / "source";
  demo::RealSunVisitTableCounts counts = demo::WriteRealSunVisitTables(source, 9);

  RealSunChartInput input;
  input.folder.his = big5::Literal("耀聖");
  input.folder.source_folder = source;
  input.folder.work_tree = work_tree;
  input.folder.clinic_id = kClinicCode;
  input.chart.split_date = "0990101";
  Workplace place;
  place.program_folder = program;
  place.now = *EncodeDateTime({2026, 12, 1, 10, 0, 0, 0});
  place.clock = [now = place.now] { return now; };
  RunFlags flags;
  RecordingStepContext context(flags);
  ASSERT_EQ(ConvertRealSunCharts(input, place, context), StepResult::kDone);
  StoreVerifyReport report = VerifyStore(store);
  EXPECT_TRUE(report.clean()) << report.findings[0].where << ": " << report.findings[0].problem;
  const std::vector<testing::RawEntry> entries =
      testing::RawEntries(ReadFileBytes(ChartFilePath(store, 0)));
  auto listed = [&](const std::string& start) {
    return std::count_if(context.lines().begin(), context.lines().end(),
                         [&](const std::string& line) { return line.rfind(start, 0) == 0; });
  };
  // Every visit is written but those of the month without claims.
  const long missing_month = std::count_if(entries.begin(), entries.end(), [](const auto& entry) {
    return RocDate(testing::F64At(entry.visit, 80)).substr(0, 5) == "10102";
  });
  EXPECT_EQ(missing_month, 0);
  EXPECT_EQ(listed("沒有申報檔,該月門診不轉:"), 1);
  EXPECT_GT(entries.size(), static_cast<size_t>(counts.visits) * 9 / 10);
  EXPECT_EQ(listed("沒有CARD1欄位:"), 1);
  EXPECT_EQ(listed("沒有第一階段健檢:2"), 1);
  EXPECT_EQ(listed("OPD.mdb找不到處置:[ZZ999]"), 1);
  EXPECT_EQ(listed("不明使用頻率語法:[ZZ9]"), 1);
  EXPECT_EQ(input.unknown_doctors, std::vector<std::string>{big5::FromUtf8("林醫師")});
  size_t full = 0, second_stage = 0;
  for (const auto& entry : entries) {
    full = std::max(full, entry.orders.size());
    second_stage += testing::TextAt(entry.visit, 4) == "IC21" &&
                    testing::TextAt(entry.diagnoses.at(0), 137) == "Z008";
  }
  EXPECT_EQ(full, 27u) << "28 slots, one of them an unknown code";
  EXPECT_EQ(second_stage, 2u) << "IC21 and the IC23 that takes it";
}

}  // namespace
}  // namespace zuvo
