#pragma once

// The progress panel both pipelines show (Vision window Panel4, RealSun page Panel6): the chart
// file size limit, the chart number and file code being written, the record count and the
// records done, the gauge, the elapsed time, the stop button and the message list; below the
// gauge, once a run has ended, its summary (<panel>Summary) and a button that opens its report
// (<panel>Report).

#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>

namespace zuvo::gui {

// The object names of the panel's controls in one window. A control without a name is there for
// the step's context but hidden, with its caption, where a page shows less.
struct ProgressPanelNames {
  const char* panel;
  const char* file_size;
  const char* chart_number;
  const char* file_code;
  const char* total;
  const char* done;
  const char* gauge;
  const char* elapsed;
  const char* stop;
  const char* list;
};

inline constexpr ProgressPanelNames kVisionPanelNames = {
    "Panel4",    "CfileSize",  "CVISWchartNo", "CVISWfileCode", "CVISWtotalNO",
    "CVISWgono", "CVISWGauge", "CVISWuseTime", "Cstop",         "CVISWlist"};
inline constexpr ProgressPanelNames kRealSunPanelNames = {
    "Panel6",  "CRSfileSize", "CRSchartNo", "CRSfilecode", "CRStotalNo",
    "CRSgono", "CRSGauge",    "CRSuseTime", "CRSstop",     "CRSList"};
// The merge page TabSheet2: highest patient number, current patient number, gauge and list.
inline constexpr ProgressPanelNames kMergePanelNames = {
    "CcombinePanel", nullptr,         "CCombineChartNo", nullptr, "CcombineTotalNo",
    nullptr,         "CcombineGauge", nullptr,           nullptr, "CcombineList"};
// The anonymiser of the settings page: patient number, chart file code and message list (beside
// the ICD-10 tools' count CinputNo, which the anonymiser leaves to them).
inline constexpr ProgressPanelNames kAnonymiserPanelNames = {
    "CreplacePTpanel", nullptr, "CreplacePTno", "CreplacePTfileCode", nullptr, nullptr,
    nullptr,           nullptr, nullptr,        "CreplacePTlist"};

class ProgressPanel : public QFrame {
  Q_OBJECT

 public:
  ProgressPanel(const ProgressPanelNames& names, QWidget* parent);

  QSpinBox* file_size() const { return file_size_; }
  QLabel* chart_number() const { return chart_number_; }
  QLabel* file_code() const { return file_code_; }
  QLabel* total() const { return total_; }
  QLabel* done() const { return done_; }
  QProgressBar* gauge() const { return gauge_; }
  QLabel* elapsed() const { return elapsed_; }
  QPushButton* stop() const { return stop_; }
  QListWidget* list() const { return list_; }
  QLabel* summary() const { return summary_; }
  QPushButton* report() const { return report_; }
  // The report the report button opens; empty hides the button.
  void SetReport(const QString& file);
  const QString& report_file() const { return report_file_; }

 private:
  QSpinBox* file_size_;
  QLabel* chart_number_;
  QLabel* file_code_;
  QLabel* total_;
  QLabel* done_;
  QProgressBar* gauge_;
  QLabel* elapsed_;
  QPushButton* stop_;
  QListWidget* list_;
  QLabel* summary_;
  QPushButton* report_;
  QString report_file_;
};

}  // namespace zuvo::gui
