#include "realsun_conversion.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/program_folder.h"
#include "catalogue/realsun_orders_step.h"
#include "core/roc_date.h"
#include "platform/big5.h"
#include "platform/profile_file.h"
#include "platform/table_store.h"
#include "support/temp_dir.h"
#include "workspace/folder_layout.h"

namespace zuvo::testing {

bool RealSunConversion::HasLine(const std::string& line) const {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

const std::filesystem::path& DeliveredProgramFolder() {
  static TempDir folder;
  static const bool installed = [] {
    InstallDeliveredFiles(folder.path());
    return true;
  }();
  (void)installed;
  return folder.path();
}

const RealSunConversion& DemoConversion() {
  static TempDir temp;
  static const RealSunConversion conversion = [] {
    RealSunConversion c;
    c.program_folder = DeliveredProgramFolder();
    Database::Open(c.program_folder / "ICD10CM.MDB")
        .Execute("update DX set keyword=? where ICD10='R509'",
                 {"fever, pyrexia ,high temperature,hot,feverish"});
    c.source_folder = temp.path() / "source";
    c.clinic = demo::WriteRealSunDemoSource(c.source_folder, 7);
    c.clinic_folder = ClinicFolder(c.program_folder, kRealSunArea, c.clinic.code);
    c.work_tree = c.clinic_folder / "1151201_1";
    CreateWorkTree(c.work_tree);
    WriteProfileString(c.DataIni(), "UseMethodFix", big5::FromUtf8("飯後吃"), "TIDPC");
    WriteProfileString(c.DataIni(), "DXcodefix", "OLD1", "J069");
    WriteProfileString(c.DataIni(), "system", "Pharmacistname", big5::FromUtf8("王藥師"));
    WriteProfileString(c.DataIni(), "system", "PharmacistID", "C200000001");

    RealSunOrdersInput input;
    input.folder.his = big5::FromUtf8("耀聖");
    input.folder.source_folder = c.source_folder;
    input.folder.clinic_id = c.clinic.code;
    input.folder.work_tree = c.work_tree / "";
    input.chart.split_date = "1060101";
    Workplace place;
    place.program_folder = c.program_folder;
    place.now = *EncodeDateTime({2026, 12, 1, 10, 0, 0, 0});
    place.clock = [now = place.now] { return now; };
    RunFlags flags;
    flags.SetStepMessages(true);
    RecordingStepContext context(flags);
    EXPECT_EQ(BuildRealSunClinicAndOrders(input, place, context), StepResult::kDone);
    c.lines = context.lines();
    c.message_boxes = context.MessageTexts();
    return c;
  }();
  return conversion;
}

}  // namespace zuvo::testing
