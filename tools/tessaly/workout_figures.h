// What an athlete reads of a workout beyond the host's records: speed as the sport's athletes read
// it (pace for runs and swims), durations on a clock, and the figures the samples themselves show.
// The text summary and the picture both print from here, so the two never disagree.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host_workout.h"

namespace tessaly::tool {

// km/h, or the time a kilometre (runs, walks) or 100 metres (swims) takes.
enum class SpeedReading { KmPerHour, PacePerKm, PacePer100m };

SpeedReading SpeedReadingOf(const std::string& sport);

// The seconds a pace distance takes at a speed in km/h; nullopt for a standstill or no number.
std::optional<double> PaceSeconds(double kmh, SpeedReading reading);
// "/km" or "/100 m"; "km/h" for a sport read in km/h.
const char* SpeedUnit(SpeedReading reading);
// A speed in km/h as its sport reads it: "12.3" km/h or a pace "4:53"; "-" for a standstill pace.
std::string SpeedText(double kmh, SpeedReading reading);

// A DateTime as YYYY-MM-DDThh:mm:ss, as a PWX file holds it; empty for a value that is no date.
std::string DateTimeText(double value);

// h:mm:ss, and m:ss; seconds rounded to the nearest whole one.
std::string ClockText(double seconds);
std::string MinutesText(double seconds);

// The highest and the average reading of one channel.
struct MaxAvg {
  double Max = 0;
  double Avg = 0;
};

struct SampleFigures {
  std::size_t Count = 0;
  double Span = 0;  // seconds from the first sample to the last
  std::optional<MaxAvg> HeartRate, Speed, Power, Cadence;  // nullopt: no reading in any sample
  std::optional<double> AltitudeMin, AltitudeMax;
  double Ascent = 0;           // m, every rise from one altitude reading to the next
  double LastDistance = 0;     // km, the last sample's
};

SampleFigures FiguresOfSamples(const std::vector<ExerciseDataRecord>& samples);

// A sample's position: a latitude and a longitude on the globe, not both 0 (no fix).
bool HasPosition(const ExerciseDataRecord& s);

}  // namespace tessaly::tool
