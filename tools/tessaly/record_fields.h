// The fields of the three records as the workout JSON names them, in the JSON's order. The import
// writes and the export reads through these tables, so the two cannot drift apart.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <type_traits>
#include <variant>

#include "exercise/records.h"
#include "exercise/sample_channels.h"

namespace tessaly::tool {

// A field's type is its kind: a real, an unsigned or signed integer of that width, or a text array.
using FieldType = std::variant<std::type_identity<double>, std::type_identity<std::uint8_t>,
                               std::type_identity<std::uint16_t>, std::type_identity<std::int32_t>,
                               std::type_identity<char[256]>>;

// Record only keeps one record's table from being used with another record.
template <class Record>
struct RecordField {
  const char* Name;
  std::size_t Offset;
  FieldType Type;
};

// The records are packed, so their fields are copied out and in as bytes: a double or an integer
// accessed in place (also through a pointer to member) would be a misaligned access.
// A kind no field of the record can have (the text array in a 95-byte record) is never copied;
// making it a compile-time branch keeps the compiler from warning about the impossible copy.
template <class T, class Record>
T LoadField(const Record& record, std::size_t offset) {
  T value{};
  if constexpr (sizeof(T) <= sizeof(Record)) {
    std::memcpy(&value, reinterpret_cast<const unsigned char*>(&record) + offset, sizeof value);
  } else {
    throw std::logic_error("a field larger than its record");
  }
  return value;
}

template <class T, class Record>
void StoreField(Record& record, std::size_t offset, const T& value) {
  if constexpr (sizeof(T) <= sizeof(Record)) {
    std::memcpy(reinterpret_cast<unsigned char*>(&record) + offset, &value, sizeof value);
  } else {
    throw std::logic_error("a field larger than its record");
  }
}

// Name, place and type all from the member itself, so no entry can disagree with the record.
#define TESSALY_FIELD(Record, Member) \
  RecordField<Record> { #Member, offsetof(Record, Member), std::type_identity<decltype(Record::Member)>{} }

// What the plug-in keeps of the reserved bytes is its own business, so they have no field. Nor has
// SportType: the import and the export number sports differently, so the JSON names the sport
// ("Sport") instead.
inline constexpr RecordField<LogSummaryRecord> kSummaryFields[] = {
    TESSALY_FIELD(LogSummaryRecord, StartTime),
    TESSALY_FIELD(LogSummaryRecord, EndTime),
    TESSALY_FIELD(LogSummaryRecord, Calories),
    TESSALY_FIELD(LogSummaryRecord, MaxHeartRate),
    TESSALY_FIELD(LogSummaryRecord, AvgHeartRate),
    TESSALY_FIELD(LogSummaryRecord, Distance),
    TESSALY_FIELD(LogSummaryRecord, MaxSpeed),
    TESSALY_FIELD(LogSummaryRecord, AvgSpeed),
    TESSALY_FIELD(LogSummaryRecord, MaxAltitude),
    TESSALY_FIELD(LogSummaryRecord, MinAltitude),
    TESSALY_FIELD(LogSummaryRecord, Ascent),
    TESSALY_FIELD(LogSummaryRecord, Descent),
    TESSALY_FIELD(LogSummaryRecord, LapCount),
    TESSALY_FIELD(LogSummaryRecord, Duration),
    TESSALY_FIELD(LogSummaryRecord, SampleInterval),
    TESSALY_FIELD(LogSummaryRecord, NormalizedPower),
    TESSALY_FIELD(LogSummaryRecord, TrainingStressScore),
};

// SummaryPower is left out: the plug-in fills it on samples 5 and 6 only, and the import shows it
// with the summary instead.
inline constexpr RecordField<ExerciseDataRecord> kSampleFields[] = {
#define TESSALY_SAMPLE_FIELD(Name, Type, Field, Element) TESSALY_FIELD(ExerciseDataRecord, Field),
    TESSALY_SAMPLE_CHANNELS(TESSALY_SAMPLE_FIELD)
#undef TESSALY_SAMPLE_FIELD
};

inline constexpr RecordField<LapDataRecord> kLapFields[] = {
    TESSALY_FIELD(LapDataRecord, EndTimeOfDay),
    TESSALY_FIELD(LapDataRecord, Duration),
    TESSALY_FIELD(LapDataRecord, EndOffset),
    TESSALY_FIELD(LapDataRecord, Distance),
    TESSALY_FIELD(LapDataRecord, TotalDistance),
    TESSALY_FIELD(LapDataRecord, MaxHeartRate),
    TESSALY_FIELD(LapDataRecord, AvgHeartRate),
    TESSALY_FIELD(LapDataRecord, MaxSpeed),
    TESSALY_FIELD(LapDataRecord, AvgSpeed),
    TESSALY_FIELD(LapDataRecord, MaxCadence),
    TESSALY_FIELD(LapDataRecord, AvgCadence),
    TESSALY_FIELD(LapDataRecord, MaxPower),
    TESSALY_FIELD(LapDataRecord, AvgPower),
    TESSALY_FIELD(LapDataRecord, Ascent),
    TESSALY_FIELD(LapDataRecord, Descent),
    TESSALY_FIELD(LapDataRecord, Calories),
    TESSALY_FIELD(LapDataRecord, LapKind),
};

#undef TESSALY_FIELD

}  // namespace tessaly::tool
