#include "exercise/cExerciseDatas.h"

#include <new>
#include <type_traits>
#include <stdexcept>
#include <utility>

namespace tessaly {

template <class F>
void TMyHRMDatas::ForEachChannel(F&& f) {
#define TESSALY_EACH_SERIES(Name, Type, Field, Element) f(Name##_);
  TESSALY_SAMPLE_CHANNELS(TESSALY_EACH_SERIES)
#undef TESSALY_EACH_SERIES
}

TMyHRMDatas::TMyHRMDatas() {
  ForEachChannel([](auto& channel) { channel.resize(InitialCapacity); });
}

void TMyHRMDatas::Clear() noexcept {
  // Emptied in place, which needs no memory, so an import that starts or fails when memory has
  // run out still leaves nothing of the workout before. Then each channel is cut back to the
  // initial size so that a large import's memory is given back; a channel that cannot have a
  // smaller copy made keeps its larger room (shrink_to_fit swallows the failure).
  ForEachChannel([](auto& channel) {
    using Value = typename std::remove_reference_t<decltype(channel)>::value_type;
    channel.erase(channel.begin() + InitialCapacity, channel.end());
    for (Value& v : channel) v = Value{};
    channel.shrink_to_fit();
  });
  HighestIndex_ = -1;
}

bool TMyHRMDatas::EnsureIndex(std::int32_t Index) noexcept {
  if (Index < 0 || Index > MaxIndex) return false;
  const std::int32_t highest = Index > HighestIndex_ ? Index : HighestIndex_;
  if (Capacity() - 1 >= highest) {
    HighestIndex_ = highest;
    return true;
  }
  const std::size_t grown = static_cast<std::size_t>(highest) + InitialCapacity;
  // Reserve every channel first: a failure there leaves every length and value as it was.
  // Growing within the reserved room cannot fail, so the channels never disagree in length.
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
  ForEachChannel([grown](auto& channel) { channel.resize(grown); });
  HighestIndex_ = highest;
  return true;
}

void TMyHRMDatas::ReserveFor(std::int64_t count) noexcept {
  if (count <= 0) return;
  const std::size_t room = static_cast<std::size_t>(count < MaxReserveHint ? count : MaxReserveHint) + InitialCapacity;
  try {
    ForEachChannel([room](auto& channel) { channel.reserve(room); });
  } catch (...) {
    // Channels whose room did grow keep it; EnsureIndex reserves every channel before it resizes.
  }
}

std::int32_t TLapClass::Add(const LapDataRecord& lap) {
  laps_.push_back(lap);
  return static_cast<std::int32_t>(laps_.size() - 1);
}

void TLapClass::GetLap(std::int32_t index, LapDataRecord& out) const {
  if (index < 0 || index >= Count()) throw std::out_of_range("lap index out of bounds");
  out = laps_[static_cast<std::size_t>(index)];
}

void TLapClass::SetLap(std::int32_t index, const LapDataRecord& lap) {
  if (index < 0 || index >= Count()) throw std::out_of_range("lap index out of bounds");
  laps_[static_cast<std::size_t>(index)] = lap;
}

}  // namespace tessaly
