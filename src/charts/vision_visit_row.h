#pragma once

// One visit row of Vision's CO03L.DBF, as the chart conversion reads it: the raw Big5 bytes of
// each field used, untrimmed.

#include <string>
#include <utility>
#include <vector>

namespace zuvo {

class DbfTable;

struct VisionVisitRow {
  std::string kcstmr;  // patient number
  std::string date;    // ROC yyymmdd
  std::string time;    // hhnnss
  std::string lcs;     // case type
  std::string dayqty;  // drug days
  std::string creat;   // department code
  std::string ldtid;   // doctor's national ID
  std::string lldtt;   // refill number
  std::string lisrs;   // card sequence
  std::string lhiid;   // co-payment code
  std::string a0, a98, a96;
  std::string litem;  // special treatment codes, comma-separated
  std::string lldno;  // course name
  std::string llddt;  // first date of a refill or course
  std::string lids;   // visit category
  std::string lldcn;  // refill dispensing count
  std::string edate;  // end date
  std::string labno;  // main diagnosis code
  std::string labdt;  // diagnosis text
  std::string lacd;   // secondary diagnosis codes, comma-separated
  std::string licd;   // procedure codes, comma-separated
};

// Reads the rows of one visit table: the fields are looked up once, and each row's texts go into
// the same VisionVisitRow, whose strings keep their room from row to row.
class VisionVisitRowReader {
 public:
  explicit VisionVisitRowReader(const DbfTable& visits);
  // The fields of the table's current record; valid until the next call. Throws Error naming
  // the file and field when the table lacks one.
  const VisionVisitRow& Read();

 private:
  void FindFields();

  const DbfTable& visits_;
  std::vector<std::pair<int, std::string VisionVisitRow::*>> fields_;
  VisionVisitRow row_;
};

// The trimmed items of a comma-separated list, blank items dropped.
std::vector<std::string> CommaItems(const std::string& list);

}  // namespace zuvo
