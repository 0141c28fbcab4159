#include "demo/vision_lab_tables.h"

#include <string>
#include <vector>

#include "core/roc_date.h"
#include "platform/big5.h"
#include "platform/dbf_table.h"
#include "platform/dbf_writer.h"

namespace zuvo::demo {
namespace {

namespace fs = std::filesystem;

struct LabItem {
  const char* code;         // HITEM
  const char* description;  // HDSCP
  const char* value;        // HVAL
};

// Items of laboratory.ini, one of each kind of placement.
constexpr LabItem kHealthCheckDayItems[] = {
    {"Z0U034", "HDL", "45"},      // straight into the health check's HDL field
    {"Z0U011", "GOT", "25"},      // shared with the health check's GOT
    {"Z0U061", "HBSAG", "12"},    // shared and converted: positive
    {"Z0U062", "HCV", "0.9"},     // shared and converted: negative
    {"Z0U051", "UPRO", "trace"},  // shared, no grade: 9999 and a line
    {"Z0U035", "RATIO", "3.8"},   // beside the health check's LDL
    {"Z0U041", "GLU", "101"},     // shared with the health check's fasting glucose
    {"Z0U042", "HBA1C", "6.1"},   // stand-alone, with a warning and an NHI order line
    {"Z0U070", "FAT", "22"},      // stand-alone, a clinic-defined item code
    {"Z0U999", "XYZ", "1"},       // unknown item
    {"Z0U090", "PANEL", "1"},     // a panel row
    {"Z0U091", "AGE", "52"},      // an age row
    {"LAB001", "WBC", "6.0"},     // a row of another source
};

constexpr LabItem kScaleItems[] = {
    {"Z0U001", "WBC", "6.5"}, {"Z0U011", "GOT", "28"}, {"Z0U041", "GLU", "98"},
    {"Z0U061", "HBSAG", "3"}, {"Z0U051", "UPRO", "-"}, {"Z0U035", "RATIO", "4.1"},
    {"Z0U033", "LDL", "120"}, {"Z0U070", "FAT", "24"},
};

const std::vector<DbfFieldSpec> kFields = {
    {"KCSTMR", 'C', 7}, {"HDATE", 'C', 7},  {"HITEM", 'C', 10}, {"HDSCP", 'C', 20},
    {"HVAL", 'C', 12},  {"HSNDDT", 'C', 7}, {"HSNDTM", 'C', 6}};

std::string NextDay(const std::string& roc_date) { return RocDate(RocDateToDate(roc_date) + 1); }

std::vector<std::string> Row(const std::string& patient, const std::string& date,
                             const LabItem& item) {
  return {patient, date, item.code, item.description, item.value, NextDay(date), "093000"};
}

}  // namespace

long WriteVisionLabTable(const fs::path& folder, const LabTableOptions& options) {
  DbfWriter table(folder / "CO18H.DBF", kFields);
  long rows = 0;
  auto append = [&](const std::vector<std::string>& row) {
    table.Append(row);
    ++rows;
  };
  if (options.scale) {
    DbfTable visits = DbfTable::Open(folder, "CO03L.DBF");
    size_t next = 0;
    for (visits.First(); !visits.Eof(); visits.Next()) {
      const std::string patient = big5::Trim(visits.RawField("KCSTMR"));
      const std::string date = big5::Trim(visits.RawField("DATE"));
      for (int i = 0; i < options.rows_per_visit; ++i) {
        append(Row(patient, date, kScaleItems[next++ % std::size(kScaleItems)]));
      }
    }
    table.Close();
    return rows;
  }
  // The latest health check of the demo (the visit whose order line is "21"): the conversion
  // takes only the visits after its split date.
  std::string patient, date;
  DbfTable orders = DbfTable::Open(folder, "CO02P.DBF");
  for (orders.First(); !orders.Eof(); orders.Next()) {
    const std::string order_date = big5::Trim(orders.RawField("PDATE"));
    if (big5::Trim(orders.RawField("KDRUG")) == "21" && order_date > date) {
      patient = big5::Trim(orders.RawField("KCSTMR"));
      date = order_date;
    }
  }
  if (!patient.empty()) {
    for (const LabItem& item : kHealthCheckDayItems) append(Row(patient, date, item));
    // Another patient's result of the same day splits the patient's rows into two groups; the
    // second group rebuilds the visit again, now with the urine form its first group ordered.
    append(Row("0000001", date, {"Z0U001", "WBC", "7.1"}));
    append(Row(patient, date, {"Z0U051", "UPRO", "1+"}));
    // A result long after the visit finds no visit in its window.
    append(Row(patient, RocDate(RocDateToDate(date) + 30), {"Z0U001", "WBC", "5.5"}));
  }
  table.Close();
  return rows;
}

}  // namespace zuvo::demo
