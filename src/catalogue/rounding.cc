#include "catalogue/rounding.h"

#include <cmath>

namespace zuvo {

double RoundHalfAway(int digits, double value) {
  const double factor = std::pow(10.0, digits);
  const double shifted = value > 0 ? value * factor + 0.5 : value * factor - 0.5;
  // Adding 0.0 turns the -0.0 of a small negative value (or of 0 itself) into 0.
  return std::trunc(shifted) / factor + 0.0;
}

}  // namespace zuvo
