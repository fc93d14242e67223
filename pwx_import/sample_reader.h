// PWX `sample` elements into the sample store, one index each.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "exercise/stores.h"
#include "pwx_import/import_state.h"

namespace tessaly {

// Kilometres per degree of great-circle arc.
inline constexpr long double KmPerDegree = 111.12L;

// The channel a sample's child element holds.
enum class SampleChannel : std::uint8_t;

// `sample` elements, read straight from the stream: Open as a sample starts, each channel
// element stored as it ends (Field), Close after the last. A sample with a reading (any channel
// but timeoffset) goes into index state.SampleIndex + 1: units converted to the store's, zero
// positions replaced by the last ones, the distance filled from the GPS positions where the file
// gives none or 0 and never allowed to go back, the right pedal's power turned into the balance.
// A sample without a reading (a gap marker, a device status) is no instant of the workout and is
// not stored, unless no sample of the import has a reading: those are kept as they come until
// the first reading, so that a workout logged without sensors still has its samples.
//
// What it changes of the file it notes in state.Notes as it happens: samples not stored, values
// beyond their record fields, offsets that do not go forward, 1 W powers, values beyond the
// caller's watch. Each value costs a compare or two for that; a note is made only on its event.
class SampleReader {
 public:
  SampleReader(ImportState& state, SampleStore& samples) : state_(state), samples_(samples) {}

  void Open();
  // A child element of the sample has ended: its name as written (UTF-8, NUL-terminated), its
  // text as the element shows it (empty unless plain text).
  void Field(const char* name, std::string_view text);
  void Close();

 private:
  // Called at the open sample's first reading, or at its close when none came yet in the import.
  void Store();
  // A field of the open sample before its first reading: keeps a timeoffset (false), or takes the
  // sample's index at the first reading (true).
  bool TakeIndex(SampleChannel channel, std::string_view text);
  // A stored sample's offset is not after the one before.
  void NoteOrder(std::int32_t offset);

  ImportState& state_;
  SampleStore& samples_;
  std::int32_t index_ = -1;  // the open sample's index; -1 when it stores nothing
  std::int32_t right_ = 0;   // the last pwrright of the open sample that converted
  bool stored_ = false;      // the open sample has taken its index
  // The open sample's timeoffset, kept until the sample proves to have a reading; hasOffset_ is
  // set by a timeoffset before or after that.
  std::int32_t offset_ = 0;
  bool hasOffset_ = false;
  // A kept timeoffset that is to be noted once the sample is stored: its value, text and place.
  bool heldNoted_ = false;
  double heldValue_ = 0.0;
  std::string heldText_;
  xml::Place heldPlace_;
  bool anyReading_ = false;  // some sample of the import had one
  // Until then, samples without a reading are kept, the import's first from index 0; the first
  // ended at keptPlace_.
  bool keeping_ = false;
  xml::Place keptPlace_;
  bool hasLastOffset_ = false;  // the last stored sample had one: lastOffset_
  std::int32_t lastOffset_ = 0;
  // For each channel's entry in the reader's channel table, and for the sample's start, the entry
  // the next field's name was found at last time.
#define TESSALY_COUNT_CHANNEL(Name, Type, Field, Element) +1
  static constexpr std::uint8_t kSampleStart = 0 TESSALY_SAMPLE_CHANNELS(TESSALY_COUNT_CHANNEL);
#undef TESSALY_COUNT_CHANNEL
  std::array<std::uint8_t, kSampleStart + 1> following_{};
  std::uint8_t previous_ = kSampleStart;
};

// Distance in km between two positions in degrees by the spherical law of cosines, worked in
// extended precision with the project's own trigonometry so that every build gives the same bits.
// 0 for identical positions and whenever the step cannot be formed.
double GreatCircleStepKm(double lat1, double lon1, double lat2, double lon2);

}  // namespace tessaly
