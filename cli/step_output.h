#pragma once

// How the selection commands show a finished step: the fields it filled, one "name: value" line
// each, and on success a last line "work tree: PATH".

#include <filesystem>
#include <iosfwd>
#include <string_view>

#include "core/step_result.h"

namespace zuvo::cli {

// A Big5 field value as a line "name: value" (bytes that do not decode shown as \xNN).
void PrintBig5Field(std::ostream& out, std::string_view name, std::string_view big5_value);
void PrintWorkTree(std::ostream& out, const std::filesystem::path& work_tree);
// The exit status of a step's result.
int ExitStatusOf(StepResult result);

// The fields a clinic folder choice filled (Vision window or RealSun page); returns the exit
// status.
template <typename Fields>
int PrintClinicResult(std::ostream& out, const Fields& fields, StepResult result) {
  PrintBig5Field(out, "system", fields.his);
  PrintBig5Field(out, "clinic name", fields.clinic_name);
  PrintBig5Field(out, "clinic code", fields.clinic_id);
  PrintBig5Field(out, "opening date", fields.start_date);
  PrintBig5Field(out, "pharmacist name", fields.pharmacist_name);
  PrintBig5Field(out, "pharmacist id", fields.pharmacist_id);
  if (result == StepResult::kDone) PrintWorkTree(out, fields.work_tree);
  return ExitStatusOf(result);
}

}  // namespace zuvo::cli
