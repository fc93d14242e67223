#include "failing_allocator.h"

#include <cstdlib>
#include <new>

namespace tessaly::test {
namespace {

enum class Mode { Off, From, Only };

// Constant-initialised: operator new runs before any dynamic initialisation.
constinit Mode g_mode = Mode::Off;
constinit std::int64_t g_target = 0;
constinit std::int64_t g_counted = 0;
constinit std::int64_t g_refused = 0;

void Arm(Mode mode, std::int64_t n) noexcept {
  g_counted = g_refused = 0;
  g_target = n;
  g_mode = mode;
}

}  // namespace

void FailFrom(std::int64_t n) noexcept { Arm(Mode::From, n); }
void FailOnly(std::int64_t n) noexcept { Arm(Mode::Only, n); }

std::int64_t StopFailing() noexcept {
  g_mode = Mode::Off;
  return g_counted;
}

std::int64_t Refused() noexcept { return g_refused; }

// False when this allocation is to fail.
bool Granted() noexcept {
  if (g_mode == Mode::Off) return true;
  const std::int64_t n = g_counted++;
  const bool refuse = g_mode == Mode::From ? n >= g_target : n == g_target;
  if (refuse) ++g_refused;
  return !refuse;
}

}  // namespace tessaly::test

namespace {
void* Counted(std::size_t size) noexcept {
  return tessaly::test::Granted() ? std::malloc(size == 0 ? 1 : size) : nullptr;
}
}  // namespace

void* operator new(std::size_t size) {
  if (void* p = Counted(size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Counted(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Counted(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
