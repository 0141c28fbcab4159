#pragma once

// The kind of an order line (OrderRecord flags 1, low byte): one bit per catalogue class. The
// four drug kinds share the low four bits.

#include <cstdint>
#include <string_view>

namespace zuvo::order_kind {

inline constexpr int16_t kDrop = 1;
inline constexpr int16_t kOral = 2;
inline constexpr int16_t kInjection = 4;
inline constexpr int16_t kTopical = 8;
inline constexpr int16_t kDrugMask = kDrop | kOral | kInjection | kTopical;
inline constexpr int16_t kOpd = 16;
inline constexpr int16_t kSpecial = 32;
inline constexpr int16_t kOperation = 64;
inline constexpr int16_t kMaterial = 128;

// The kind of a catalogue class ("oral", "inj", ...); an unknown class counts as "OPD".
int16_t OfClass(std::string_view order_class);

}  // namespace zuvo::order_kind
