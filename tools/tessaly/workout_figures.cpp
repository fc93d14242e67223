#include "workout_figures.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "util/date_time.h"

namespace tessaly::tool {

SpeedReading SpeedReadingOf(const std::string& sport) {
  if (sport == "Run" || sport == "Walk") return SpeedReading::PacePerKm;
  if (sport == "Swim") return SpeedReading::PacePer100m;
  return SpeedReading::KmPerHour;
}

std::optional<double> PaceSeconds(double kmh, SpeedReading reading) {
  if (!std::isfinite(kmh) || kmh <= 0) return std::nullopt;
  return (reading == SpeedReading::PacePer100m ? 360.0 : 3600.0) / kmh;
}

const char* SpeedUnit(SpeedReading reading) {
  switch (reading) {
    case SpeedReading::PacePerKm: return "/km";
    case SpeedReading::PacePer100m: return "/100 m";
    case SpeedReading::KmPerHour: break;
  }
  return "km/h";
}

std::string SpeedText(double kmh, SpeedReading reading) {
  if (reading == SpeedReading::KmPerHour) {
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, std::clamp(kmh, -1e9, 1e9), std::chars_format::fixed, 1);
    return std::string(buffer, r.ptr);
  }
  const std::optional<double> pace = PaceSeconds(kmh, reading);
  return pace ? MinutesText(*pace) : "-";
}

namespace {

// Whole seconds, held to a century so that no reading overflows the conversion.
long long WholeSeconds(double seconds) {
  return std::isfinite(seconds) ? std::llround(std::clamp(seconds, 0.0, 100.0 * 366 * 86400)) : 0;
}

std::string TwoDigits(long long v) { return (v < 10 ? "0" : "") + std::to_string(v); }

}  // namespace

std::string DateTimeText(double value) {
  try {
    const PwxDateTimeText text = FormatPwxDateTime(value);
    return text.Date + "T" + text.Time;
  } catch (const DateTimeError&) {
    return "";
  }
}

std::string ClockText(double seconds) {
  const long long total = WholeSeconds(seconds);
  return std::to_string(total / 3600) + ":" + TwoDigits(total / 60 % 60) + ":" + TwoDigits(total % 60);
}

std::string MinutesText(double seconds) {
  const long long total = WholeSeconds(seconds);
  return std::to_string(total / 60) + ":" + TwoDigits(total % 60);
}

bool HasPosition(const ExerciseDataRecord& s) {
  const double lat = s.Latitude, lon = s.Longitude;
  return std::isfinite(lat) && std::isfinite(lon) && std::fabs(lat) <= 90 && std::fabs(lon) <= 180 &&
         !(lat == 0 && lon == 0);
}

namespace {

// The readings of one channel. A missing reading is 0 in the record, so a heart rate or a cadence of
// 0 is no reading; speed and power count their zeros once the channel has readings at all, since
// standing still and coasting belong in the average.
class Tally {
 public:
  explicit Tally(bool zeroIsReading) : zeroIsReading_(zeroIsReading) {}
  void Add(double v) {
    if (!std::isfinite(v)) return;
    any_ = any_ || v != 0;
    if (v == 0 && !zeroIsReading_) return;
    max_ = count_ == 0 ? v : std::max(max_, v);
    sum_ += v;
    ++count_;
  }
  std::optional<MaxAvg> Result() const {
    if (!any_) return std::nullopt;
    return MaxAvg{max_, sum_ / static_cast<double>(count_)};
  }

 private:
  bool zeroIsReading_;
  bool any_ = false;
  double max_ = 0, sum_ = 0;
  std::size_t count_ = 0;
};

}  // namespace

SampleFigures FiguresOfSamples(const std::vector<ExerciseDataRecord>& samples) {
  SampleFigures f;
  f.Count = samples.size();
  Tally heartRate(false), speed(true), power(true), cadence(false);
  std::optional<double> lastAltitude;
  for (const ExerciseDataRecord& s : samples) {
    heartRate.Add(s.HeartRate);
    speed.Add(s.Speed);
    power.Add(s.Power);
    cadence.Add(s.Cadence);
    const double altitude = s.Altitude;
    if (std::isfinite(altitude) && altitude != 0) {  // 0: no reading
      f.AltitudeMin = std::min(f.AltitudeMin.value_or(altitude), altitude);
      f.AltitudeMax = std::max(f.AltitudeMax.value_or(altitude), altitude);
      if (lastAltitude && altitude > *lastAltitude) f.Ascent += altitude - *lastAltitude;
      lastAltitude = altitude;
    }
    if (std::isfinite(s.Distance)) f.LastDistance = s.Distance;
  }
  if (!samples.empty()) {
    f.Span = static_cast<double>(samples.back().TimeOffset) - static_cast<double>(samples.front().TimeOffset);
  }
  f.HeartRate = heartRate.Result();
  f.Speed = speed.Result();
  f.Power = power.Result();
  f.Cadence = cadence.Result();
  return f;
}

}  // namespace tessaly::tool
