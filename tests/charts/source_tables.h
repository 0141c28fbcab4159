#pragma once

// Vision source tables for the chart tests, written with the dBase writer: rows are maps of
// column name to UTF-8 value, every column a text column.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/big5.h"
#include "platform/dbf_writer.h"

namespace zuvo::testing {

using SourceRow = std::map<std::string, std::string>;

inline void WriteSourceTable(const std::filesystem::path& file,
                             const std::vector<std::string>& columns,
                             const std::vector<SourceRow>& rows, int width = 60) {
  std::vector<DbfFieldSpec> specs;
  for (const std::string& column : columns) specs.push_back({column, 'C', width, 0});
  DbfWriter writer(file, specs);
  for (const SourceRow& row : rows) {
    std::vector<std::string> values;
    for (const std::string& column : columns) {
      auto found = row.find(column);
      values.push_back(found == row.end() ? "" : big5::FromUtf8(found->second));
    }
    writer.Append(values);
  }
  writer.Close();
}

// CO18R.DBF: the adult health-check results.
inline const std::vector<std::string> kHealthCheckColumns = {
    "KCSTMR", "RDATE", "RLNO",  "LCITYNO", "RCBC",  "RHP",   "RDM",  "RHBF", "RHTD",
    "RBSK",   "RHKD",  "RSM",   "RDR",     "RBT",   "RSPT",  "RDC1", "RDC2", "RHT",
    "RWT",    "RBP2",  "RBP1",  "RWTE",    "RBMI",  "RUPRO", "RSU",  "RCH",  "RTR",
    "RLCH",   "RHCH",  "RSGOT", "RSGPT",   "RCR",   "REGFR", "RBHP", "RCHP", "RQSK",
    "RQDK",   "RQBU",  "RLSPT", "RMBDWT",  "RHET",  "RLPN",  "ROHT", "RRBP", "RRSUB",
    "RRTC",   "RRBCU", "RRLF",  "RRBHP",   "RRCHP", "RMTS",  "RULDT"};

// CO03L.DBF: the visits.
inline const std::vector<std::string> kVisitColumns = {
    "KCSTMR", "DATE",  "TIME",  "LCS",   "DAYQTY", "CREAT", "LDTID", "LLDTT",
    "LISRS",  "LHIID", "A0",    "A98",   "A96",    "LITEM", "LLDNO", "LLDDT",
    "LIDS",   "LLDCN", "EDATE", "LABNO", "LABDT",  "LACD",  "LICD"};

}  // namespace zuvo::testing
