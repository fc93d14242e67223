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

void Arm(Mode mode, std::int64_t n) noexcept;

// With malloc refused, the runtime hands out exceptions from its emergency pool, whose lock the
// threads library makes with malloc on first use; refused there too, taking the lock throws, and
// that exception goes to the pool again, without end. So the pool is used once, with only the
// exception's own malloc refused, before anything else is.
void UsePoolOnce() noexcept {
  static bool used = false;
  if (used) return;
  used = true;
  Arm(Mode::Only, 0);
  try {
    throw 0;
  } catch (int) {
  }
  g_mode = Mode::Off;
}

void Arm(Mode mode, std::int64_t n) noexcept {
  g_counted = g_refused = 0;
  g_target = n;
  g_mode = mode;
}

}  // namespace

void FailFrom(std::int64_t n) noexcept {
  UsePoolOnce();
  Arm(Mode::From, n);
}

void FailOnly(std::int64_t n) noexcept {
  UsePoolOnce();
  Arm(Mode::Only, n);
}

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

#if defined(TESSALY_WRAPPED_MALLOC)
// The linker sends every malloc and realloc of the statically linked code here (--wrap).
extern "C" {
void* __real_malloc(std::size_t size);
void* __real_realloc(void* p, std::size_t size);
void* __wrap_malloc(std::size_t size) { return tessaly::test::Granted() ? __real_malloc(size) : nullptr; }
void* __wrap_realloc(void* p, std::size_t size) {
  return tessaly::test::Granted() ? __real_realloc(p, size) : nullptr;
}
}
namespace {
void* Raw(std::size_t size) noexcept { return __real_malloc(size == 0 ? 1 : size); }
}  // namespace
#else
namespace {
void* Raw(std::size_t size) noexcept { return std::malloc(size == 0 ? 1 : size); }
}  // namespace
#endif

namespace {
void* Counted(std::size_t size) noexcept { return tessaly::test::Granted() ? Raw(size) : nullptr; }
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
