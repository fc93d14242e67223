// Workouts for the export tests, built the way the host pushes them.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/plugin_core.h"
#include "pwx_export/pwx_writer.h"
#include "util/date_time.h"

namespace tessaly::test {

// Keeps every piece the writer hands on, in order.
struct StringSink final : PwxSink {
  std::string text;
  bool Write(std::string_view piece) override {
    text += piece;
    return true;
  }
};

// One sample as the host sends it, channel by channel.
struct HostSample {
  std::int32_t TimeOffset = 0;
  std::uint8_t HeartRate = 0;
  double Speed = 0;     // km/h
  double Distance = 0;  // km
  double Power = 0;
  double PowerBalance = 0;
  std::uint8_t Cadence = 0;
  double Latitude = 0, Longitude = 0, Altitude = 0, Temperature = 0;
  double TorqueEffectivenessLeft = 0, TorqueEffectivenessRight = 0;
  double PedalSmoothnessLeft = 0, PedalSmoothnessRight = 0;
  std::string SampleText{};
  std::uint8_t SampleByte = 0;
};

inline void PushSample(PluginState& s, std::int32_t index, const HostSample& v) {
  ExerciseDataRecord r{};
  r.HeartRate = v.HeartRate;
  r.Distance = v.Distance;
  r.Speed = v.Speed;
  r.Altitude = v.Altitude;
  r.Temperature = v.Temperature;
  r.Power = v.Power;
  r.PowerBalance = v.PowerBalance;
  r.Cadence = v.Cadence;
  r.Latitude = v.Latitude;
  r.Longitude = v.Longitude;
  std::memcpy(r.SampleText, v.SampleText.data(), std::min<std::size_t>(v.SampleText.size(), sizeof r.SampleText));
  r.TimeOffset = v.TimeOffset;
  r.SampleByte = v.SampleByte;
  r.TorqueEffectivenessLeft = v.TorqueEffectivenessLeft;
  r.TorqueEffectivenessRight = v.TorqueEffectivenessRight;
  r.PedalSmoothnessLeft = v.PedalSmoothnessLeft;
  r.PedalSmoothnessRight = v.PedalSmoothnessRight;
  SetExerciseDatasEx(s, index, r);
}

inline LapDataRecord MakeLap(double endOffset, double duration, double distanceKm) {
  LapDataRecord lap{};
  lap.EndOffset = endOffset;
  lap.Duration = duration;
  lap.Distance = distanceKm;
  return lap;
}

// A current host with a fixed start, so the document does not depend on the clock.
inline PluginState FreshState() {
  PluginState s;
  s.HostVersion = 700;
  s.Workout.Summary.StartTime = EncodeDate(2016, 5, 24) + EncodeTime(10, 20, 30, 0);
  return s;
}

// The document's lines without their CR LF; a last line without one is kept as it is.
inline std::vector<std::string> Lines(std::string_view doc) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < doc.size()) {
    const std::size_t end = doc.find("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(doc.substr(start));
      break;
    }
    lines.emplace_back(doc.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

inline int CountLines(const std::vector<std::string>& lines, std::string_view prefix) {
  int n = 0;
  for (const std::string& l : lines) n += l.compare(0, prefix.size(), prefix) == 0 ? 1 : 0;
  return n;
}

inline bool HasLine(const std::vector<std::string>& lines, std::string_view line) {
  for (const std::string& l : lines) {
    if (l == line) return true;
  }
  return false;
}

}  // namespace tessaly::test
