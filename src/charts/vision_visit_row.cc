#include "charts/vision_visit_row.h"

#include <array>
#include <string_view>

#include "platform/big5.h"
#include "platform/dbf_table.h"

namespace zuvo {

VisionVisitRowReader::VisionVisitRowReader(const DbfTable& visits) : visits_(visits) {}

const VisionVisitRow& VisionVisitRowReader::Read() {
  if (fields_.empty()) FindFields();
  for (const auto& [index, member] : fields_) row_.*member = visits_.RawField(index);
  return row_;
}

void VisionVisitRowReader::FindFields() {
  using Row = VisionVisitRow;
  const std::array<std::pair<std::string_view, std::string Row::*>, 23> fields = {{
      {"KCSTMR", &Row::kcstmr}, {"DATE", &Row::date},     {"TIME", &Row::time},
      {"LCS", &Row::lcs},       {"DAYQTY", &Row::dayqty}, {"CREAT", &Row::creat},
      {"LDTID", &Row::ldtid},   {"LLDTT", &Row::lldtt},   {"LISRS", &Row::lisrs},
      {"LHIID", &Row::lhiid},   {"A0", &Row::a0},         {"A98", &Row::a98},
      {"A96", &Row::a96},       {"LITEM", &Row::litem},   {"LLDNO", &Row::lldno},
      {"LLDDT", &Row::llddt},   {"LIDS", &Row::lids},     {"LLDCN", &Row::lldcn},
      {"EDATE", &Row::edate},   {"LABNO", &Row::labno},   {"LABDT", &Row::labdt},
      {"LACD", &Row::lacd},     {"LICD", &Row::licd},
  }};
  for (const auto& [name, member] : fields) {
    const int index = visits_.FieldIndex(name);
    // Read by name, a missing field throws the error naming the file and the field.
    if (index < 0) static_cast<void>(visits_.RawField(name));
    fields_.emplace_back(index, member);
  }
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
