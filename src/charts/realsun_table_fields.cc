#include "charts/realsun_table_fields.h"

#include <string>

#include "platform/dbf_table.h"
#include "platform/error.h"
#include "platform/file_ops.h"

namespace zuvo {

int RequiredFieldIndex(const DbfTable& table, std::string_view name) {
  int index = table.FieldIndex(name);
  if (index < 0) throw Error(PathToUtf8(table.path()) + ": 缺少欄位 " + std::string(name));
  return index;
}

}  // namespace zuvo
