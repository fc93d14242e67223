// Speed units: the stores keep km/h, PWX carries m/s. Each direction has one precision, the one
// the stored files and the log's own figures were made with.
#pragma once

namespace tessaly {

// Written in double arithmetic, multiplying first.
constexpr double KmhToMetresPerSecond(double kmh) noexcept { return kmh * 1000.0 / 3600.0; }

// Read in extended precision; the caller rounds to the store's double once, at the end.
constexpr long double MetresPerSecondToKmh(double metresPerSecond) noexcept {
  return static_cast<long double>(metresPerSecond) * 3600.0L / 1000.0L;
}

}  // namespace tessaly
