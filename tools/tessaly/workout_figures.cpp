#include "workout_figures.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "exercise/lap_statistics.h"
#include "exercise/stores.h"
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

const char* CadenceUnit(const std::string& sport) {
  if (sport == "Swim") return "strokes/min";
  if (sport == "Run" || sport == "Walk") return "steps/min";
  return "rpm";
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

double LongestStep(const HostWorkout& w) {
  std::vector<double> steps;
  for (std::size_t k = 1; k < w.Samples.size(); ++k) {
    const double d = static_cast<double>(w.Samples[k].TimeOffset) - static_cast<double>(w.Samples[k - 1].TimeOffset);
    if (d > 0) steps.push_back(d);
  }
  double usual = 1;
  if (!steps.empty()) {
    std::nth_element(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2), steps.end());
    usual = steps[steps.size() / 2];
  }
  return w.Sport == "Swim" ? 1.5 * usual : std::max(10 * usual, 60.0);
}

namespace {

// The workout's climb by the plug-in's own rule, from the core library the plug-in is built from:
// the stores hold what the rule reads, the time offsets, the altitudes and the laps' ends.
Climb ClimbOf(const HostWorkout& w) {
  SampleStore samples;
  for (std::size_t k = 0; k < w.Samples.size() && k <= static_cast<std::size_t>(SampleStore::MaxIndex); ++k) {
    const auto i = static_cast<std::int32_t>(k);
    samples.SetTimeOffset(i, w.Samples[k].TimeOffset);
    samples.SetAlt(i, w.Samples[k].Altitude);
  }
  LapStore laps;
  for (const LapDataRecord& lap : w.Laps) laps.Add(lap);
  return WorkoutClimb(samples, laps, w.AltitudeThreshold);
}

std::optional<MovingTime> Moving(const HostWorkout& w) {
  MovingTime moving;
  for (const LapDataRecord& lap : w.Laps) {
    const double km = lap.Distance, seconds = lap.Duration;
    if (std::isfinite(km) && std::isfinite(seconds) && km > 0 && seconds > 0) {
      moving.Km += km;
      moving.Seconds += seconds;
    }
  }
  if (moving.Km == 0) {
    const double longest = LongestStep(w);
    for (std::size_t k = 1; k < w.Samples.size(); ++k) {
      const double step = static_cast<double>(w.Samples[k].TimeOffset) - static_cast<double>(w.Samples[k - 1].TimeOffset);
      const double kmh = w.Samples[k].Speed;
      if (step > 0 && step <= longest && std::isfinite(kmh) && kmh > 0) {
        moving.Seconds += step;
        moving.Km += kmh * step / 3600;
      }
    }
  }
  if (!(moving.Km > 0 && moving.Seconds > 0 && std::isfinite(moving.Km))) return std::nullopt;
  return moving;
}

}  // namespace

SampleFigures FiguresOfSamples(const HostWorkout& w) {
  SampleFigures f;
  f.Count = w.Samples.size();
  Tally heartRate(false), speed(true), power(true), cadence(false);
  for (const ExerciseDataRecord& s : w.Samples) {
    heartRate.Add(s.HeartRate);
    speed.Add(s.Speed);
    power.Add(s.Power);
    cadence.Add(s.Cadence);
    const double altitude = s.Altitude;
    if (std::isfinite(altitude) && altitude != 0) {  // 0: no reading
      f.AltitudeMin = std::min(f.AltitudeMin.value_or(altitude), altitude);
      f.AltitudeMax = std::max(f.AltitudeMax.value_or(altitude), altitude);
    }
    if (std::isfinite(s.Distance)) f.LastDistance = s.Distance;
  }
  if (!w.Samples.empty()) {
    f.Span = static_cast<double>(w.Samples.back().TimeOffset) - static_cast<double>(w.Samples.front().TimeOffset);
  }
  f.HeartRate = heartRate.Result();
  f.Speed = speed.Result();
  f.Power = power.Result();
  f.Cadence = cadence.Result();
  if (f.AltitudeMin) {
    const Climb climb = ClimbOf(w);
    f.Ascent = climb.Ascent;
    f.Descent = climb.Descent;
  }
  f.Moving = Moving(w);
  return f;
}

double DistanceOf(const HostWorkout& w, const SampleFigures& f) {
  const double summary = w.Summary.Distance;
  return std::isfinite(summary) && summary > 0 ? summary : std::max(f.LastDistance, 0.0);
}

std::optional<double> AverageSpeed(const HostWorkout& w, const SampleFigures& f) {
  if (SpeedReadingOf(w.Sport) == SpeedReading::PacePer100m && f.Moving) return f.Moving->Km * 3600 / f.Moving->Seconds;
  if (f.Speed) return f.Speed->Avg;
  return std::nullopt;
}

LapColumns LapColumnsOf(const std::vector<LapDataRecord>& laps) {
  LapColumns c;
  const auto some = [](double v) { return v != 0 && !std::isnan(v); };
  for (const LapDataRecord& l : laps) {
    c.Distance = c.Distance || some(l.Distance) || some(l.TotalDistance);
    c.Speed = c.Speed || some(l.AvgSpeed) || some(l.MaxSpeed);
    c.HeartRate = c.HeartRate || l.AvgHeartRate != 0 || l.MaxHeartRate != 0;
    c.Cadence = c.Cadence || l.AvgCadence != 0 || l.MaxCadence != 0;
    c.Power = c.Power || some(l.AvgPower) || some(l.MaxPower);
    c.Climb = c.Climb || some(l.Ascent) || some(l.Descent);
  }
  return c;
}

}  // namespace tessaly::tool
