#include "charts/order_kind.h"

namespace zuvo::order_kind {

int16_t OfClass(std::string_view order_class) {
  if (order_class == "drop") return kDrop;
  if (order_class == "oral") return kOral;
  if (order_class == "inj") return kInjection;
  if (order_class == "topical") return kTopical;
  if (order_class == "OPD") return kOpd;
  if (order_class == "special") return kSpecial;
  if (order_class == "operate") return kOperation;
  if (order_class == "material") return kMaterial;
  return kOpd;
}

}  // namespace zuvo::order_kind
