#include "charts/realsun_newborn.h"

#include "charts/realsun_uploads.h"
#include "core/number_text.h"
#include "core/roc_date.h"
#include "platform/big5.h"

namespace zuvo {

char BirthOrderLetter(int order, bool upper) {
  if (order < 1 || order > 26) order = 1;
  return static_cast<char>((upper ? 'A' : 'a') + order - 1);
}

std::optional<std::string> ApplyNewborn(VisitRecord& visit, const NewbornVisit& newborn,
                                        const NewbornUpload* upload, bool month_has_uploads,
                                        const MessageSink& sink) {
  namespace f = visit_field;
  const std::string patient = std::to_string(newborn.patient);
  if (!month_has_uploads) {
    Show(sink, "新生兒無IC檔,病歷號:" + patient);
    return std::nullopt;
  }
  if (upload == nullptr) {
    Show(sink, "新生兒IC檔內無資料,病歷號:" + patient);
    return std::nullopt;
  }
  if (newborn.replaced) {
    visit.Set(f::kNewbornBirthDate, RocDateToDate(upload->birth_date));
  } else {
    visit.Set(f::kParentName, upload->parent_name);
    visit.Set(f::kParentId, upload->parent_id);
    visit.Set(f::kNewbornBirthDate, RocDateToDate(upload->parent_birth_date));
  }
  const int order = static_cast<int>(IntegerOr(upload->birth_order, 1));
  if (upload->birth_date != newborn.birth_text) {
    Show(sink, "新生兒IC檔內生日" + big5::ToUtf8Escaped(upload->birth_date) + "與原始病歷檔內" +
                   big5::ToUtf8Escaped(newborn.birth_text) + "不符,病歷號:" + patient);
  } else {
    Show(sink, "新生兒生日check OK,病歷號:" + patient);
  }
  visit.Set(f::kNewbornOrder, BirthOrderLetter(order, newborn.male));
  if (!newborn.replaced) return std::nullopt;
  std::string id = newborn.kept_national_id;
  if (id.size() >= 2) id[1] = BirthOrderLetter(order, false);
  return id;
}

}  // namespace zuvo
