#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "core/chart_fixture.h"
#include "core/store_verify.h"
#include "main_window.h"
#include "maintenance/anonymise_clinic.h"
#include "scripted_prompts.h"
#include "support/chart_set_builder.h"
#include "support/temp_dir.h"
#include "text_fields.h"

namespace zuvo::gui {
namespace {

using zuvo::testing::ReadFileBytes;
using zuvo::testing::TempDir;
using zuvo::testing::WriteFileBytes;

constexpr char kCode[] = "3501200000";

QApplication& Application() {
  static int argc = 1;
  static char name[] = "zuvo_gui_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* application = new QApplication(argc, argv);
  return *application;
}

void BuildSet(const std::filesystem::path& folder, const std::string& tag,
              const std::string& split_date, double first_visit) {
  zuvo::testing::ChartSetSpec spec;
  spec.tag = tag;
  spec.split_date = split_date;
  for (int32_t number = 1; number <= 3; ++number) {
    PatientRecord record = zuvo::testing::NumberedPatient(number);
    record.Set(patient_field::kName, big5::FromUtf8("王小明"));
    record.Set(patient_field::kNationalId, "A12345678" + std::to_string(number));
    spec.patients.push_back(record);
  }
  for (int visit = 0; visit < 6; ++visit) {
    spec.visits.push_back(zuvo::testing::Visit(visit % 3 + 1, first_visit + visit * 20 + 0.4));
  }
  spec.opening = first_visit - 10;
  spec.last_day = first_visit + 200;
  zuvo::testing::BuildChartSet(folder, spec);
}

// The main window over a program folder whose live root is home/live.
struct Workbench {
  Workbench() {
    Application();
    WriteFileBytes(home / "DataEdit.ini",
                   "[Workbench]\r\nLiveRoot=" + (home / "live").string() + "\r\n");
    window = std::make_unique<TFdataedit>(environment);
  }
  template <typename Widget>
  Widget* Find(const char* name) {
    Widget* widget = window->findChild<Widget*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  void Press(const char* button) { QTest::mouseClick(Find<QPushButton>(button), Qt::LeftButton); }
  QString Text(const char* field) { return Find<QLineEdit>(field)->text(); }
  QStringList Lines(const char* list) {
    QStringList lines;
    QListWidget* widget = Find<QListWidget>(list);
    for (int i = 0; i < widget->count(); ++i) lines << widget->item(i)->text();
    return lines;
  }

  TempDir home;
  TempDir sets;
  RunFlags flags;
  testing::ScriptedPrompts prompts;
  WorkbenchEnvironment environment{home.path(), flags, prompts};
  std::unique_ptr<TFdataedit> window;
};

TEST(MergePage, ChoosingBothSetsMergingAndApplyingByItsButtons) {
  Workbench bench;
  BuildSet(bench.sets / "past", "past", "1100101", 43900);
  BuildSet(bench.sets / "recent", "recent", "1090601", 44100);

  bench.prompts.AnswerNextFolder(FromPath(bench.sets / "recent"));
  bench.Press("CsetNewPath");
  EXPECT_EQ(bench.Text("CnewID"), kCode);
  EXPECT_EQ(bench.Text("CnewName"), "測試診所");
  EXPECT_EQ(bench.Text("CnewSplitDate"), "1090601");
  const std::filesystem::path merged = ToPath(bench.Text("CcombinePath"));
  EXPECT_EQ(merged.parent_path().parent_path(), bench.home.path() / "KKK" / kCode);
  EXPECT_TRUE(std::filesystem::is_directory(merged / "Tolsern"));

  // The merge refuses until the past set is chosen.
  bench.Press("Ccombine");
  ASSERT_FALSE(bench.prompts.messages().empty());
  EXPECT_EQ(bench.prompts.messages().back(), FromUtf8(kSameClinicRequired));

  bench.prompts.AnswerNextFolder(FromPath(bench.sets / "past"));
  bench.Press("CsetOldPath");
  EXPECT_EQ(bench.prompts.folder_captions(),
            (std::vector<QString>{"選擇近期病歷資料夾", "選擇過去病歷資料夾"}));
  EXPECT_EQ(bench.Text("ColdSplitDate"), "1100101");

  bench.Press("Ccombine");
  EXPECT_EQ(bench.prompts.messages().back(), FromUtf8(kMergeDone));
  EXPECT_TRUE(bench.Lines("CcombineList").contains("開始融合病歷.."));
  EXPECT_EQ(bench.Find<QLabel>("CcombineTotalNo")->text(), "3");
  EXPECT_EQ(bench.Find<QLabel>("CCombineChartNo")->text(), "3");
  EXPECT_TRUE(VerifyStore(zuvo::testing::ChartSetStoreOf(merged, kCode)).clean());

  std::filesystem::create_directories(bench.home / "live");  // apply never makes the live root
  bench.Press("CcombineTouse");
  EXPECT_EQ(bench.prompts.messages().back(), "備份完成,套用完成");
  EXPECT_EQ(ReadFileBytes(bench.home / "live" / "Corvix" / "OPD.mdb"), "opd recent");
  EXPECT_EQ(bench.Text("CcombineBakPath"), "");  // nothing was live before
  bench.Press("CcombineTouse");
  EXPECT_NE(bench.Text("CcombineBakPath"), "");
  EXPECT_TRUE(std::filesystem::is_directory(ToPath(bench.Text("CcombineBakPath"))));
}

TEST(AnonymiserBox, AsksThenAnonymisesTheLiveClinic) {
  Workbench bench;
  BuildSet(bench.home / "live", "live", "", 43900);
  const std::filesystem::path patients = bench.home / "live" / "Tolsern" / kCode / "PtData.000";
  const std::string before = ReadFileBytes(patients);

  bench.Find<QLineEdit>("CreplacePTclinic")->setText(kCode);
  bench.prompts.AnswerNextMessage(MessageAnswer::kCancel);
  const size_t shown_before = bench.prompts.messages().size();  // start-up's own
  bench.Press("CreplacePTdata");
  ASSERT_EQ(bench.prompts.messages().size(), shown_before + 1);
  EXPECT_TRUE(bench.prompts.messages().back().contains("無法復原"));
  EXPECT_EQ(ReadFileBytes(patients), before);

  bench.Press("CreplacePTdata");
  EXPECT_EQ(bench.prompts.messages().back(),
            FromUtf8(AnonymiseDoneText(
                PersonalDataLeft(zuvo::testing::ChartSetStoreOf(bench.home / "live", kCode)))));
  EXPECT_NE(ReadFileBytes(patients), before);
  EXPECT_EQ(bench.Find<QLabel>("CreplacePTno")->text(), "3");
  EXPECT_TRUE(bench.Lines("CreplacePTlist").contains("霧化病人數:3"));

  bench.Find<QLineEdit>("CreplacePTclinic")->setText("0000000000");
  bench.Press("CreplacePTdata");
  EXPECT_EQ(bench.prompts.messages().back(), FromUtf8(kClinicCodeMissing));
}

}  // namespace
}  // namespace zuvo::gui
