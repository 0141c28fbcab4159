#pragma once

// The bits of the catalogue column MX.status.

namespace zuvo::mx_status {

inline constexpr int kChargedSelfPay = 0x0002;  // charged at the self-pay price
inline constexpr int kNoCharge = 0x0008;
inline constexpr int kOralLiquidByBottle = 0x0020;  // an oral liquid sold by the bottle
inline constexpr int kReplaced = 0x0100;            // replaced by another order
inline constexpr int kNicotineProduct = 0x2000;

}  // namespace zuvo::mx_status
