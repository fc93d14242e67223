// The three binary records exchanged with the host. Their layout is a binary interface shared with
// a separately built host: packed, little-endian, every offset fixed.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessaly {

#pragma pack(push, 1)

// One per workout; also the plug-in's summary block.
struct LogSummaryRecord {
  double StartTime;             // days since 1899-12-30, local time
  double EndTime;
  std::uint16_t Calories;       // kcal
  std::uint8_t MaxHeartRate;
  std::uint8_t AvgHeartRate;
  double Distance;              // km
  std::int32_t MaxSpeed;        // tenths of km/h
  std::int32_t AvgSpeed;        // tenths of km/h
  double MaxAltitude;           // m
  double MinAltitude;           // m
  std::int32_t Ascent;          // m
  std::int32_t Descent;         // m
  std::uint16_t LapCount;
  std::int32_t Duration;        // s
  std::uint8_t SportType;
  std::uint8_t Reserved67;
  std::uint8_t Reserved68[2];
  std::uint8_t SampleInterval;  // s
  std::uint8_t Reserved71[4];
  std::uint16_t NormalizedPower;  // W
  double TrainingStressScore;
  std::uint8_t Reserved85[10];
};

// One sample. The host's own declaration may end anywhere from byte 657 on, so the plug-in only
// ever touches the named fields; 660 bytes is the by-value argument area.
struct ExerciseDataRecord {
  std::uint8_t HeartRate;
  double Distance;              // km, cumulative
  double Speed;                 // km/h
  double Altitude;              // m
  std::uint8_t Reserved25[8];
  double Temperature;           // degrees Celsius
  double Power;                 // W
  double PowerBalance;          // balance-byte form
  std::uint8_t Cadence;
  double Latitude;
  double Longitude;
  char SampleText[256];         // zero-terminated unless all 256 bytes are used
  std::int32_t TimeOffset;      // s since the start
  std::uint8_t SampleByte;
  std::uint8_t Reserved335[266];
  std::int32_t SummaryPower;    // W; samples 5 and 6 only
  std::uint8_t Reserved605[8];
  double TorqueEffectivenessLeft;
  double TorqueEffectivenessRight;
  double PedalSmoothnessLeft;
  double PedalSmoothnessRight;
  std::uint8_t Reserved645[15];
};

// One lap; also the exact layout of one item of the lap store.
struct LapDataRecord {
  std::int32_t EndTimeOfDay;    // s since midnight of the start day
  double Duration;              // s
  double EndOffset;             // s since the start
  double Distance;              // km in this lap
  double TotalDistance;         // km since the start
  std::uint8_t MaxHeartRate;
  std::uint8_t AvgHeartRate;
  double MaxSpeed;              // km/h
  double AvgSpeed;              // km/h
  std::uint8_t MaxCadence;
  std::uint8_t AvgCadence;
  double MaxPower;              // W
  double AvgPower;              // W
  double Ascent;                // m
  double Descent;               // m
  std::uint16_t Calories;
  std::uint8_t LapKind;
  std::uint8_t Reserved91[15];
};

#pragma pack(pop)

static_assert(offsetof(LogSummaryRecord, StartTime) == 0);
static_assert(offsetof(LogSummaryRecord, EndTime) == 8);
static_assert(offsetof(LogSummaryRecord, Calories) == 16);
static_assert(offsetof(LogSummaryRecord, MaxHeartRate) == 18);
static_assert(offsetof(LogSummaryRecord, AvgHeartRate) == 19);
static_assert(offsetof(LogSummaryRecord, Distance) == 20);
static_assert(offsetof(LogSummaryRecord, MaxSpeed) == 28);
static_assert(offsetof(LogSummaryRecord, AvgSpeed) == 32);
static_assert(offsetof(LogSummaryRecord, MaxAltitude) == 36);
static_assert(offsetof(LogSummaryRecord, MinAltitude) == 44);
static_assert(offsetof(LogSummaryRecord, Ascent) == 52);
static_assert(offsetof(LogSummaryRecord, Descent) == 56);
static_assert(offsetof(LogSummaryRecord, LapCount) == 60);
static_assert(offsetof(LogSummaryRecord, Duration) == 62);
static_assert(offsetof(LogSummaryRecord, SportType) == 66);
static_assert(offsetof(LogSummaryRecord, Reserved67) == 67);
static_assert(offsetof(LogSummaryRecord, Reserved68) == 68);
static_assert(offsetof(LogSummaryRecord, SampleInterval) == 70);
static_assert(offsetof(LogSummaryRecord, Reserved71) == 71);
static_assert(offsetof(LogSummaryRecord, NormalizedPower) == 75);
static_assert(offsetof(LogSummaryRecord, TrainingStressScore) == 77);
static_assert(offsetof(LogSummaryRecord, Reserved85) == 85);
static_assert(sizeof(LogSummaryRecord) == 95);

static_assert(offsetof(ExerciseDataRecord, HeartRate) == 0);
static_assert(offsetof(ExerciseDataRecord, Distance) == 1);
static_assert(offsetof(ExerciseDataRecord, Speed) == 9);
static_assert(offsetof(ExerciseDataRecord, Altitude) == 17);
static_assert(offsetof(ExerciseDataRecord, Reserved25) == 25);
static_assert(offsetof(ExerciseDataRecord, Temperature) == 33);
static_assert(offsetof(ExerciseDataRecord, Power) == 41);
static_assert(offsetof(ExerciseDataRecord, PowerBalance) == 49);
static_assert(offsetof(ExerciseDataRecord, Cadence) == 57);
static_assert(offsetof(ExerciseDataRecord, Latitude) == 58);
static_assert(offsetof(ExerciseDataRecord, Longitude) == 66);
static_assert(offsetof(ExerciseDataRecord, SampleText) == 74);
static_assert(offsetof(ExerciseDataRecord, TimeOffset) == 330);
static_assert(offsetof(ExerciseDataRecord, SampleByte) == 334);
static_assert(offsetof(ExerciseDataRecord, Reserved335) == 335);
static_assert(offsetof(ExerciseDataRecord, SummaryPower) == 601);
static_assert(offsetof(ExerciseDataRecord, Reserved605) == 605);
static_assert(offsetof(ExerciseDataRecord, TorqueEffectivenessLeft) == 613);
static_assert(offsetof(ExerciseDataRecord, TorqueEffectivenessRight) == 621);
static_assert(offsetof(ExerciseDataRecord, PedalSmoothnessLeft) == 629);
static_assert(offsetof(ExerciseDataRecord, PedalSmoothnessRight) == 637);
static_assert(offsetof(ExerciseDataRecord, Reserved645) == 645);
static_assert(sizeof(ExerciseDataRecord) == 660);

static_assert(offsetof(LapDataRecord, EndTimeOfDay) == 0);
static_assert(offsetof(LapDataRecord, Duration) == 4);
static_assert(offsetof(LapDataRecord, EndOffset) == 12);
static_assert(offsetof(LapDataRecord, Distance) == 20);
static_assert(offsetof(LapDataRecord, TotalDistance) == 28);
static_assert(offsetof(LapDataRecord, MaxHeartRate) == 36);
static_assert(offsetof(LapDataRecord, AvgHeartRate) == 37);
static_assert(offsetof(LapDataRecord, MaxSpeed) == 38);
static_assert(offsetof(LapDataRecord, AvgSpeed) == 46);
static_assert(offsetof(LapDataRecord, MaxCadence) == 54);
static_assert(offsetof(LapDataRecord, AvgCadence) == 55);
static_assert(offsetof(LapDataRecord, MaxPower) == 56);
static_assert(offsetof(LapDataRecord, AvgPower) == 64);
static_assert(offsetof(LapDataRecord, Ascent) == 72);
static_assert(offsetof(LapDataRecord, Descent) == 80);
static_assert(offsetof(LapDataRecord, Calories) == 88);
static_assert(offsetof(LapDataRecord, LapKind) == 90);
static_assert(offsetof(LapDataRecord, Reserved91) == 91);
static_assert(sizeof(LapDataRecord) == 106);

}  // namespace tessaly
