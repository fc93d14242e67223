// The two stores that import and export share: per-sample channels and the lap list.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "exercise/records.h"
#include "exercise/sample_channels.h"

namespace tessaly {

// What a store getter answers: numbers by value, the text by reference.
template <class T>
using StoreRead = std::conditional_t<std::is_arithmetic_v<T>, T, const T&>;

// Per-sample series of one workout, one per channel, indexed from 0 to Count() - 1.
//
// Every index reads as zero until written, yet no channel is zero-filled ahead of its writes:
// each channel's vector holds the elements from 0 up to its highest write, and reads beyond that
// answer zero. The writes of an import then fill each channel in order, in memory just made, and
// a channel the file never mentions is never touched. Every channel's reserved room covers the
// count, so a write below it never allocates.
class SampleStore {
 public:
  // Highest index a setter accepts. Far beyond any real workout (about 97 days at one sample a
  // second) yet small enough that a hostile index cannot make the store reach for gigabytes.
  static constexpr std::int32_t MaxIndex = (1 << 23) - 1;

  SampleStore() = default;
  // A store moved from is empty with no room; it grows again as any store does.
  SampleStore(SampleStore&& other) noexcept;
  SampleStore& operator=(SampleStore&& other) noexcept;
  SampleStore(const SampleStore&) = delete;
  SampleStore& operator=(const SampleStore&) = delete;

  // Count() 0, every value zero and the memory given back; never fails.
  void Clear() noexcept;
  // Count() 0 and every value zero, the room kept for the samples to come.
  void DropAll() noexcept;
  std::int32_t Count() const { return HighestIndex_ + 1; }

  // Makes Index writable: raises the count and grows every channel's room when needed. Returns
  // false, leaving the store exactly as it was, for a negative index, one above MaxIndex, or when
  // memory runs out.
  bool EnsureIndex(std::int32_t Index) noexcept;

  // Makes room for `count` samples and one more ahead of time, when the memory is to be had, so that a
  // workout whose length is known before its samples arrive grows without a copy. Count() stays
  // as it is; a refusal only leaves the store to grow as usual. Counts beyond MaxReserveHint
  // reserve that many: a summary that overstates its duration costs no more room than a week of
  // one-second samples.
  static constexpr std::int32_t MaxReserveHint = 7 * 86400;
  void ReserveFor(std::int64_t count) noexcept;

  // Getters read any index; one never written reads as zero. Setters
  // return false (and store nothing) when EnsureIndex refuses the index; a text is taken whole
  // before anything grows, so the store never holds half a sample.
#define TESSALY_STORE_ACCESSORS(Name, Type, Field, Element)                                         \
  StoreRead<Type> Get##Name(std::int32_t i) const { return Read(Name##_, i); }                     \
  bool Set##Name(std::int32_t i, Type v) { return Put(Name##_, i, std::move(v)); }
  TESSALY_SAMPLE_CHANNELS(TESSALY_STORE_ACCESSORS)
#undef TESSALY_STORE_ACCESSORS

 private:
  static std::size_t At(std::int32_t i) { return static_cast<std::size_t>(i); }
  template <class T>
  static StoreRead<T> Read(const std::vector<T>& channel, std::int32_t i) {
    if (At(i) < channel.size()) return channel[At(i)];
    if constexpr (std::is_arithmetic_v<T>) {
      return T{};
    } else {
      static const T kNone{};
      return kNone;
    }
  }
  template <class T>
  bool Put(std::vector<T>& channel, std::int32_t i, T v) {
    // An index already counted needs no growing; only others go through EnsureIndex.
    if ((i < 0 || i > HighestIndex_) && !EnsureIndex(i)) return false;
    const std::size_t at = At(i);
    if (at < channel.size()) {
      channel[at] = std::move(v);
    } else {
      // Within the reserved room: neither call allocates.
      if (at > channel.size()) channel.resize(at);
      channel.push_back(std::move(v));
    }
    return true;
  }
  template <class F>
  void ForEachChannel(F&& f);
  // Every channel's capacity made at least `capacity`; false, with Capacity_ as it was, when memory
  // runs out.
  bool Reserve(std::size_t capacity) noexcept;

  std::int32_t HighestIndex_ = -1;
  std::size_t Capacity_ = 0;  // every channel has reserved room for at least this many samples
#define TESSALY_STORE_SERIES(Name, Type, Field, Element) std::vector<Type> Name##_;
  TESSALY_SAMPLE_CHANNELS(TESSALY_STORE_SERIES)
#undef TESSALY_STORE_SERIES
};

// The laps of one workout, in the order they were added; each a private 106-byte copy.
class LapStore {
 public:
  void Clear() noexcept { laps_.clear(); }
  std::int32_t Count() const { return static_cast<std::int32_t>(laps_.size()); }
  // Appends a copy and returns its index. Throws std::bad_alloc, leaving the list unchanged.
  std::int32_t Add(const LapDataRecord& lap);
  // Both throw std::out_of_range (the index error) for an index outside 0..Count()-1, copying nothing.
  void GetLap(std::int32_t index, LapDataRecord& out) const;
  void SetLap(std::int32_t index, const LapDataRecord& lap);

 private:
  std::vector<LapDataRecord> laps_;
};

}  // namespace tessaly
