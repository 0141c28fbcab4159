#pragma once

namespace zuvo {

// `value` rounded to `digits` decimals, halves away from zero: 2.5 → 3, -2.5 → -3, and with one
// decimal 0.25 → 0.3. Computed in double precision as value × 10^digits ± 0.5, truncated.
double RoundHalfAway(int digits, double value);

}  // namespace zuvo
