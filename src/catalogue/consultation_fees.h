#pragma once

// The NHI consultation and pharmacy fees every new catalogue gets from the reference catalogue.

#include <cstdint>
#include <string>
#include <vector>

namespace zuvo {

class ClinicSettings;
class Database;
class RecordSet;

struct ConsultationFee {
  std::string code;                  // trimmed INSUcode
  std::string name;                  // trimmed CNAME (Big5)
  int64_t price = 0;                 // ten-thousandths, made positive
  std::string start_date, end_date;  // ROC, converted from the reference's Gregorian dates
};

// The rows of the reference table OPD whose code is 0____C or 0____D and below "06000A", in
// stored order.
std::vector<ConsultationFee> ReadConsultationFees(Database& mx_reference);

// Writes `fee` into the MX row being edited or appended and posts it: class "OPD"; Sname, Cname,
// Aname and Tname the name; cost, selfprice and INSUprice the price; common 0, perunit 0, unit 8
// (次(個)), status 0, IsComPlex false, RateIndex 0, the reference dates, every other text column
// empty except INSUmark, which is left alone. A clinic row of the fee's code keeps its own code
// findable through [DUPMX] of `settings` (ReplaceTradeName).
void WriteConsultationFee(RecordSet& mx, const ConsultationFee& fee, ClinicSettings& settings);

}  // namespace zuvo
