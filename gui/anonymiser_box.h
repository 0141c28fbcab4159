#pragma once

// The anonymiser's controls on the settings page Cset: the clinic code CreplacePTclinic
// ("要霧化的診所代號"), the button CreplacePTdata ("霧化病人個資"), its progress (the patient
// number, the chart file code) and its message list.

#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <cstdint>
#include <functional>

#include "progress_panel.h"
#include "qt_step_context.h"
#include "workbench_environment.h"

namespace zuvo::gui {

class AnonymiserBox : public QWidget {
  Q_OBJECT

 public:
  explicit AnonymiserBox(WorkbenchEnvironment& environment, QWidget* parent = nullptr);

  // The seed of the next run; the clock's when not set (tests set it to repeat a run).
  void SetSeed(std::function<uint32_t()> seed) { seed_ = std::move(seed); }

  // Handler: anonymises live root / Tolsern / code of DataEdit.ini's live root, after the
  // operator's OK.
  void CreplacePTdataClick();

 private:
  WorkbenchEnvironment& environment_;
  ProgressPanel* CreplacePTpanel;
  QtStepContext context_;
  std::function<uint32_t()> seed_;
  bool busy_ = false;
  QLineEdit* CreplacePTclinic;
  QPushButton* CreplacePTdata;
};

}  // namespace zuvo::gui
