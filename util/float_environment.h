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
// own work raised never reach it. Per thread, as the hardware state is. Every export call pays
// for it, so the common path is inline and switches only what differs.
class FloatEnvironmentScope {
 public:
  FloatEnvironmentScope() noexcept { Enter(); }
  ~FloatEnvironmentScope() { Leave(); }
  FloatEnvironmentScope(const FloatEnvironmentScope&) = delete;
  FloatEnvironmentScope& operator=(const FloatEnvironmentScope&) = delete;

 private:
  void Enter() noexcept;
  void Leave() noexcept;
  void KeepWholeX87() noexcept;     // the caller has an x87 exception pending
  void RestoreX87Flags() noexcept;  // flags differ from the caller's, or its whole state was kept

  std::uint16_t x87Control_ = 0;
  std::uint16_t x87Status_ = 0;
  std::uint32_t mxcsr_ = 0;
  bool whole_ = false;  // the caller's whole environment is kept in saved_ and loaded back
  alignas(8) unsigned char saved_[32] = {};
};

#if defined(__i386__) || defined(__x86_64__)

namespace float_detail {

inline constexpr std::uint16_t kX87Flags = 0x007F;    // invalid ... precision, and the stack fault
inline constexpr std::uint16_t kX87Pending = 0x0080;  // an unmasked exception waits for the next instruction
inline constexpr std::uint32_t kMxcsrFlags = 0x003F;

// The "memory" clobbers keep the compiler from moving our arithmetic across a switch.
inline std::uint16_t X87Control() {
  std::uint16_t cw;
  asm volatile("fnstcw %0" : "=m"(cw) : : "memory");
  return cw;
}
inline void SetX87Control(std::uint16_t cw) { asm volatile("fldcw %0" : : "m"(cw) : "memory"); }
inline std::uint16_t X87Status() {
  std::uint16_t sw;
  asm volatile("fnstsw %0" : "=am"(sw) : : "memory");
  return sw;
}
inline std::uint32_t Mxcsr() {
  std::uint32_t m;
  asm volatile("stmxcsr %0" : "=m"(m) : : "memory");
  return m;
}
inline void SetMxcsr(std::uint32_t m) { asm volatile("ldmxcsr %0" : : "m"(m) : "memory"); }

}  // namespace float_detail

// fldcw and ldmxcsr stall the pipeline: each is skipped when the state already is what we need.
inline void FloatEnvironmentScope::Enter() noexcept {
  using namespace float_detail;
  x87Control_ = X87Control();
  x87Status_ = X87Status();
  if ((x87Status_ & kX87Pending) != 0) KeepWholeX87();
  if (x87Control_ != kPluginX87Control) SetX87Control(kPluginX87Control);
  mxcsr_ = Mxcsr();
  // Flags raised before the call do nothing while every exception is masked.
  if ((mxcsr_ & ~kMxcsrFlags) != kPluginMxcsr) SetMxcsr(kPluginMxcsr);
}

inline void FloatEnvironmentScope::Leave() noexcept {
  using namespace float_detail;
  if (whole_ || (X87Status() & kX87Flags) != (x87Status_ & kX87Flags)) {
    RestoreX87Flags();
  } else if (x87Control_ != kPluginX87Control) {
    SetX87Control(x87Control_);
  }
  if (Mxcsr() != mxcsr_) SetMxcsr(mxcsr_);
}

#endif

}  // namespace tessaly
