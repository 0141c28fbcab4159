// The Vision window's one-shot run and apply, driven through its buttons with the dialogs
// answered by the test. The steps before screening are stand-ins that build a small catalogue
// and chart store the way the converters do; screening is the engine's own.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "app/program_folder.h"
#include "core/chart_writer.h"
#include "core/patient_store.h"
#include "demo/demo_clinic.h"
#include "main_window.h"
#include "platform/big5.h"
#include "platform/file_ops.h"
#include "platform/profile_file.h"
#include "platform/table_store.h"
#include "postprocess/screening.h"
// GCC's flow analysis sees the optional QString of the scripted folder answers as possibly
// uninitialised once it is inlined here; it is not.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include "scripted_prompts.h"
#pragma GCC diagnostic pop
#include "support/temp_dir.h"
#include "text_fields.h"

namespace zuvo::gui {
namespace {

using zuvo::testing::TempDir;

const DateTime kToday = *EncodeDateTime({2026, 12, 9, 9, 0, 0, 0});

void EnsureApplication() {
  static int argc = 1;
  static char name[] = "zuvo_gui_tests";
  static char* argv[] = {name, nullptr};
  if (QCoreApplication::instance() == nullptr) new QApplication(argc, argv);
}

// Catalogue with two diagnoses and one chart store of two visits using one of them.
void BuildConvertedTree(const VisionRunFields& fields, const std::filesystem::path& home) {
  std::filesystem::path corvix = fields.folder.work_tree / "Corvix";
  CopyFileTo(home / "OPDbak.mdb", corvix / "OPD.mdb", true);
  Database catalogue = Database::Open(corvix / "OPD.mdb");
  catalogue.Execute("insert into DX (ICD10, common) values ('J00', False), ('K29', True)");
  StoreLocation store = WorkTreeStore(fields.folder.work_tree, fields.folder.clinic_id);
  CreateFolders(store.server_data_folder);
  PatientRecord record;
  record.Set(patient_field::kNumber, 1);
  WritePatient(store, record, "");
  // Screening counts back from the real clock.
  const DateTime now = Now();
  FreshChartStoreWriter writer(store, {6, now - 30, now});
  for (double day : {now - 3, now - 2}) {
    ChartEntry entry;
    entry.visit.Set(visit_field::kPatientNumber, 1);
    entry.visit.Set(visit_field::kVisitDateTime, day);
    DiagnosisRecord diagnosis;
    diagnosis.Set(diagnosis_field::kCode, "J00");
    entry.diagnoses.push_back(diagnosis);
    writer.Write(entry);
  }
  writer.Finish();
}

struct VisionBench {
  VisionBench() {
    EnsureApplication();
    InstallDeliveredFiles(home.path());
    environment.clock = [] { return kToday; };
    window = std::make_unique<TFdataedit>(environment);
    demo::WriteVisionParameterTable(source.path(), {big5::FromUtf8("展望示範診所"), "3501200000"});
    std::vector<VisionStep> steps = VisionPipelineSteps(home.path());
    for (VisionStep& step : steps) {
      if (step.id == VisionStepId::kScreening) continue;
      step.run = [this, id = step.id](VisionRunFields& fields, StepContext& context) -> StepResult {
        ran.push_back(id);
        for (int row = 0; row < 5 && !context.StopRequested(); ++row) context.ProcessEvents();
        if (id == VisionStepId::kCharts) BuildConvertedTree(fields, home.path());
        return StepResult::kDone;
      };
    }
    vision().SetPipelineSteps(steps);
  }
  TFVISW& vision() { return window->vision_window(); }
  template <typename Widget>
  Widget* Find(const char* name) {
    Widget* widget = vision().findChild<Widget*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  std::filesystem::path WorkTree() { return ToPath(Find<QLineEdit>("CVISWqmxDir")->text()); }

  TempDir home;
  TempDir source;
  RunFlags flags;
  zuvo::gui::testing::ScriptedPrompts prompts;
  WorkbenchEnvironment environment{home.path(), flags, prompts};
  std::unique_ptr<TFdataedit> window;
  std::vector<VisionStepId> ran;
};

TEST(VisionRun, FolderChoiceOneShotRunAndApply) {
  VisionBench bench;
  bench.prompts.AnswerNextFolder(FromPath(bench.source.path()));
  bench.Find<QPushButton>("CVISWselectPath")->click();
  ASSERT_EQ(bench.Find<QLineEdit>("CVISWHIS")->text(), "展望");
  size_t messages_before = bench.prompts.messages().size();

  bench.Find<QPushButton>("CVISWall")->click();
  EXPECT_EQ(bench.ran.size(), 4u);
  for (const char* box : {"CVISWmakeMXcheck", "CcreateAntCheck", "CreadWishChartcheck",
                          "CVISWdoCorvixChartcheck", "CscreenMXDXcheck"}) {
    EXPECT_TRUE(bench.Find<QCheckBox>(box)->isChecked()) << box;
  }
  EXPECT_FALSE(bench.Find<QCheckBox>("ClabInputcheck")->isChecked());
  EXPECT_EQ(bench.Find<QLineEdit>("CVISWPharmacistName")->text(), "釋出處方箋");
  EXPECT_EQ(bench.Find<QLabel>("CVISWuseTime")->text(), "耗時:00:00:00");
  std::vector<QString> run_messages(bench.prompts.messages().begin() + messages_before,
                                    bench.prompts.messages().end());
  EXPECT_EQ(run_messages, std::vector<QString>{"Zuvo病歷資料製作完成"});
  Database catalogue = Database::Open(bench.WorkTree() / "Corvix" / "OPD.mdb");
  RecordSet common = catalogue.Query("select ICD10 from DX where common<>0");
  ASSERT_FALSE(common.Eof());
  EXPECT_EQ(common.Text("ICD10"), "J00");
  common.Next();
  EXPECT_TRUE(common.Eof()) << "K29 was not used and loses its flag";
  EXPECT_EQ(ListByWildcard(bench.WorkTree(), "ConversionReport_*.txt").size(), 1u);

  bench.Find<QPushButton>("CVISWcopy")->click();
  std::filesystem::path live = bench.home / "live";
  EXPECT_EQ(bench.prompts.messages().back(), "已經套用");
  EXPECT_TRUE(std::filesystem::is_regular_file(live / "Corvix" / "OPD.mdb"));
  EXPECT_TRUE(std::filesystem::is_regular_file(live / "Tolsern" / "3501200000" / "DayLink.Dat"));
  EXPECT_EQ(ReadProfileString(live / "Corvix" / "CORVIX.INI", "Corvix", "HostName"),
            ComputerName());
}

TEST(VisionRun, StopButtonIsHeardWhileAStepRuns) {
  VisionBench bench;
  bench.prompts.AnswerNextFolder(FromPath(bench.source.path()));
  bench.Find<QPushButton>("CVISWselectPath")->click();
  size_t messages_before = bench.prompts.messages().size();
  QTimer::singleShot(0, [&] { bench.Find<QPushButton>("Cstop")->click(); });
  bench.Find<QPushButton>("CVISWall")->click();
  EXPECT_EQ(bench.ran, std::vector<VisionStepId>{VisionStepId::kCatalogue});
  EXPECT_FALSE(bench.Find<QCheckBox>("CVISWmakeMXcheck")->isChecked());
  EXPECT_FALSE(bench.Find<QCheckBox>("CscreenMXDXcheck")->isChecked());
  EXPECT_EQ(bench.prompts.messages().size(), messages_before);
  EXPECT_FALSE(bench.flags.StepMessages());
}

}  // namespace
}  // namespace zuvo::gui
