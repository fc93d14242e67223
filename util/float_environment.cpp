#include "util/float_environment.h"

#include <cstring>

#if defined(__i386__) || defined(__x86_64__)

namespace tessaly {
namespace {

// The x87 environment as fnstenv stores it and fldenv loads it: 28 bytes on i386 and x86-64.
struct X87Environment {
  std::uint16_t Control, Reserved0, Status, Reserved1;
  std::uint32_t Rest[5];
};
static_assert(sizeof(X87Environment) == 28);

constexpr std::uint16_t kX87Flags = 0x007F;    // invalid ... precision, and the stack fault
constexpr std::uint16_t kX87Pending = 0x0080;  // an unmasked exception waits for the next instruction
constexpr std::uint32_t kMxcsrFlags = 0x003F;

// The "memory" clobbers keep the compiler from moving our arithmetic across a switch.
std::uint16_t X87Control() {
  std::uint16_t cw;
  asm volatile("fnstcw %0" : "=m"(cw));
  return cw;
}
void SetX87Control(std::uint16_t cw) { asm volatile("fldcw %0" : : "m"(cw) : "memory"); }
std::uint16_t X87Status() {
  std::uint16_t sw;
  asm volatile("fnstsw %0" : "=am"(sw) : : "memory");
  return sw;
}
void ClearX87Flags() { asm volatile("fnclex" : : : "memory"); }
void StoreX87Environment(X87Environment& env) { asm volatile("fnstenv %0" : "=m"(env) : : "memory"); }
void LoadX87Environment(const X87Environment& env) { asm volatile("fldenv %0" : : "m"(env) : "memory"); }
std::uint32_t Mxcsr() {
  std::uint32_t m;
  asm volatile("stmxcsr %0" : "=m"(m) : : "memory");
  return m;
}
void SetMxcsr(std::uint32_t m) { asm volatile("ldmxcsr %0" : : "m"(m) : "memory"); }

}  // namespace

// Only what differs is switched: most calls find and leave most of the state as it is, and each
// fldcw and ldmxcsr costs a pipeline stall.
FloatEnvironmentScope::FloatEnvironmentScope() noexcept {
  x87Control_ = X87Control();
  x87Status_ = X87Status();
  if ((x87Status_ & kX87Pending) != 0) {
    // An exception the caller left pending must neither go off inside our work nor be lost.
    X87Environment env;
    StoreX87Environment(env);
    std::memcpy(saved_, &env, sizeof env);
    ClearX87Flags();
    whole_ = true;
  }
  if (x87Control_ != kPluginX87Control) SetX87Control(kPluginX87Control);
  mxcsr_ = Mxcsr();
  // Flags raised before the call do nothing while every exception is masked.
  if ((mxcsr_ & ~kMxcsrFlags) != kPluginMxcsr) SetMxcsr(kPluginMxcsr);
}

FloatEnvironmentScope::~FloatEnvironmentScope() {
  if (whole_) {
    X87Environment env;
    std::memcpy(&env, saved_, sizeof env);
    LoadX87Environment(env);
  } else {
    const std::uint16_t callerFlags = x87Status_ & kX87Flags;
    if ((X87Status() & kX87Flags) != callerFlags) {
      if (callerFlags == 0) {
        ClearX87Flags();
      } else {
        // Only fldenv sets flags: the caller's go back in, ours are dropped.
        X87Environment env;
        StoreX87Environment(env);
        env.Status = static_cast<std::uint16_t>((env.Status & ~kX87Flags) | callerFlags);
        env.Control = kPluginX87Control;
        LoadX87Environment(env);
      }
    }
    if (x87Control_ != kPluginX87Control) SetX87Control(x87Control_);
  }
  if (Mxcsr() != mxcsr_) SetMxcsr(mxcsr_);
}

}  // namespace tessaly

#else  // no x87 or SSE: the standard environment calls do the same job

#include <cfenv>

namespace tessaly {

FloatEnvironmentScope::FloatEnvironmentScope() noexcept {
  static_assert(sizeof(std::fenv_t) <= sizeof saved_);
  std::fenv_t env;
  std::fegetenv(&env);
  std::memcpy(saved_, &env, sizeof env);
  whole_ = true;
  std::fesetenv(FE_DFL_ENV);
}

FloatEnvironmentScope::~FloatEnvironmentScope() {
  std::fenv_t env;
  std::memcpy(&env, saved_, sizeof env);
  std::fesetenv(&env);
}

}  // namespace tessaly

#endif
