#include "exercise/stores.h"

#include <algorithm>
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
  // Swapped with empty vectors, which needs no memory, so an import that starts or fails when
  // memory has run out still leaves nothing of the workout before.
  ForEachChannel([](auto& channel) { std::remove_reference_t<decltype(channel)>().swap(channel); });
  HighestIndex_ = -1;
  Capacity_ = 0;
}

void SampleStore::DropAll() noexcept {
  ForEachChannel([](auto& channel) { channel.clear(); });
  HighestIndex_ = -1;
}

bool SampleStore::Reserve(std::size_t capacity) noexcept {
  try {
    ForEachChannel([capacity](auto& channel) { channel.reserve(capacity); });
  } catch (...) {
    return false;  // channels whose capacity did grow keep it
  }
  Capacity_ = capacity;
  return true;
}

bool SampleStore::EnsureIndex(std::int32_t Index) noexcept {
  if (Index < 0 || Index > MaxIndex) return false;
  if (Index <= HighestIndex_) return true;
  const auto needed = static_cast<std::size_t>(Index) + 1;
  // The room doubles, so that the samples of a long workout are copied fewer than twice in all;
  // when that much memory is not to be had, exactly what is needed is tried.
  if (needed > Capacity_ && !Reserve(std::min(std::max(2 * Capacity_, needed), std::size_t{MaxIndex} + 1)) &&
      !Reserve(needed))
    return false;
  HighestIndex_ = Index;
  return true;
}

void SampleStore::ReserveFor(std::int64_t count) noexcept {
  // One more than announced: a workout's last sample may fall on its very end.
  const auto capacity = static_cast<std::size_t>(std::min<std::int64_t>(count, MaxReserveHint)) + 1;
  if (count > 0 && capacity > Capacity_) Reserve(capacity);
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
