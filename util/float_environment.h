// The floating-point environment the plug-in computes in, whatever its host runs with.
#pragma once

#include <cstdint>

namespace tessaly {

// x87: 64-bit mantissa, rounding to nearest, every exception masked. Extended-precision steps
// (long double, also on x86-64) round the same way in every host.
inline constexpr std::uint16_t kPluginX87Control = 0x037F;
// SSE: every exception masked, rounding to nearest, subnormals kept (no flush-to-zero, no
// denormals-are-zero), no flags raised.
inline constexpr std::uint32_t kPluginMxcsr = 0x1F80;

// Puts the plug-in's environment in place for its lifetime and then gives the caller's back:
// its control word and MXCSR unchanged, and its exception flags as they were, so that flags our
// own work raised never reach it. Per thread, as the hardware state is.
class FloatEnvironmentScope {
 public:
  FloatEnvironmentScope() noexcept;
  ~FloatEnvironmentScope();
  FloatEnvironmentScope(const FloatEnvironmentScope&) = delete;
  FloatEnvironmentScope& operator=(const FloatEnvironmentScope&) = delete;

 private:
  std::uint16_t x87Control_ = 0;
  std::uint16_t x87Status_ = 0;
  std::uint32_t mxcsr_ = 0;
  bool whole_ = false;  // the caller's whole environment is kept in saved_ and loaded back
  alignas(8) unsigned char saved_[32] = {};
};

}  // namespace tessaly
