#pragma once

// The RealSun catalogue step run once on the demo clinic, shared by the tests that read what it
// wrote. The program folder gets the delivered files; the diagnosis database is given a keyword
// text with commas, and the clinic's data.ini a frequency fix and a diagnosis code fix, before
// the step runs.

#include <filesystem>
#include <string>
#include <vector>

#include "demo/demo_clinic.h"
#include "support/recording_step_context.h"

namespace zuvo::testing {

struct RealSunConversion {
  std::filesystem::path program_folder;
  std::filesystem::path source_folder;
  std::filesystem::path clinic_folder;
  std::filesystem::path work_tree;
  demo::DemoClinic clinic;
  std::vector<std::string> lines;          // the message list
  std::vector<std::string> message_boxes;  // their texts

  std::filesystem::path Corvix() const { return work_tree / "Corvix"; }
  std::filesystem::path DataIni() const { return clinic_folder / "data.ini"; }
  bool HasLine(const std::string& line) const;
};

// The conversion of the demo clinic (seed 7), made on first use.
const RealSunConversion& DemoConversion();

// The program folder with the delivered files, installed once for all tests.
const std::filesystem::path& DeliveredProgramFolder();

}  // namespace zuvo::testing
