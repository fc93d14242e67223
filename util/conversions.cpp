#include "util/conversions.h"

#include <cmath>
#include <limits>

namespace tessaly {

std::int64_t TruncateWideToInt64(double v) noexcept {
  // 2^63 is exact as a double; anything at or beyond it (or below -2^63) cannot be cast safely.
  constexpr double kLimit = 9223372036854775808.0;
  if (std::isnan(v)) return 0;
  if (v >= kLimit) return std::numeric_limits<std::int64_t>::max();
  if (v < -kLimit) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(v);
}

std::int32_t RoundHalfAway(double x) noexcept {
  // std::round is exact for every double; adding 0.5 first would turn 0.49999999999999994 into 1.
  if (!(x > 0.0) && !(x < 0.0)) return 0;  // zero and NaN
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(TruncateToInt64(std::round(x))));
}

std::int32_t PedalBalanceToRightShare(double v) noexcept {
  if (!(v > 0.0)) return 0;
  const auto b = static_cast<std::int32_t>(static_cast<std::uint64_t>(TruncateToInt64(v)) & 0xFFu);
  // Bit 7 says the low bits already are the right pedal's share; otherwise they are the left one's.
  if ((b & 0x80) != 0) return b & 0x7F;
  return 100 - b;
}

}  // namespace tessaly
