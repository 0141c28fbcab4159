#pragma once

// The boxes of a conversion page that hold the clinic fields and the split date: the Vision
// window's CVISW… boxes and the RealSun page's CRS… boxes read and show them the same way.

#include <QLineEdit>

#include "app/run_fields.h"

namespace zuvo::gui {

struct ClinicFieldBoxes {
  QLineEdit* source_folder = nullptr;
  QLineEdit* clinic_name = nullptr;
  QLineEdit* clinic_id = nullptr;
  QLineEdit* his = nullptr;
  QLineEdit* work_tree = nullptr;
  QLineEdit* start_date = nullptr;
  QLineEdit* pharmacist_name = nullptr;
  QLineEdit* pharmacist_id = nullptr;
  QLineEdit* split_date = nullptr;

  // The boxes' texts into the clinic fields and the split date (Big5).
  void Read(RunFields& fields) const;
  void Show(const RunFields& fields) const;
};

}  // namespace zuvo::gui
