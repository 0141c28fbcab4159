#include "catalogue/realsun_reference_tables.h"

#include "platform/table_store.h"

namespace zuvo {

RecordSet* ReferenceTables::Find(std::string_view table, std::string_view code) {
  if (code.empty()) return nullptr;
  auto found = tables_.find(table);
  if (found == tables_.end()) {
    found =
        tables_
            .emplace(std::string(table), mx_reference_.Query("select * from " + std::string(table)))
            .first;
  }
  RecordSet& rows = found->second;
  return rows.Locate({"INSUcode"}, {Param(code)}) ? &rows : nullptr;
}

}  // namespace zuvo
