// What an athlete reads of a workout beyond the host's records: speed and cadence as the sport's
// athletes read them (pace for runs and swims, strokes and steps), durations on a clock, and the
// figures the samples themselves show. The text summary and the picture both print from here, so
// the two never disagree.
#pragma once

#include <cstdint>
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

// "rpm" for bikes and anything else, "strokes/min" for swims, "steps/min" for runs and walks.
const char* CadenceUnit(const std::string& sport);

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

// Time spent moving and the distance covered in it.
struct MovingTime {
  double Seconds = 0;
  double Km = 0;
};

// What the samples show. A channel with no reading in any sample (nullopt, a LastDistance of 0) is
// one the workout does not have: every table and title leaves it blank rather than 0.
struct SampleFigures {
  std::size_t Count = 0;
  double Span = 0;  // seconds from the first sample to the last
  std::optional<MaxAvg> HeartRate, Speed, Power, Cadence;
  std::optional<double> AltitudeMin, AltitudeMax;
  // m, by the plug-in's own altitude threshold and lap by lap, as the plug-in counts each lap's:
  // over laps that cover every sample, the sum of theirs.
  std::int64_t Ascent = 0, Descent = 0;
  double LastDistance = 0;  // km, the last sample's
  // The laps that cover a distance, or without such laps the samples with a speed, steps longer
  // than LongestStep left out: a swim's pace is over this time, so that its rests stay out.
  std::optional<MovingTime> Moving;
};

SampleFigures FiguresOfSamples(const HostWorkout& w);

// The workout's distance in km: the file's summary's, else the last sample's; 0 for none.
double DistanceOf(const HostWorkout& w, const SampleFigures& f);
// The samples' average speed in km/h as the sport reads it: a swim's over its moving time, so that
// the rests stay out; any other's over every sample, stops included. nullopt for no speed.
std::optional<double> AverageSpeed(const HostWorkout& w, const SampleFigures& f);

// The lap columns that hold a figure: a column that is 0 in every lap belongs to a channel the
// laps do not have, and a table leaves it blank rather than printing 0.
struct LapColumns {
  bool Distance = false, Speed = false, HeartRate = false, Cadence = false, Power = false, Climb = false;
};
LapColumns LapColumnsOf(const std::vector<LapDataRecord>& laps);

// The longest step from one sample to the next within one stretch of the recording: a longer one
// is a pause, which breaks the lines of the picture and which a swim's moving time leaves out. A
// swimmer's rest of half a minute shows as a step of about two intervals (the Finis and Garmin pool
// swims: 18 to 28 s between samples, 36 to 42 s over such a rest), so for swims a step of more than
// one and a half usual intervals is one; other devices may record only when something changes, so
// for them only a step of more than ten intervals and a minute.
double LongestStep(const HostWorkout& w);

// A sample's position: a latitude and a longitude on the globe, not both 0 (no fix).
bool HasPosition(const ExerciseDataRecord& s);

}  // namespace tessaly::tool
