#pragma once

// The demo clinic's Vision patient table CO01M.DBF: a few hand-made rows that show every rule
// of the patient conversion (chart number 0 or not a number, repeated chart numbers and IDs,
// short and empty IDs, missing names, impossible birthdays, mobile and other second telephones,
// identity remarks, allergies and histories in English, Chinese and with typing errors,
// multi-line remarks, weights), followed by generated patients in the same styles. Deterministic
// from the seed; texts are Big5.

#include <cstdint>
#include <filesystem>
#include <string>

#include "demo/demo_people.h"

namespace zuvo::demo {

// Hand-made rows written before the generated ones.
inline constexpr int kShowcasePatientRows = 24;

// Generated patients of the demo clinic.
inline constexpr int kDemoGeneratedPatients = 200;
// Chart number of the first generated patient; the rest count on from it.
inline constexpr int kFirstGeneratedChartNumber = 100;

// Writes `folder`/CO01M.DBF (and its memo file CO01M.DBT) with the showcase rows and then
// `generated_patients` generated ones, chart numbers counting on from the showcase rows.
void WriteVisionPatientTable(const std::filesystem::path& folder, uint32_t seed,
                             int generated_patients);

}  // namespace zuvo::demo
