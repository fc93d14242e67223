// The two stores that import and export share: per-sample channels and the lap list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "exercise/records.h"

namespace tessaly {

// Per-sample series of one workout: parallel arrays of one length, one per channel.
// Capacity grows to the highest written index plus InitialCapacity, never by doubling; the
// memory behind it is reserved further ahead so that long workouts are not copied every time.
class TMyHRMDatas {
 public:
  static constexpr std::int32_t InitialCapacity = 5000;
  // Highest index a setter accepts. Far beyond any real workout (about 97 days at one sample a
  // second) yet small enough that a hostile index cannot make the store reach for gigabytes.
  static constexpr std::int32_t MaxIndex = (1 << 23) - 1;

  TMyHRMDatas();

  // Count() 0 and every value zero again; never fails.
  void Clear() noexcept;
  std::int32_t Count() const { return HighestIndex_ + 1; }
  std::int32_t Capacity() const { return static_cast<std::int32_t>(hr_.size()); }

  // Makes Index writable: raises the count and grows every channel when needed. Returns false,
  // leaving the store exactly as it was, for a negative index, one above MaxIndex, or when memory
  // runs out.
  bool EnsureIndex(std::int32_t Index) noexcept;

  // Getters are plain reads; the caller keeps to 0..Capacity()-1.
  std::uint8_t GetHr(std::int32_t i) const { return hr_[At(i)]; }
  double GetDist(std::int32_t i) const { return dist_[At(i)]; }
  double GetSpd(std::int32_t i) const { return spd_[At(i)]; }
  double GetAlt(std::int32_t i) const { return alt_[At(i)]; }
  double GetTemp(std::int32_t i) const { return temp_[At(i)]; }
  double GetPwr(std::int32_t i) const { return pwr_[At(i)]; }
  double GetPwrRight(std::int32_t i) const { return pwrright_[At(i)]; }
  std::uint8_t GetCad(std::int32_t i) const { return cad_[At(i)]; }
  double GetLat(std::int32_t i) const { return lat_[At(i)]; }
  double GetLon(std::int32_t i) const { return lon_[At(i)]; }
  const std::string& GetSampleText(std::int32_t i) const { return sampletext_[At(i)]; }
  std::int32_t GetTimeOffset(std::int32_t i) const { return timeoffset_[At(i)]; }
  std::uint8_t GetSampleByte(std::int32_t i) const { return samplebyte_[At(i)]; }
  double GetTorqueEffectivenessLeft(std::int32_t i) const { return te_left_[At(i)]; }
  double GetTorqueEffectivenessRight(std::int32_t i) const { return te_right_[At(i)]; }
  double GetPedalSmoothnessLeft(std::int32_t i) const { return ps_left_[At(i)]; }
  double GetPedalSmoothnessRight(std::int32_t i) const { return ps_right_[At(i)]; }

  // Setters return false (and store nothing) when EnsureIndex refuses the index.
  bool SetHr(std::int32_t i, std::uint8_t v) { return Put(hr_, i, v); }
  bool SetDist(std::int32_t i, double v) { return Put(dist_, i, v); }
  bool SetSpd(std::int32_t i, double v) { return Put(spd_, i, v); }
  bool SetAlt(std::int32_t i, double v) { return Put(alt_, i, v); }
  bool SetTemp(std::int32_t i, double v) { return Put(temp_, i, v); }
  bool SetPwr(std::int32_t i, double v) { return Put(pwr_, i, v); }
  bool SetPwrRight(std::int32_t i, double v) { return Put(pwrright_, i, v); }
  bool SetCad(std::int32_t i, std::uint8_t v) { return Put(cad_, i, v); }
  bool SetLat(std::int32_t i, double v) { return Put(lat_, i, v); }
  bool SetLon(std::int32_t i, double v) { return Put(lon_, i, v); }
  // The text is copied at the call, before anything grows: the store never holds half a sample.
  bool SetSampleText(std::int32_t i, std::string v);
  bool SetTimeOffset(std::int32_t i, std::int32_t v) { return Put(timeoffset_, i, v); }
  bool SetSampleByte(std::int32_t i, std::uint8_t v) { return Put(samplebyte_, i, v); }
  bool SetTorqueEffectivenessLeft(std::int32_t i, double v) { return Put(te_left_, i, v); }
  bool SetTorqueEffectivenessRight(std::int32_t i, double v) { return Put(te_right_, i, v); }
  bool SetPedalSmoothnessLeft(std::int32_t i, double v) { return Put(ps_left_, i, v); }
  bool SetPedalSmoothnessRight(std::int32_t i, double v) { return Put(ps_right_, i, v); }

 private:
  static std::size_t At(std::int32_t i) { return static_cast<std::size_t>(i); }
  template <class T>
  bool Put(std::vector<T>& channel, std::int32_t i, T v) {
    // An index already counted needs no growing; only others go through EnsureIndex.
    if ((i < 0 || i > HighestIndex_) && !EnsureIndex(i)) return false;
    channel[At(i)] = v;
    return true;
  }
  template <class F>
  void ForEachChannel(F&& f);

  std::int32_t HighestIndex_ = -1;
  std::vector<std::uint8_t> hr_;
  std::vector<double> dist_, spd_, alt_, temp_, pwr_, pwrright_;
  std::vector<std::uint8_t> cad_;
  std::vector<double> lat_, lon_;
  std::vector<std::string> sampletext_;
  std::vector<std::int32_t> timeoffset_;
  std::vector<std::uint8_t> samplebyte_;
  std::vector<double> te_left_, te_right_, ps_left_, ps_right_;
};

// The laps of one workout, in the order they were added; each a private 106-byte copy.
class TLapClass {
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
