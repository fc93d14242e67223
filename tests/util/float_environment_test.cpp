// The plug-in's floating-point environment inside, the host's exactly as it was outside.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "host_float_state.h"
#include "util/float_environment.h"

namespace tessaly {
namespace {

using test::FloatSnapshot;

struct Observed {
  FloatSnapshot Inside{};
  long double Third = 0;  // 1/3 on the x87
  double Sum = 0;         // 0.1 + 0.2 by SSE
  double HalfTiny = 0;    // the smallest subnormal but one, halved
  FloatSnapshot After{};
};

// Work in the scope that raises every masked exception on both units.
Observed WorkInScope() {
  Observed o;
  FloatEnvironmentScope scope;
  o.Inside = test::TakeFloatSnapshot();
  volatile long double three = 3.0L, zeroL = 0.0L;
  volatile double zero = 0.0, big = 1e308, tenth = 0.1, fifth = 0.2, tiny = 0x1p-1073;
  o.Third = 1.0L / three;
  volatile long double invalidL = zeroL / zeroL;
  volatile double invalid = zero / zero, infinite = 1.0 / zero, overflow = big * 10.0;
  (void)invalidL, (void)invalid, (void)infinite, (void)overflow;
  o.Sum = tenth + fifth;
  o.HalfTiny = tiny * 0.5;
  return o;
}

TEST(FloatEnvironmentScope, WorksInOneEnvironmentAndGivesTheHostsBackExactly) {
  if (!test::kHasX87) GTEST_SKIP() << "x87 and SSE only";
  const test::HostFloatState states[] = {
      test::kDefaultFloatState,
      test::kForeignFloatStates[0],
      test::kForeignFloatStates[1],
      {"round toward zero on both units", 0x0F7F, 0x7F80},
      {"24-bit x87 precision, flush-to-zero and denormals-are-zero", 0x007F, 0x9FC0},
  };
  for (const test::HostFloatState& host : states) {
    for (const bool hostFlags : {false, true}) {
      SCOPED_TRACE(testing::Message() << host.Name << (hostFlags ? ", precision flags already raised" : ""));
      test::SetFloatState(host.X87Control, host.Mxcsr | (hostFlags ? 0x20u : 0u));
      if (hostFlags) {
        volatile long double three = 3.0L;
        volatile long double third = 1.0L / three;  // raises the x87 precision flag, masked everywhere
        (void)third;
      }
      const FloatSnapshot before = test::TakeFloatSnapshot();
      Observed o = WorkInScope();
      o.After = test::TakeFloatSnapshot();
      test::SetFloatState(test::kDefaultFloatState);

      EXPECT_EQ(o.Inside.Control, 0x037F);
      EXPECT_EQ(o.Inside.Mxcsr & ~test::kMxcsrFlags, 0x1F80u);
      EXPECT_EQ(o.Third, 1.0L / 3.0L) << "64-bit mantissa, rounded to nearest";
      EXPECT_EQ(o.Sum, 0.30000000000000004) << "rounded to nearest";
      EXPECT_EQ(o.HalfTiny, 0x1p-1074) << "subnormals are kept";
      EXPECT_EQ(before.Flags, hostFlags ? 0x20 : 0);
      EXPECT_EQ(o.After, before) << std::hex << "control " << o.After.Control << " flags " << o.After.Flags
                                 << " mxcsr " << o.After.Mxcsr;
    }
  }
}

#if defined(__i386__) || defined(__x86_64__)
struct X87Environment {
  std::uint16_t Control, Reserved0, Status, Reserved1;
  std::uint32_t Rest[5];
};

TEST(FloatEnvironmentScope, AnExceptionTheHostLeftPendingStaysPendingForTheHost) {
  // Invalid operation unmasked and already raised: the next waiting x87 instruction would trap.
  volatile long double third = 0;
  X87Environment env;
  asm volatile("fnstenv %0" : "=m"(env) : : "memory");
  env.Control = 0x037E;
  env.Status = static_cast<std::uint16_t>((env.Status & ~0xFFu) | 0x81u);
  asm volatile("fldenv %0" : : "m"(env) : "memory");
  {
    FloatEnvironmentScope scope;
    volatile long double three = 3.0L;
    third = 1.0L / three;  // would trap here if the host's exception were still pending
  }
  // Only non-waiting instructions until the host's exception is cleared.
  const std::uint16_t control = test::X87Control();
  const std::uint16_t status = test::X87Status();
  asm volatile("fnclex" : : : "memory");
  test::SetFloatState(test::kDefaultFloatState);
  EXPECT_EQ(control, 0x037E);
  EXPECT_EQ(status & 0xFF, 0x81);
  EXPECT_EQ(third, 1.0L / 3.0L);
}
#endif

}  // namespace
}  // namespace tessaly
