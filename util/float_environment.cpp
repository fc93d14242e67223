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

void StoreX87Environment(X87Environment& env) { asm volatile("fnstenv %0" : "=m"(env) : : "memory"); }
void LoadX87Environment(const X87Environment& env) { asm volatile("fldenv %0" : : "m"(env) : "memory"); }

}  // namespace

void FloatEnvironmentScope::KeepWholeX87() noexcept {
  // An exception the caller left pending must neither go off inside our work nor be lost.
  X87Environment env;
  StoreX87Environment(env);
  std::memcpy(saved_, &env, sizeof env);
  asm volatile("fnclex" : : : "memory");
  whole_ = true;
}

void FloatEnvironmentScope::RestoreX87Flags() noexcept {
  X87Environment env;
  if (whole_) {
    std::memcpy(&env, saved_, sizeof env);
  } else {
    // Only fldenv sets flags: the caller's go back in, ours are dropped.
    StoreX87Environment(env);
    env.Status = static_cast<std::uint16_t>((env.Status & ~float_detail::kX87Flags) |
                                            (x87Status_ & float_detail::kX87Flags));
    env.Control = x87Control_;
  }
  LoadX87Environment(env);
}

}  // namespace tessaly

#else  // no x87 or SSE: the standard environment calls do the same job

#include <cfenv>

namespace tessaly {

void FloatEnvironmentScope::Enter() noexcept {
  static_assert(sizeof(std::fenv_t) <= sizeof saved_);
  std::fenv_t env;
  std::fegetenv(&env);
  std::memcpy(saved_, &env, sizeof env);
  whole_ = true;
  std::fesetenv(FE_DFL_ENV);
}

void FloatEnvironmentScope::Leave() noexcept {
  std::fenv_t env;
  std::memcpy(&env, saved_, sizeof env);
  std::fesetenv(&env);
}

void FloatEnvironmentScope::KeepWholeX87() noexcept {}
void FloatEnvironmentScope::RestoreX87Flags() noexcept {}

}  // namespace tessaly

#endif
