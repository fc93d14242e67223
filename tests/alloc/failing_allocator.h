// An allocator that can be told to fail: the test program replaces the global operator new with
// it, which expat's memory comes from as well.
#pragma once

#include <cstdint>

namespace tessaly::test {

// Allocations are numbered from 0 from the moment one of these is called.
// FailFrom(n): allocation n and every one after it fail, as when memory has run out for good.
// FailOnly(n): allocation n fails and the rest succeed, as when one large request cannot be had
// while smaller ones still can.
void FailFrom(std::int64_t n) noexcept;
void FailOnly(std::int64_t n) noexcept;
// Every allocation succeeds again. Returns how many were asked for since FailFrom or FailOnly.
std::int64_t StopFailing() noexcept;
// How many allocations have been refused since FailFrom or FailOnly.
std::int64_t Refused() noexcept;

}  // namespace tessaly::test
