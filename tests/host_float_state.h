// The floating-point state of a host, set and read the way a host's own code does: the x87 control
// and status words and the SSE MXCSR, by inline assembly. Independent of the plug-in's helper, so
// the tests do not take its word for what it did.
#pragma once

#include <cstdint>

namespace tessaly::test {

struct HostFloatState {
  const char* Name;
  std::uint16_t X87Control;
  std::uint32_t Mxcsr;
};

// What the plug-in computes in; also a plain host's state.
inline constexpr HostFloatState kDefaultFloatState{"default", 0x037F, 0x1F80};
// Hosts met in the field: x87 precision cut to 53 bits (MSVC programs, Direct3D); invalid
// operation, division by zero and overflow unmasked (Delphi programs).
inline constexpr HostFloatState kForeignFloatStates[] = {
    {"x87 53-bit precision", 0x027F, 0x1F80},
    {"exceptions unmasked", 0x1332, 0x1900},
};

#if defined(__i386__) || defined(__x86_64__)
inline constexpr bool kHasX87 = true;
inline std::uint16_t X87Control() {
  std::uint16_t cw;
  asm volatile("fnstcw %0" : "=m"(cw) : : "memory");
  return cw;
}
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
// Flags cleared first, so a new mask cannot make an old flag go off.
inline void SetFloatState(std::uint16_t x87Control, std::uint32_t mxcsr) {
  asm volatile("fnclex" : : : "memory");
  asm volatile("fldcw %0" : : "m"(x87Control) : "memory");
  asm volatile("ldmxcsr %0" : : "m"(mxcsr) : "memory");
}
#else
inline constexpr bool kHasX87 = false;
inline std::uint16_t X87Control() { return 0; }
inline std::uint16_t X87Status() { return 0; }
inline std::uint32_t Mxcsr() { return 0; }
inline void SetFloatState(std::uint16_t, std::uint32_t) {}
#endif

inline void SetFloatState(const HostFloatState& s) { SetFloatState(s.X87Control, s.Mxcsr); }

// The x87 exception flags (and stack fault) and the MXCSR flags.
inline constexpr std::uint16_t kX87Flags = 0x007F;
inline constexpr std::uint32_t kMxcsrFlags = 0x003F;

// Everything a host can see of the state: control word, status flags, MXCSR with its flags.
struct FloatSnapshot {
  std::uint16_t Control;
  std::uint16_t Flags;
  std::uint32_t Mxcsr;
  bool operator==(const FloatSnapshot&) const = default;
};
inline FloatSnapshot TakeFloatSnapshot() {
  return {X87Control(), static_cast<std::uint16_t>(X87Status() & kX87Flags), Mxcsr()};
}

}  // namespace tessaly::test
