#include "charts/vision_visit_row.h"

#include <array>
#include <string_view>

#include "platform/big5.h"
#include "platform/dbf_table.h"

namespace zuvo {

VisionVisitRow ReadVisionVisitRow(const DbfTable& visits) {
  VisionVisitRow row;
  const std::array<std::pair<std::string_view, std::string*>, 23> fields = {{
      {"KCSTMR", &row.kcstmr}, {"DATE", &row.date},   {"TIME", &row.time},   {"LCS", &row.lcs},
      {"DAYQTY", &row.dayqty}, {"CREAT", &row.creat}, {"LDTID", &row.ldtid}, {"LLDTT", &row.lldtt},
      {"LISRS", &row.lisrs},   {"LHIID", &row.lhiid}, {"A0", &row.a0},       {"A98", &row.a98},
      {"A96", &row.a96},       {"LITEM", &row.litem}, {"LLDNO", &row.lldno}, {"LLDDT", &row.llddt},
      {"LIDS", &row.lids},     {"LLDCN", &row.lldcn}, {"EDATE", &row.edate}, {"LABNO", &row.labno},
      {"LABDT", &row.labdt},   {"LACD", &row.lacd},   {"LICD", &row.licd},
  }};
  for (const auto& [name, value] : fields) *value = std::string(visits.RawField(name));
  return row;
}

std::vector<std::string> CommaItems(const std::string& list) {
  std::vector<std::string> items;
  size_t start = 0;
  while (start <= list.size()) {
    size_t comma = list.find(',', start);
    if (comma == std::string::npos) comma = list.size();
    std::string item = big5::Trim(std::string_view(list).substr(start, comma - start));
    if (!item.empty()) items.push_back(std::move(item));
    start = comma + 1;
  }
  return items;
}

}  // namespace zuvo
