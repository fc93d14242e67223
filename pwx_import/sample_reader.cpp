#include "pwx_import/sample_reader.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "exercise/sample_channels.h"
#include "pwx_import/number_reading.h"
#include "pwx_import/workout_stream.h"
#include "util/ascii.h"
#include "util/conversions.h"
#include "util/number_text.h"
#include "util/units.h"

namespace tessaly {

enum class SampleChannel : std::uint8_t {
  None,
#define TESSALY_CHANNEL_ID(Name, Type, Field, Element) Name,
  TESSALY_SAMPLE_CHANNELS(TESSALY_CHANNEL_ID)
#undef TESSALY_CHANNEL_ID
};

namespace {

using Channel = SampleChannel;

struct ChannelName {
  std::string_view Name;  // empty for the channels no element feeds
  Channel Id;
};

constexpr ChannelName kChannels[] = {
#define TESSALY_CHANNEL_NAME(Name, Type, Field, Element) {Element, Channel::Name},
    TESSALY_SAMPLE_CHANNELS(TESSALY_CHANNEL_NAME)
#undef TESSALY_CHANNEL_NAME
};

constexpr std::size_t kChannelCount = std::size(kChannels);

// The entry of kChannels for a child element of that name, written in any case, or kChannelCount
// for none. The look starts at entry `first` and goes round the table.
std::size_t ChannelEntry(const char* name, std::size_t first) {
  for (std::size_t k = 0; k < kChannelCount; ++k) {
    const std::size_t at = first + k < kChannelCount ? first + k : first + k - kChannelCount;
    if (!kChannels[at].Name.empty() && xml::NameIs(name, kChannels[at].Name)) return at;
  }
  return kChannelCount;
}

// --- Trigonometry in extended precision. Only +, -, *, / and the correctly rounded square root
// are used, so the native library and the DLL compute the same bits whatever their maths library.

constexpr long double kPi = 3.14159265358979323846264338327950288L;
constexpr long double kHalfPi = kPi / 2.0L;

// sin and cos of r for |r| <= pi/4 by their Taylor series.
long double SinSeries(long double r) {
  const long double r2 = r * r;
  long double term = r;
  long double sum = r;
  for (int k = 1; k <= 13; ++k) {
    term = -term * r2 / static_cast<long double>((2 * k) * (2 * k + 1));
    sum += term;
  }
  return sum;
}

long double CosSeries(long double r) {
  const long double r2 = r * r;
  long double term = 1.0L;
  long double sum = 1.0L;
  for (int k = 1; k <= 13; ++k) {
    term = -term * r2 / static_cast<long double>((2 * k - 1) * (2 * k));
    sum += term;
  }
  return sum;
}

// Splits x into quadrant q and remainder r, |r| <= about pi/4, x = q * pi/2 + r. False when x is
// too large for a meaningful reduction.
bool Reduce(long double x, long double& r, int& quadrant) {
  if (!(std::fabs(x) < 1.0e15L)) return false;  // NaN included
  const long double k = std::floor(x / kHalfPi + 0.5L);
  r = x - k * kHalfPi;
  quadrant = static_cast<int>(static_cast<std::int64_t>(k) & 3);  // two's complement: -1 -> 3
  return std::fabs(r) <= 1.0L;
}

bool SinCos(long double x, long double& sine, long double& cosine) {
  long double r = 0;
  int quadrant = 0;
  if (!Reduce(x, r, quadrant)) return false;
  const long double s = SinSeries(r);
  const long double c = CosSeries(r);
  switch (quadrant) {
    case 0: sine = s; cosine = c; break;
    case 1: sine = c; cosine = -s; break;
    case 2: sine = -s; cosine = -c; break;
    default: sine = -c; cosine = s; break;
  }
  return true;
}

// atan(t) for t >= 0: reflected to t <= 1, the argument halved three times with
// atan(t) = 2 atan(t / (1 + sqrt(1 + t^2))), then the Taylor series.
long double AtanNonNegative(long double t) {
  bool reflected = false;
  if (t > 1.0L) {
    t = 1.0L / t;
    reflected = true;
  }
  for (int k = 0; k < 3; ++k) t = t / (1.0L + std::sqrt(1.0L + t * t));
  const long double t2 = t * t;
  long double power = t;
  long double sum = t;
  for (int k = 1; k <= 20; ++k) {
    power = -power * t2;
    sum += power / static_cast<long double>(2 * k + 1);
  }
  const long double angle = 8.0L * sum;
  return reflected ? kHalfPi - angle : angle;
}

// acos(x) = 2 atan(sqrt((1 - x) / (1 + x))), accurate near 1 where nearby positions land.
bool Acos(long double x, long double& angle) {
  if (!(x >= -1.0L && x <= 1.0L)) return false;  // a rounding error outside, or NaN
  if (x == -1.0L) {
    angle = kPi;
    return true;
  }
  angle = 2.0L * AtanNonNegative(std::sqrt((1.0L - x) / (1.0L + x)));
  return true;
}

}  // namespace

double GreatCircleStepKm(double lat1, double lon1, double lat2, double lon2) {
  if (lon1 - lon2 == 0.0 && lat1 - lat2 == 0.0) return 0.0;
  const long double phi1 = static_cast<long double>(lat1) * kPi / 180.0L;
  const long double phi2 = static_cast<long double>(lat2) * kPi / 180.0L;
  const long double dlambda =
      (static_cast<long double>(lon1) - static_cast<long double>(lon2)) * kPi / 180.0L;
  long double sin1 = 0, cos1 = 0, sin2 = 0, cos2 = 0, sinD = 0, cosD = 0;
  if (!SinCos(phi1, sin1, cos1) || !SinCos(phi2, sin2, cos2) || !SinCos(dlambda, sinD, cosD)) return 0.0;
  const long double x = sin1 * sin2 + cos1 * cos2 * cosD;
  long double arc = 0;
  if (!Acos(x, arc)) return 0.0;
  const long double km = arc * KmPerDegree * 180.0L / kPi;
  if (!std::isfinite(km)) return 0.0;
  return StoreDouble(km);
}

namespace {

// The index the next stored sample goes into, or -1 when it stores nothing: beyond what the store
// can hold nothing is stored.
std::int32_t BeginSample(ImportState& state) {
  if (state.SampleIndex == std::numeric_limits<std::int32_t>::max()) return -1;
  const std::int32_t i = ++state.SampleIndex;
  return i > SampleStore::MaxIndex ? -1 : i;
}

// Whether a value truncates into the record's byte fields.
bool FitsByte(double v) { return v > -1.0 && v < 256.0; }

// After the last channel of sample i: the distance filled from the positions when both this and
// the previous sample have them, else kept where it was, and never allowed to go back.
void EndSample(std::int32_t i, ImportState& state, SampleStore& samples) {
  if (i == 0) return;
  if (samples.GetDist(i) == 0.0) {
    const double lat1 = samples.GetLat(i - 1), lon1 = samples.GetLon(i - 1);
    const double lat2 = samples.GetLat(i), lon2 = samples.GetLon(i);
    if (lat1 != 0.0 && lon1 != 0.0 && lat2 != 0.0 && lon2 != 0.0) {
      state.LastDistance = StoreDouble(static_cast<long double>(state.LastDistance) +
                                       GreatCircleStepKm(lat1, lon1, lat2, lon2));
    }
    samples.SetDist(i, state.LastDistance);
  }
  // LastDistance keeps what the file said.
  const double previous = samples.GetDist(i - 1);
  if (previous > samples.GetDist(i)) samples.SetDist(i, previous);
}

// Whether a time offset is due a note: beyond the record's 32 bits, or below the caller's watch.
bool OffsetNoted(double v, const SampleWatch& watch) { return !FitsInt32(v) || v < watch.LeastTimeOffset; }

// The notes a value of the channel is due, once the compares on its path have found one: the
// file's text, the value read from it and the stored sample i. A kept offset is noted where it
// was read (at), every other value where the parse stands.
void NoteValue(ImportNotes& notes, Channel channel, double v, std::string_view text, std::int32_t i,
               const xml::Place* at = nullptr) {
  const SampleWatch& watch = notes.Watch;
  const auto note = [&](ImportNoteKind kind, std::string_view element, std::int64_t value = 0) {
    if (at != nullptr) {
      notes.NoteAt(*at, kind, element, text, value, i);
    } else {
      notes.Note(kind, element, text, value, i);
    }
  };
  switch (channel) {
    case Channel::TimeOffset:
      if (!FitsInt32(v)) note(ImportNoteKind::BeyondRecord, "timeoffset", TruncateToInt32(v));
      if (v < watch.LeastTimeOffset) note(ImportNoteKind::Watched, "timeoffset");
      break;
    case Channel::Hr:
      if (!FitsByte(v)) note(ImportNoteKind::BeyondRecord, "hr", TruncateToUInt8(v));
      if (v > watch.MostHeartRate) note(ImportNoteKind::Watched, "hr");
      break;
    case Channel::Cad: note(ImportNoteKind::BeyondRecord, "cad", TruncateToUInt8(v)); break;
    case Channel::Spd: note(ImportNoteKind::Watched, "spd"); break;
    case Channel::Pwr: note(v == 1.0 ? ImportNoteKind::PowerOfOneWatt : ImportNoteKind::Watched, "pwr"); break;
    case Channel::Lat: note(ImportNoteKind::Watched, "lat"); break;
    case Channel::Lon: note(ImportNoteKind::Watched, "lon"); break;
    default: break;
  }
}

// One channel element of sample i, its text as the element shows it (empty unless plain text).
// right is the last pwrright of this sample that converted; offsetSeen is set by a timeoffset.
// Each value takes a compare or two to tell whether a note is due; the notes are made elsewhere.
void ReadChannel(Channel channel, std::string_view text, std::int32_t i, std::int32_t& right, bool& offsetSeen,
                 ImportState& state, SampleStore& samples) {
  if (channel == Channel::PwrRight) {
    if (const std::optional<std::int32_t> r = ParseInteger(text)) right = *r;
    double balance = right;
    if (right > 0) {
      // The left pedal's share in percent; without a power to share there is no balance.
      const double power = samples.GetPwr(i);
      balance = power == 0.0 ? 0.0
                             : RoundHalfAway(StoreDouble((static_cast<long double>(power) - right) / power * 100.0L));
    }
    samples.SetPwrRight(i, balance);
    return;
  }
  double v = RealOrZero(text);
  const SampleWatch& watch = state.Notes.Watch;
  bool noted = false;
  switch (channel) {
    case Channel::TimeOffset:
      offsetSeen = true;
      noted = OffsetNoted(v, watch);
      samples.SetTimeOffset(i, TruncateToInt32(v));
      break;
    case Channel::Hr:
      noted = !FitsByte(v) || v > watch.MostHeartRate;
      samples.SetHr(i, TruncateToUInt8(v));
      break;
    case Channel::Spd: {
      const double kmh = StoreDouble(MetresPerSecondToKmh(v));
      noted = kmh > watch.FastestKmh;
      samples.SetSpd(i, kmh);
      break;
    }
    case Channel::Alt: samples.SetAlt(i, WholePart(v)); break;
    case Channel::Dist: {
      // A distance of 0 tells nothing of how far the workout has come (a ride recorded by GPS
      // alone may carry it in every sample): stored, but the fill goes on from the last one.
      const double km = StoreDouble(static_cast<long double>(v) / 1000.0L);
      if (samples.SetDist(i, km) && km != 0.0) state.LastDistance = km;
      break;
    }
    case Channel::Cad:
      noted = !FitsByte(v);
      samples.SetCad(i, TruncateToUInt8(v));
      break;
    case Channel::Pwr:
      noted = v == 1.0 || v > watch.MostPower;
      samples.SetPwr(i, v);
      break;
    case Channel::Lat:
      noted = std::fabs(v) > watch.MostLatitude;
      if (v == 0.0 && state.LastLatitude != 0.0) v = state.LastLatitude;
      state.LastLatitude = v;
      samples.SetLat(i, v);
      break;
    case Channel::Lon:
      noted = std::fabs(v) > watch.MostLongitude;
      if (v == 0.0 && state.LastLongitude != 0.0) v = state.LastLongitude;
      state.LastLongitude = v;
      samples.SetLon(i, v);
      break;
    case Channel::Temp: samples.SetTemp(i, v); break;
    case Channel::TorqueEffectivenessLeft: samples.SetTorqueEffectivenessLeft(i, WholePart(v)); break;
    case Channel::TorqueEffectivenessRight: samples.SetTorqueEffectivenessRight(i, WholePart(v)); break;
    case Channel::PedalSmoothnessLeft: samples.SetPedalSmoothnessLeft(i, WholePart(v)); break;
    case Channel::PedalSmoothnessRight: samples.SetPedalSmoothnessRight(i, WholePart(v)); break;
    case Channel::None:
    case Channel::PwrRight:
    case Channel::SampleText:  // the host's own
    case Channel::SampleByte: break;
  }
  if (noted) [[unlikely]] NoteValue(state.Notes, channel, v, text, i);
}

}  // namespace

void SampleReader::NoteOrder(std::int32_t offset) {
  // Counted first, so that the offset's text is made only for the first.
  ImportNotes& notes = state_.Notes;
  if (!notes.Counted(ImportNoteKind::OffsetNotAfter, "timeoffset")) {
    notes.Note(ImportNoteKind::OffsetNotAfter, "timeoffset", std::to_string(offset), lastOffset_, index_);
  }
}

void SampleReader::Open() {
  index_ = -1;
  stored_ = false;
  hasOffset_ = false;
  right_ = 0;
  static_assert(kChannelCount == kSampleStart, "one entry a channel");
  previous_ = kSampleStart;
}

void SampleReader::Store() {
  stored_ = true;
  index_ = BeginSample(state_);
  if (index_ < 0) [[unlikely]] {
    state_.Notes.Note(ImportNoteKind::SampleBeyondLimit, "sample");
    return;
  }
  if (!hasOffset_) return;
  samples_.SetTimeOffset(index_, offset_);
  if (heldNoted_) [[unlikely]] NoteValue(state_.Notes, Channel::TimeOffset, heldValue_, heldText_, index_, &heldPlace_);
}

void SampleReader::Field(const char* name, std::string_view text) {
  // A file names its channels in the same order in every sample, so the look starts where the
  // channel after the previous one was found last time, and mostly ends there: a day's import
  // 3.5-6% faster in the DLL than a look from the table's start; natively within 2% either way.
  const std::size_t at = ChannelEntry(name, following_[previous_]);
  if (at == kChannelCount) return;
  following_[previous_] = static_cast<std::uint8_t>(at);
  previous_ = static_cast<std::uint8_t>(at);
  const Channel channel = kChannels[at].Id;
  if (!stored_ && !TakeIndex(channel, text)) return;
  if (index_ < 0) return;
  ReadChannel(channel, text, index_, right_, hasOffset_, state_, samples_);
}

bool SampleReader::TakeIndex(Channel channel, std::string_view text) {
  // Until a reading comes, the sample may be none of the workout's instants.
  if (channel == Channel::TimeOffset) {
    const double v = RealOrZero(text);
    offset_ = TruncateToInt32(v);
    hasOffset_ = true;
    heldNoted_ = OffsetNoted(v, state_.Notes.Watch);
    if (heldNoted_) [[unlikely]] {
      heldValue_ = v;
      heldText_ = text;
      heldPlace_ = state_.Notes.Here();
    }
    return false;
  }
  if (!anyReading_) {
    // The samples kept so far had no reading after all: the store starts again from here.
    anyReading_ = true;
    if (keeping_) {
      const std::int64_t kept = std::int64_t{state_.SampleIndex} + 1;
      samples_.DropAll();
      state_.SampleIndex = -1;
      hasLastOffset_ = false;
      state_.Notes.ForgetSampleNotes();
      state_.Notes.NoteAt(keptPlace_, ImportNoteKind::SampleWithoutReading, "sample", {}, 0, -1, kept);
    }
  }
  Store();
  return true;
}

void SampleReader::Close() {
  if (!stored_) {
    if (anyReading_) {  // no reading: not stored, and the running values stay
      state_.Notes.Note(ImportNoteKind::SampleWithoutReading, "sample");
      return;
    }
    if (!keeping_) {
      keeping_ = true;
      keptPlace_ = state_.Notes.Here();
    }
    Store();
  }
  if (index_ < 0) return;
  if (hasOffset_) {
    const std::int32_t offset = samples_.GetTimeOffset(index_);
    if (hasLastOffset_ && offset <= lastOffset_) [[unlikely]] NoteOrder(offset);
    lastOffset_ = offset;
    hasLastOffset_ = true;
  }
  EndSample(index_, state_, samples_);
}

}  // namespace tessaly
