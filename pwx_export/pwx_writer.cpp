#include "pwx_export/pwx_writer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "exercise/lap_statistics.h"
#include "platform/codepage.h"
#include "util/conversions.h"
#include "util/date_time.h"
#include "util/file_name.h"
#include "util/number_format.h"
#include "util/sport_types.h"
#include "util/units.h"
#include "util/xml_text.h"
#include "tessaly_version.h"

namespace tessaly {
namespace {

// The PWX 1.0 namespace other PWX readers expect, and its schema on the same host.
constexpr PwxLinePattern kRootStartTag{
    "<pwx xmlns=\"http://www.peaksware.com/PWX/1/0\""
    " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
    " xsi:schemaLocation=\"http://www.peaksware.com/PWX/1/0 http://www.peaksware.com/PWX/1/0/pwx.xsd\""
    " version=\"1.0\" creator=\"" TESSALY_PWX_CREATOR "\">"};

// The stores keep km/h and km; PWX carries m/s and metres.
double KmToMetres(double km) { return km * 1000.0; }
// The summary keeps its speeds in tenths of km/h.
double TenthsKmhToMetresPerSecond(std::int32_t tenths) {
  return KmhToMetresPerSecond(static_cast<double>(tenths) / 10.0);
}

// NaN and the infinities are no number any PWX reader takes: the document carries 0 instead.
double Finite(double v) { return std::isfinite(v) ? v : 0.0; }

// The whole watts a sample's <pwr> line shows, read back from the line's own text.
double WrittenWholeWatts(double power) {
  char text[kMaxFixedLength];
  const char* const end = WriteFixed(text, Finite(power), 0);
  double watts = 0.0;
  std::from_chars(text, end, watts);
  return watts;
}

// Length of the UTF-8 sequence whose lead byte is b (1 for a stray continuation byte).
std::size_t SequenceLength(unsigned char b) {
  if (b >= 0xF0) return 4;
  if (b >= 0xE0) return 3;
  if (b >= 0xC0) return 2;
  return 1;
}

// Whether the UTF-8 sequence is a character no XML 1.0 document may hold: a C0 control other
// than tab, LF and CR, a surrogate, U+FFFE or U+FFFF.
bool ForbiddenInXml(std::string_view sequence) {
  const auto b = [&](std::size_t k) { return static_cast<unsigned char>(sequence[k]); };
  if (sequence.size() == 1) return b(0) < 0x20 && b(0) != '\t' && b(0) != '\n' && b(0) != '\r';
  if (sequence.size() != 3) return false;
  if (b(0) == 0xED) return b(1) >= 0xA0;                      // U+D800 to U+DFFF
  return b(0) == 0xEF && b(1) == 0xBF && b(2) >= 0xBE;        // U+FFFE, U+FFFF
}

// The sample channels a workout has. A channel that is 0 in every sample (or no number, which is
// written as 0) was never recorded, and its lines would hand readers a flat reading of 0 (a heart
// rate of 0 all through a run without a strap); positions of 0,0 and power below a watt are left
// out the same way.
struct SampleChannelsWritten {
  bool Hr = false, Spd = false, Cad = false, Dist = false, Alt = false, Temp = false;
  bool Power = false;  // one short burst in a workout of zeros still counts
};

SampleChannelsWritten ChannelsToWrite(const SampleStore& samples) {
  SampleChannelsWritten w;
  // Samples with and without a position or pedal figure, the lines written only where there is one.
  bool bare = false, covered = false;
  const std::int32_t count = samples.Count();
  for (std::int32_t i = 0; i < count; ++i) {
    const bool own = samples.GetLat(i) != 0.0 || samples.GetLon(i) != 0.0 ||
                     samples.GetTorqueEffectivenessLeft(i) > 0.0 || samples.GetTorqueEffectivenessRight(i) > 0.0 ||
                     samples.GetPedalSmoothnessLeft(i) > 0.0 || samples.GetPedalSmoothnessRight(i) > 0.0;
    if (own) {
      covered = true;
    } else {
      bare = true;
    }
    w.Hr = w.Hr || samples.GetHr(i) != 0;
    w.Spd = w.Spd || Finite(samples.GetSpd(i)) != 0.0;
    w.Cad = w.Cad || samples.GetCad(i) != 0;
    w.Dist = w.Dist || Finite(samples.GetDist(i)) != 0.0;
    w.Alt = w.Alt || Finite(samples.GetAlt(i)) != 0.0;
    w.Temp = w.Temp || Finite(samples.GetTemp(i)) != 0.0;
    w.Power = w.Power || Finite(samples.GetPwr(i)) >= 1.0;
  }
  // A reader drops a sample with no reading at all when others have one. Where only positions or
  // pedal figures would be written, the distance, 0 throughout, keeps every sample.
  if (bare && covered && !(w.Hr || w.Spd || w.Cad || w.Alt || w.Temp || w.Power)) w.Dist = true;
  return w;
}

}  // namespace

void PwxLineWriter::Append(std::string_view text) {
  if (text.size() > kPieceBytes - size_) {
    HandOn();
    if (text.size() > kPieceBytes) {
      written_ = written_ && sink_.Write(text);
      return;
    }
  }
  std::memcpy(data_.get() + size_, text.data(), text.size());
  size_ += text.size();
}

void PwxLineWriter::HandOn() {
  written_ = written_ && sink_.Write({data_.get(), size_});
  size_ = 0;
}

bool PwxLineWriter::Finish() {
  if (size_ > 0) HandOn();
  return written_;
}

std::string PwxTargetPath(std::string_view target) {
  if (FileNameStart(target) == target.size()) return {};  // empty, or a folder (a trailing separator)
  const std::size_t dot = ExtensionStart(target);
  std::string path(dot == std::string_view::npos ? target : target.substr(0, dot));
  path += ".pwx";
  return path;
}

std::string XmlCharacterData(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const std::size_t n = std::min(SequenceLength(static_cast<unsigned char>(utf8[i])), utf8.size() - i);
    const std::string_view sequence = utf8.substr(i, n);
    i += n;
    if (!ForbiddenInXml(sequence)) AppendXmlEscaped(out, sequence);
  }
  return out;
}

// Filtered after the conversion, so that what the host's code page turns into a forbidden
// character is caught the same way on every system.
std::string XmlElementText(std::string_view hostText) { return XmlCharacterData(platform::HostTextToUtf8(hostText)); }

namespace {

// Each CR LF pair as one space.
std::string CrLfToSpaces(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      out += ' ';
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

void WriteDocument(const Workout& workout, PwxLineWriter& w) {
  const LogSummaryRecord summary = workout.Summary;  // a plain copy: the record is packed
  const SampleStore& samples = workout.Samples;
  const LapStore& laps = workout.Laps;
  const std::int32_t sampleCount = samples.Count();
  const std::int32_t lapCount = laps.Count();
  const CadencePowerTotals totals = ComputeCadencePowerTotals(samples);
  const PwxDateTimeText start = FormatPwxDateTime(summary.StartTime);
  // Each channel the workout has is written in every sample, zeros included.
  const SampleChannelsWritten written = ChannelsToWrite(samples);
  const bool withPower = written.Power;

  // Header.
  w.line<"<?xml version=\"1.0\" encoding=\"UTF-8\"?>">();
  w.line<kRootStartTag>();
  w.line<"  <workout>">();
  if (!workout.UserName.empty()) {
    w.line<"    <athlete>">();
    w.line<"      <name>%s</name>">(XmlElementText(workout.UserName));
    w.line<"    </athlete>">();
  }
  w.line<"    <sportType>%s</sportType>">(SportTextOfExportCode(summary.SportType));
  w.line<"    <cmt>%s</cmt>">(XmlElementText(workout.Comment));
  w.line<"    <device id=\"\">">();
  w.line<"      <make>Brelvik</make>">();
  w.line<"      <model>Corvanta Pro</model>">();
  w.line<"    </device>">();
  w.line<"    <time>%sT%s</time>">(std::string_view(start.Date), std::string_view(start.Time));

  // Workout summary.
  w.line<"    <summarydata>">();
  w.line<"      <beginning>%.3f</beginning>">(sampleCount > 0 ? static_cast<double>(samples.GetTimeOffset(0)) : 0.0);
  w.line<"      <duration>%.3f</duration>">(static_cast<double>(summary.Duration));
  if (summary.MaxHeartRate > 0 && summary.AvgHeartRate > 0) {
    w.line<"      <hr max=\"%.3f\" min=\"%.3f\" avg=\"%.3f\"/>">(static_cast<double>(summary.MaxHeartRate), 0.0, static_cast<double>(summary.AvgHeartRate));
  }
  if (summary.MaxSpeed > 0 && summary.AvgSpeed > 0) {
    w.line<"      <spd max=\"%.3f\" min=\"%.3f\" avg=\"%.3f\"/>">(TenthsKmhToMetresPerSecond(summary.MaxSpeed), 0.0, TenthsKmhToMetresPerSecond(summary.AvgSpeed));
  }
  if (withPower) {
    w.line<"      <pwr max=\"%.3f\" min=\"%.3f\" avg=\"%.3f\"/>">(static_cast<double>(totals.MaxPower), 0.0, static_cast<double>(totals.AvgPower));
  }
  if (totals.MaxCadence != 0 && totals.AvgCadence != 0) {
    w.line<"      <cad max=\"%.3f\" min=\"%.3f\" avg=\"%.3f\"/>">(static_cast<double>(totals.MaxCadence), 0.0, static_cast<double>(totals.AvgCadence));
  }
  w.line<"      <dist>%.2f</dist>">(KmToMetres(summary.Distance));
  w.line<"      <climbingelevation>%.1f</climbingelevation>">(static_cast<double>(summary.Ascent));
  w.line<"      <descendingelevation>%.1f</descendingelevation>">(static_cast<double>(summary.Descent));
  w.line<"    </summarydata>">();

  // Laps, numbered from 1 in store order.
  for (std::int32_t j = 0; j < lapCount; ++j) {
    LapDataRecord lap;
    laps.GetLap(j, lap);
    w.line<"    <segment>">();
    w.line<"      <name>Lap %d</name>">(j + 1);
    w.line<"      <summarydata>">();
    w.line<"        <beginning>%.3f</beginning>">(lap.EndOffset - lap.Duration);
    w.line<"        <duration>%.3f</duration>">(lap.Duration);
    if (lap.MaxHeartRate > 0 && lap.AvgHeartRate > 0) {
      w.line<"        <hr max=\"%.3f\" min=\"%.3f\" avg=\"%.3f\"/>">(static_cast<double>(lap.MaxHeartRate), 0.0, static_cast<double>(lap.AvgHeartRate));
    }
    if (lap.MaxSpeed > 0.0 && lap.AvgSpeed > 0.0) {
      w.line<"        <spd max=\"%.3f\" min=\"%.3f\" avg=\"%.3f\"/>">(KmhToMetresPerSecond(lap.MaxSpeed), 0.0, KmhToMetresPerSecond(lap.AvgSpeed));
    }
    if (lap.MaxPower > 0.0 && lap.AvgPower > 0.0) {
      w.line<"        <pwr max=\"%.3f\" min=\"%.3f\" avg=\"%.3f\"/>">(lap.MaxPower, 0.0, lap.AvgPower);
    }
    if (lap.MaxCadence > 0 && lap.AvgCadence > 0) {
      w.line<"        <cad max=\"%.3f\" min=\"%.3f\" avg=\"%.3f\"/>">(static_cast<double>(lap.MaxCadence), 0.0, static_cast<double>(lap.AvgCadence));
    }
    w.line<"        <dist>%.2f</dist>">(KmToMetres(lap.Distance));
    w.line<"      </summarydata>">();
    w.line<"    </segment>">();
  }

  // Samples.
  for (std::int32_t i = 0; i < sampleCount; ++i) {
    w.line<"    <sample>">();
    w.line<"      <timeoffset>%.3f</timeoffset>">(static_cast<double>(samples.GetTimeOffset(i)));
    if (written.Hr) w.line<"      <hr>%d</hr>">(samples.GetHr(i));
    if (written.Spd) w.line<"      <spd>%.3f</spd>">(KmhToMetresPerSecond(samples.GetSpd(i)));
    if (withPower) {
      const double power = samples.GetPwr(i);
      w.line<"      <pwr>%.0f</pwr>">(power);
      // PWX readers take pwrright for the right pedal's watts: its share of the power as written.
      // Without a balance or without power on the line there are no right pedal's watts.
      if (const double balance = Finite(samples.GetPwrRight(i)); balance > 0.0) {
        if (const double watts = WrittenWholeWatts(power); watts > 0.0) {
          w.line<"      <pwrright>%d</pwrright>">(RoundHalfAway(watts * PedalBalanceToRightShare(balance) / 100.0));
        }
      }
    }
    if (const double v = samples.GetTorqueEffectivenessLeft(i); v > 0.0)
      w.line<"      <torque_effectiveness_left>%d</torque_effectiveness_left>">(TruncateToInt64(Finite(v)));
    if (const double v = samples.GetTorqueEffectivenessRight(i); v > 0.0)
      w.line<"      <torque_effectiveness_right>%d</torque_effectiveness_right>">(TruncateToInt64(Finite(v)));
    if (const double v = samples.GetPedalSmoothnessLeft(i); v > 0.0)
      w.line<"      <pedal_smoothness_left>%d</pedal_smoothness_left>">(TruncateToInt64(Finite(v)));
    if (const double v = samples.GetPedalSmoothnessRight(i); v > 0.0)
      w.line<"      <pedal_smoothness_right>%d</pedal_smoothness_right>">(TruncateToInt64(Finite(v)));
    if (written.Cad) w.line<"      <cad>%d</cad>">(samples.GetCad(i));
    if (written.Dist) w.line<"      <dist>%.2f</dist>">(KmToMetres(samples.GetDist(i)));
    // Both exactly 0 is a sample without a position, not one at 0 degrees, 0 degrees.
    if (const double lat = samples.GetLat(i), lon = samples.GetLon(i); lat != 0.0 || lon != 0.0) {
      w.line<"      <lat>%.6f</lat>">(lat);
      w.line<"      <lon>%.6f</lon>">(lon);
    }
    if (written.Alt) w.line<"      <alt>%.2f</alt>">(samples.GetAlt(i));
    if (written.Temp) w.line<"      <temp>%.1f</temp>">(samples.GetTemp(i));
    w.line<"    </sample>">();
  }

  // Trailer.
  w.line<"    <extension>">();
  if (lapCount > 0) w.line<"      <laps>%d</laps>">(lapCount);
  if (summary.Calories > 0) w.line<"      <calories>%d</calories>">(summary.Calories);
  w.line<"      <points>%d</points>">(sampleCount);
  w.line<"    </extension>">();
  w.line<"  </workout>">();
  w.line<"</pwx>">();
}

}  // namespace

bool WritePwxDocument(Workout& workout, DateTime now, PwxSink& sink) {
  // The export's two lasting marks on the workout, made before any line is written.
  workout.Comment = CrLfToSpaces(workout.Comment);
  if (workout.Summary.StartTime == 0.0) workout.Summary.StartTime = now;
  PwxLineWriter w(sink);
  WriteDocument(workout, w);
  return w.Finish();
}

}  // namespace tessaly
