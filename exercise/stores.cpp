#include "exercise/stores.h"

#include <new>
#include <type_traits>
#include <stdexcept>
#include <utility>

namespace tessaly {

template <class F>
void SampleStore::ForEachChannel(F&& f) {
#define TESSALY_EACH_SERIES(Name, Type, Field, Element) f(Name##_);
  TESSALY_SAMPLE_CHANNELS(TESSALY_EACH_SERIES)
#undef TESSALY_EACH_SERIES
}

SampleStore::SampleStore() {
  ForEachChannel([](auto& channel) { channel.reserve(InitialCapacity); });
  Capacity_ = InitialCapacity;
}

SampleStore::SampleStore(SampleStore&& other) noexcept { *this = std::move(other); }

SampleStore& SampleStore::operator=(SampleStore&& other) noexcept {
  if (this == &other) return *this;
#define TESSALY_MOVE_SERIES(Name, Type, Field, Element) Name##_ = std::exchange(other.Name##_, {});
  TESSALY_SAMPLE_CHANNELS(TESSALY_MOVE_SERIES)
#undef TESSALY_MOVE_SERIES
  HighestIndex_ = std::exchange(other.HighestIndex_, -1);
  Capacity_ = std::exchange(other.Capacity_, 0);
  return *this;
}

void SampleStore::Clear() noexcept {
  // Emptied in place, which needs no memory, so an import that starts or fails when memory has
  // run out still leaves nothing of the workout before. Then each channel gets a fresh room of the
  // initial size, giving a large one back; a channel that cannot have one keeps what it has, and
  // Capacity() never claims more room than every channel holds.
  std::size_t room = InitialCapacity;
  ForEachChannel([&room](auto& channel) {
    channel.clear();
    if (channel.capacity() != static_cast<std::size_t>(InitialCapacity)) {
      try {
        std::remove_reference_t<decltype(channel)> fresh;
        fresh.reserve(InitialCapacity);
        channel.swap(fresh);
      } catch (...) {
      }
    }
    if (channel.capacity() < room) room = channel.capacity();
  });
  Capacity_ = static_cast<std::int32_t>(room);
  HighestIndex_ = -1;
}

bool SampleStore::EnsureIndex(std::int32_t Index) noexcept {
  if (Index < 0 || Index > MaxIndex) return false;
  const std::int32_t highest = Index > HighestIndex_ ? Index : HighestIndex_;
  if (Capacity_ - 1 >= highest) {
    HighestIndex_ = highest;
    return true;
  }
  const std::size_t grown = static_cast<std::size_t>(highest) + InitialCapacity;
  // Every channel's room is made first: a failure there leaves the count and every value as they
  // were. Nothing is zero-filled; the writes fill each channel as they come.
  // The room reserved doubles, so that the samples of a long workout are copied fewer than twice
  // in all (half again copied them about two and a half times), not every InitialCapacity samples:
  // copies and fresh pages are most of what growing costs. When that much memory is not to be had,
  // exactly `grown` is tried.
  const std::size_t held = Hr_.capacity();
  const std::size_t ceiling = static_cast<std::size_t>(MaxIndex) + InitialCapacity;
  std::size_t ahead = 2 * held;
  if (ahead > ceiling) ahead = ceiling;
  const std::size_t room = grown <= held || ahead <= grown ? grown : ahead;
  try {
    ForEachChannel([room](auto& channel) { channel.reserve(room); });
  } catch (...) {
    if (room == grown) return false;
    try {
      ForEachChannel([grown](auto& channel) { channel.reserve(grown); });
    } catch (...) {
      return false;
    }
  }
  Capacity_ = static_cast<std::int32_t>(grown);
  HighestIndex_ = highest;
  return true;
}

void SampleStore::ReserveFor(std::int64_t count) noexcept {
  if (count <= 0) return;
  const std::size_t room = static_cast<std::size_t>(count < MaxReserveHint ? count : MaxReserveHint) + InitialCapacity;
  try {
    ForEachChannel([room](auto& channel) { channel.reserve(room); });
  } catch (...) {
    // Channels whose room did grow keep it; EnsureIndex reserves every channel before it raises
    // Capacity().
  }
}

std::int32_t LapStore::Add(const LapDataRecord& lap) {
  laps_.push_back(lap);
  return static_cast<std::int32_t>(laps_.size() - 1);
}

void LapStore::GetLap(std::int32_t index, LapDataRecord& out) const {
  if (index < 0 || index >= Count()) throw std::out_of_range("lap index out of bounds");
  out = laps_[static_cast<std::size_t>(index)];
}

void LapStore::SetLap(std::int32_t index, const LapDataRecord& lap) {
  if (index < 0 || index >= Count()) throw std::out_of_range("lap index out of bounds");
  laps_[static_cast<std::size_t>(index)] = lap;
}

}  // namespace tessaly
