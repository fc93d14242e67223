#include "plot_svg.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <optional>
#include <limits>
#include <string_view>
#include <vector>

#include "printed_numbers.h"
#include "workout_figures.h"
#include "util/xml_text.h"

namespace tessaly::tool {
namespace {

// The picture's frame, in pixels.
constexpr double kWidth = 1200;
constexpr double kLeft = 76;    // room for the value labels
constexpr double kRight = 24;
constexpr double kTop = 74;     // title and subtitle
constexpr double kLapRow = 18;  // lap numbers above the first panel
constexpr double kPanelTitle = 22;
constexpr double kPanelHeight = 118;
constexpr double kPanelGap = 12;
constexpr double kBottom = 46;  // time labels and the axis name
constexpr double kPlotWidth = kWidth - kLeft - kRight;

struct Channel {
  const char* Id;
  const char* Name;
  const char* Unit;
  const char* Colour;
  bool ZeroIsNoValue;  // a heart rate of 0 is a missing reading, not a value
  bool FromZero;       // the scale starts at 0 (amounts), not at the lowest value (levels)
  double (*Value)(const ExerciseDataRecord&);
  // Drawn as the time a pace distance takes, faster higher up: km/h turned into pace.
  SpeedReading Pace = SpeedReading::KmPerHour;
};

double HeartRate(const ExerciseDataRecord& s) { return s.HeartRate; }
double Speed(const ExerciseDataRecord& s) { return s.Speed; }
double Power(const ExerciseDataRecord& s) { return s.Power; }
double Cadence(const ExerciseDataRecord& s) { return s.Cadence; }
double Altitude(const ExerciseDataRecord& s) { return s.Altitude; }

const Channel kChannels[] = {
    {"heart-rate", "Heart rate", "bpm", "#d62728", true, false, HeartRate},
    {"speed", "Speed", "km/h", "#1f77b4", false, true, Speed},
    {"power", "Power", "W", "#e377c2", false, true, Power},
    {"cadence", "Cadence", "rpm", "#9467bd", false, true, Cadence},
    {"altitude", "Altitude", "m", "#2ca02c", false, false, Altitude},
};
// Runners and swimmers read pace where others read speed; a standstill has no pace.
const Channel kPacePerKm = {"pace", "Pace", "min/km", "#1f77b4", true, false, Speed, SpeedReading::PacePerKm};
const Channel kPacePer100m = {"pace", "Pace", "min/100 m", "#1f77b4", true, false, Speed, SpeedReading::PacePer100m};

// Laps, in the table and on the route, in colours of their own, taken in turn.
constexpr const char* kLapColours[] = {"#1b9e77", "#d95f02", "#7570b3", "#e7298a",
                                       "#66a61e", "#e6ab02", "#a6761d", "#17becf"};
const char* LapColour(std::size_t index) { return kLapColours[index % std::size(kLapColours)]; }

// A coordinate: a tenth of a pixel is finer than any screen.
void AppendCoordinate(std::string& out, double v) {
  char buffer[32];
  const double tenths = std::round(v * 10.0) / 10.0;
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, tenths == 0.0 ? 0.0 : tenths);
  out.append(buffer, r.ptr);
}

std::string Coordinate(double v) {
  std::string out;
  AppendCoordinate(out, v);
  return out;
}

// Text as the content of an SVG element.
std::string SvgText(std::string_view text) {
  std::string out;
  AppendXmlEscaped(out, text);
  return out;
}

// h:mm, for the time axis from an hour on.
std::string HoursMinutes(double seconds) {
  const std::string clock = ClockText(seconds);
  return clock.substr(0, clock.size() - 3);
}

// A step of 1, 2 or 5 times a power of ten that cuts span into about `parts` pieces.
double NiceStep(double span, double parts) {
  const double raw = span / parts;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (const double m : {1.0, 2.0, 5.0}) {
    if (m * power >= raw) return m * power;
  }
  return 10.0 * power;
}

// Time ticks at steps a clock reader expects: seconds, minutes, quarter hours, hours.
double TimeStep(double span) {
  constexpr double kSteps[] = {1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200, 10800, 21600, 43200};
  for (const double step : kSteps) {
    if (span / step <= 10) return step;
  }
  return 86400 * std::ceil(span / 86400 / 10);
}

// Where an elapsed time and a value of one panel go in the picture.
struct Frame {
  double T0, T1;
  double X(double t) const { return kLeft + (t - T0) / (T1 - T0) * kPlotWidth; }
};

struct Panel {
  Channel C;  // a copy: the cadence's unit is the sport's
  double Top;
  double Lo, Hi, Step;  // the scale, Lo and Hi on a tick
  // A pace scale runs downwards: the fastest (the least time) at the top.
  double Y(double v) const {
    const double share = (v - Lo) / (Hi - Lo);
    return C.Pace != SpeedReading::KmPerHour ? Top + share * kPanelHeight : Top + kPanelHeight - share * kPanelHeight;
  }
};

// The line of one channel: one subpath per stretch without a gap, thinned to the lowest and the
// highest value of each pixel column (in the order they came), so a day of one-second samples
// keeps every peak and still weighs only a few points a column.
class Line {
 public:
  Line(const Frame& frame, const Panel& panel) : frame_(frame), panel_(panel) {}

  void Add(double t, double v) {
    const double px = frame_.X(t);
    const auto column = static_cast<long long>(std::floor(px));
    if (!open_ || column != column_) Flush();
    if (!open_) {
      Point({px, v});
      open_ = true;
      column_ = column;
      return;
    }
    if (!pending_) {
      column_ = column;
      low_ = high_ = {px, v};
      lowFirst_ = true;
      pending_ = true;
      return;
    }
    if (v < low_.v) {
      low_ = {px, v};
      lowFirst_ = false;
    }
    if (v > high_.v) {
      high_ = {px, v};
      lowFirst_ = true;
    }
  }

  // A gap: the next value starts a new stretch.
  void Break() {
    Flush();
    open_ = false;
  }

  std::string Path() {
    Break();
    return path_;
  }

 private:
  struct Sample {
    double x;
    double v;
  };

  void Point(Sample s) {
    path_ += open_ ? " " : (path_.empty() ? "M" : " M");
    AppendCoordinate(path_, s.x);
    path_ += ',';
    AppendCoordinate(path_, panel_.Y(s.v));
  }

  void Flush() {
    if (!pending_) return;
    const bool same = low_.x == high_.x && low_.v == high_.v;
    Point(lowFirst_ ? low_ : high_);
    if (!same) Point(lowFirst_ ? high_ : low_);
    pending_ = false;
  }

  const Frame& frame_;
  const Panel& panel_;
  std::string path_;
  bool open_ = false;     // a stretch is under way
  bool pending_ = false;  // low_ and high_ hold the current column
  bool lowFirst_ = true;
  long long column_ = 0;
  Sample low_{}, high_{};
};

bool Usable(const Channel& c, double v) { return std::isfinite(v) && !(c.ZeroIsNoValue && v == 0.0); }

// A value as drawn. Far beyond any real reading, values are held to a bound, so that no scale
// computed from them can overflow to an infinity.
double Drawn(double v) { return std::clamp(v, -1e300, 1e300); }

// The ticks from first on, step apart, up to last; a scale never has more than a few dozen.
std::vector<double> Ticks(double first, double last, double step) {
  std::vector<double> ticks;
  for (int k = 0; k < 64; ++k) {
    const double v = first + k * step;
    if (v > last) break;
    ticks.push_back(v);
  }
  return ticks;
}


// Below the panels: the route, the figures of the samples and the lap table.
constexpr double kRouteWidth = 520;
constexpr double kRouteHeight = 400;
constexpr double kRowHeight = 17;
constexpr std::size_t kMostLapRows = 40;  // more would only lengthen the picture; the rest are counted

// Where each lap ends on the elapsed time, in order; a lap without a usable end ends where the one
// before it did.
std::vector<double> LapEnds(const HostWorkout& w) {
  std::vector<double> ends;
  double end = -std::numeric_limits<double>::infinity();
  for (const LapDataRecord& lap : w.Laps) {
    const double written = lap.EndOffset;
    if (std::isfinite(written)) end = std::max(end, written);
    ends.push_back(end);
  }
  return ends;
}

// The route from the positions, north up, in an equirectangular projection whose east-west scale
// is the cosine of the mean latitude, so that a square of ground stays square away from the equator.
// Each lap is drawn in its colour; a gap in the recording breaks the line. Empty without two
// different positions.
std::string RouteSvg(const HostWorkout& w, const std::vector<bool>& stretchStarts, double left, double top) {
  double latSum = 0, latLo = 90, latHi = -90, lonLo = 180, lonHi = -180;
  std::size_t count = 0;
  for (const ExerciseDataRecord& s : w.Samples) {
    if (!HasPosition(s)) continue;
    latSum += s.Latitude;
    latLo = std::min(latLo, +s.Latitude);
    latHi = std::max(latHi, +s.Latitude);
    lonLo = std::min(lonLo, +s.Longitude);
    lonHi = std::max(lonHi, +s.Longitude);
    ++count;
  }
  if (count < 2 || (latHi - latLo < 1e-9 && lonHi - lonLo < 1e-9)) return "";
  const double east = std::cos(latSum / static_cast<double>(count) * 3.14159265358979323846 / 180);
  const double spanX = (lonHi - lonLo) * east, spanY = latHi - latLo;
  constexpr double kMargin = 16;
  const double scale = std::min((kRouteWidth - 2 * kMargin) / std::max(spanX, 1e-12),
                                (kRouteHeight - 2 * kMargin) / std::max(spanY, 1e-12));
  // Centred in the box.
  const double x0 = left + (kRouteWidth - spanX * scale) / 2, y0 = top + (kRouteHeight - spanY * scale) / 2;
  const auto X = [&](const ExerciseDataRecord& s) { return x0 + (s.Longitude - lonLo) * east * scale; };
  const auto Y = [&](const ExerciseDataRecord& s) { return y0 + (latHi - s.Latitude) * scale; };

  const std::vector<double> ends = LapEnds(w);
  std::vector<std::string> paths(ends.size() + 1);  // one per lap, the last for after the laps
  const ExerciseDataRecord* first = nullptr;
  const ExerciseDataRecord* last = nullptr;
  std::size_t lap = 0, lastLap = 0;
  double lastX = 0, lastY = 0;
  for (std::size_t k = 0; k < w.Samples.size(); ++k) {
    const ExerciseDataRecord& s = w.Samples[k];
    if (stretchStarts[k]) last = nullptr;
    if (!HasPosition(s)) continue;
    while (lap < ends.size() && s.TimeOffset > ends[lap]) ++lap;
    const double x = X(s), y = Y(s);
    std::string& path = paths[lap];
    if (last == nullptr || lap != lastLap) {
      // A new lap starts where the last one stopped, so that the route has no holes.
      path += path.empty() ? "M" : " M";
      if (last != nullptr) {
        path += Coordinate(lastX) + "," + Coordinate(lastY) + " L";
      }
    } else if (std::abs(x - lastX) < 0.7 && std::abs(y - lastY) < 0.7) {
      continue;  // finer than the picture shows
    } else {
      path += ' ';
    }
    path += Coordinate(x) + "," + Coordinate(y);
    if (first == nullptr) first = &s;
    last = &s;
    lastLap = lap;
    lastX = x;
    lastY = y;
  }
  const ExerciseDataRecord* end = nullptr;
  for (auto s = w.Samples.rbegin(); s != w.Samples.rend() && end == nullptr; ++s) {
    if (HasPosition(*s)) end = &*s;
  }

  std::string svg = "<g class=\"panel\" id=\"panel-route\">\n<text class=\"label\" x=\"" + Coordinate(left) +
                    "\" y=\"" + Coordinate(top - 7) +
                    "\" font-size=\"13\"><tspan font-weight=\"bold\" fill=\"#333\">Route</tspan><tspan fill=\"#666\">"
                    " (" + Fixed(spanY * 111.195, 1) + " km north to south)</tspan></text>\n";
  svg += "<rect x=\"" + Coordinate(left) + "\" y=\"" + Coordinate(top) + "\" width=\"" + Coordinate(kRouteWidth) +
         "\" height=\"" + Coordinate(kRouteHeight) + "\" fill=\"#fafafa\" stroke=\"#999\"/>\n";
  for (std::size_t j = 0; j < paths.size(); ++j) {
    if (paths[j].empty()) continue;
    svg += "<path d=\"" + paths[j] + "\" fill=\"none\" stroke=\"" +
           (j < ends.size() ? LapColour(j) : "#888888") +
           "\" stroke-width=\"2.5\" stroke-linejoin=\"round\" stroke-linecap=\"round\"/>\n";
  }
  svg += "<circle class=\"start\" cx=\"" + Coordinate(X(*first)) + "\" cy=\"" + Coordinate(Y(*first)) +
         "\" r=\"6\" fill=\"#2ca02c\" stroke=\"#fff\" stroke-width=\"2\"><title>start</title></circle>\n";
  svg += "<rect class=\"end\" x=\"" + Coordinate(X(*end) - 5) + "\" y=\"" + Coordinate(Y(*end) - 5) +
         "\" width=\"10\" height=\"10\" fill=\"#d62728\" stroke=\"#fff\" stroke-width=\"2\"><title>end</title></rect>\n";
  svg += "<text x=\"" + Coordinate(left + 8) + "\" y=\"" + Coordinate(top + kRouteHeight - 8) +
         "\" font-size=\"11\" fill=\"#555\">\u25cf start   \u25a0 end</text>\n</g>\n";
  return svg;
}

// The figures the samples show, a line each, under the heading that says so; a channel the workout
// does not have has no line. Returns the height.
double AppendFigures(std::string& svg, const HostWorkout& w, const SampleFigures& f, double left, double top) {
  const SpeedReading reading = SpeedReadingOf(w.Sport);
  std::vector<std::pair<std::string, std::string>> rows;
  if (const double distance = DistanceOf(w, f); distance > 0) rows.emplace_back("Distance", Fixed(distance, 2) + " km");
  rows.emplace_back("Time", ClockText(f.Span));
  if (const std::optional<double> average = AverageSpeed(w, f); f.Speed && average) {
    rows.emplace_back(reading == SpeedReading::KmPerHour ? "Speed" : "Pace",
                      "avg " + SpeedText(*average, reading) + (reading == SpeedReading::KmPerHour ? ", max " : ", best ") +
                          SpeedText(f.Speed->Max, reading) + " " + SpeedUnit(reading));
  }
  const auto maxAvg = [&](const char* name, const std::optional<MaxAvg>& v, const char* unit) {
    if (v) rows.emplace_back(name, "avg " + Fixed(v->Avg, 0) + ", max " + Fixed(v->Max, 0) + " " + unit);
  };
  maxAvg("Heart rate", f.HeartRate, "bpm");
  maxAvg("Power", f.Power, "W");
  maxAvg("Cadence", f.Cadence, CadenceUnit(w.Sport));
  if (f.AltitudeMin) {
    rows.emplace_back("Altitude", Fixed(*f.AltitudeMin, 0) + " to " + Fixed(*f.AltitudeMax, 0) + " m, ascent " +
                                      std::to_string(f.Ascent) + " m");
  }
  svg += "<g class=\"figures\" font-size=\"12\" fill=\"#333\">\n<text x=\"" + Coordinate(left) + "\" y=\"" +
         Coordinate(top) + "\" font-size=\"13\" font-weight=\"bold\">From the samples</text>\n";
  for (std::size_t k = 0; k < rows.size(); ++k) {
    const std::string y = Coordinate(top + static_cast<double>(k + 1) * kRowHeight + 4);
    svg += "<text x=\"" + Coordinate(left) + "\" y=\"" + y + "\" fill=\"#666\">" + rows[k].first + "</text><text x=\"" +
           Coordinate(left + 90) + "\" y=\"" + y + "\">" + SvgText(rows[k].second) + "</text>\n";
  }
  svg += "</g>\n";
  return static_cast<double>(rows.size() + 1) * kRowHeight + 12;
}

// The laps, a row each with the lap's colour; returns the height.
double AppendLapTable(std::string& svg, const HostWorkout& w, double left, double top) {
  if (w.Laps.empty()) return 0;
  const SpeedReading reading = SpeedReadingOf(w.Sport);
  // A column the laps do not have stays blank, its heading too; within one, a lap without a reading
  // reads "-".
  const LapColumns has = LapColumnsOf(w.Laps);
  const auto head = [](bool column, const char* text) { return column ? text : ""; };
  const char* const heads[] = {"Lap", "Time", head(has.Distance, "km"),
                               head(has.Speed || has.Distance,
                                    reading == SpeedReading::KmPerHour ? "km/h" : SpeedUnit(reading)),
                               head(has.HeartRate, "HR avg"), head(has.HeartRate, "HR max"), head(has.Power, "W avg"),
                               head(has.Cadence, "Cad avg")};
  constexpr double kColumns[] = {0, 60, 130, 185, 245, 300, 355, 410};
  const auto row = [&](double y, const std::vector<std::string>& cells) {
    for (std::size_t k = 0; k < cells.size(); ++k) {
      svg += "<text x=\"" + Coordinate(left + kColumns[k] + (k == 0 ? 16 : 40)) + "\" y=\"" + Coordinate(y) +
             "\" text-anchor=\"" + (k == 0 ? "start" : "end") + "\">" + cells[k] + "</text>";
    }
    svg += "\n";
  };
  svg += "<g class=\"lap-table\" font-size=\"12\" fill=\"#333\">\n<text x=\"" + Coordinate(left) + "\" y=\"" +
         Coordinate(top) + "\" font-size=\"13\" font-weight=\"bold\">Laps</text>\n<g fill=\"#666\">";
  row(top + kRowHeight, {heads, heads + std::size(heads)});
  svg += "</g>\n";
  const std::size_t shown = std::min(w.Laps.size(), kMostLapRows);
  const auto figure = [](bool column, double v) {
    return !column ? std::string() : v > 0 && std::isfinite(v) ? Fixed(v, 0) : std::string("-");
  };
  for (std::size_t j = 0; j < shown; ++j) {
    const LapDataRecord& l = w.Laps[j];
    const double y = top + static_cast<double>(j + 2) * kRowHeight;
    svg += "<rect x=\"" + Coordinate(left) + "\" y=\"" + Coordinate(y - 9) + "\" width=\"10\" height=\"10\" fill=\"" +
           LapColour(j) + "\"/>";
    row(y, {std::to_string(j + 1), ClockText(l.Duration), has.Distance ? Fixed(l.Distance, 2) : "",
            has.Speed || has.Distance ? SpeedText(l.AvgSpeed, reading) : "", figure(has.HeartRate, l.AvgHeartRate),
            figure(has.HeartRate, l.MaxHeartRate), figure(has.Power, l.AvgPower), figure(has.Cadence, l.AvgCadence)});
  }
  double height = static_cast<double>(shown + 2) * kRowHeight;
  if (shown < w.Laps.size()) {
    svg += "<text x=\"" + Coordinate(left) + "\" y=\"" + Coordinate(top + height) + "\" fill=\"#666\">and " +
           std::to_string(w.Laps.size() - shown) + " more laps (tessaly import --format csv --laps lists all)</text>\n";
    height += kRowHeight;
  }
  svg += "</g>\n";
  return height;
}

// The slowest pace drawn: slower than a stroll (2 km/h) or a float (0.6 km/h) is standing still.
constexpr double kSlowestPace = 1800;

// A channel's value at one sample as drawn (a pace in seconds for a pace channel); nullopt where
// the sample has no reading.
std::optional<double> DrawnValue(const Channel& c, double v) {
  if (!Usable(c, v)) return std::nullopt;
  if (c.Pace == SpeedReading::KmPerHour) return v;
  const std::optional<double> pace = PaceSeconds(v, c.Pace);
  if (!pace || *pace > kSlowestPace) return std::nullopt;
  return pace;
}

// Pace ticks at steps a clock reader expects, about four to a panel.
double PaceStep(double span) {
  constexpr double kSteps[] = {5, 10, 15, 30, 60, 120, 300, 600};
  for (const double step : kSteps) {
    if (span / step <= 5) return step;
  }
  return 1200;
}

// The readings of one channel, averaged over `seconds` around each sample (nothing for 0): within a
// stretch of the recording only, and only where the sample itself has a reading, so that gaps stay
// gaps. Speed is averaged before it becomes pace, as a pace average of a stop would be endless.
std::vector<std::optional<double>> Readings(const HostWorkout& w, const Channel& c, const std::vector<bool>& stretchStarts,
                                            double seconds) {
  const std::size_t n = w.Samples.size();
  std::vector<std::optional<double>> raw(n);
  for (std::size_t k = 0; k < n; ++k) {
    const double v = Drawn(c.Value(w.Samples[k]));
    if (DrawnValue(c, v)) raw[k] = v;  // a standstill would drag a pace average off the scale
  }
  if (seconds <= 0) return raw;
  std::vector<std::optional<double>> smooth(n);
  const auto time = [&](std::size_t k) { return static_cast<double>(w.Samples[k].TimeOffset); };
  for (std::size_t first = 0; first < n;) {
    std::size_t end = first + 1;
    while (end < n && !stretchStarts[end]) ++end;
    // A window [from, to) slides along the stretch with the sum of its readings.
    std::size_t from = first, to = first, count = 0;
    double sum = 0;
    for (std::size_t k = first; k < end; ++k) {
      while (to < end && time(to) <= time(k) + seconds / 2) {
        if (raw[to]) sum += *raw[to], ++count;
        ++to;
      }
      while (time(from) < time(k) - seconds / 2) {
        if (raw[from]) sum -= *raw[from], --count;
        ++from;
      }
      if (raw[k] && count > 0) smooth[k] = sum / static_cast<double>(count);
    }
    first = end;
  }
  return smooth;
}

}  // namespace

std::string PlotSvg(const HostWorkout& w, const PlotOptions& options) {
  // The elapsed time the picture spans: from the start to the last sample. Laps are drawn within
  // it; one that claims to end long after the recording would only squeeze the lines.
  double t0 = 0, t1 = 0;
  for (const ExerciseDataRecord& s : w.Samples) {
    t0 = std::min(t0, static_cast<double>(s.TimeOffset));
    t1 = std::max(t1, static_cast<double>(s.TimeOffset));
  }
  if (t1 <= t0) t1 = t0 + 60;
  const Frame frame{t0, t1};

  // A gap in the recording (a pause, a swimmer's rest) breaks the line rather than drawing across it.
  const double gapLimit = LongestStep(w);

  std::vector<bool> stretchStarts(w.Samples.size(), false);
  for (std::size_t k = 0; k < w.Samples.size(); ++k) {
    stretchStarts[k] = k == 0 || static_cast<double>(w.Samples[k].TimeOffset) -
                                         static_cast<double>(w.Samples[k - 1].TimeOffset) > gapLimit;
  }

  std::vector<Panel> panels;
  const double firstTop = kTop + (w.Laps.empty() ? 0 : kLapRow) + kPanelTitle;
  const SpeedReading reading = SpeedReadingOf(w.Sport);
  for (const Channel& channel : kChannels) {
    const Channel& c = channel.Value != Speed || reading == SpeedReading::KmPerHour ? channel
                       : reading == SpeedReading::PacePerKm                   ? kPacePerKm
                                                                              : kPacePer100m;
    double lo = std::numeric_limits<double>::infinity(), hi = -lo;
    bool present = false;
    for (const ExerciseDataRecord& s : w.Samples) {
      const std::optional<double> v = DrawnValue(c, Drawn(c.Value(s)));
      if (!v) continue;
      present = present || *v != 0.0;
      lo = std::min(lo, *v);
      hi = std::max(hi, *v);
    }
    if (!present) continue;
    if (c.Pace != SpeedReading::KmPerHour) {
      // A few readings at a stop or a jump of the position would squash the pace of the whole
      // workout into a strip: the scale spans the 2nd to the 98th percentile, the rest is held to
      // its edges.
      std::vector<double> paces;
      for (const ExerciseDataRecord& s : w.Samples) {
        if (const std::optional<double> v = DrawnValue(c, Drawn(c.Value(s)))) paces.push_back(*v);
      }
      std::sort(paces.begin(), paces.end());
      lo = paces[paces.size() * 2 / 100];
      hi = paces[paces.size() * 98 / 100];
    }
    if (c.FromZero) lo = std::min(lo, 0.0);
    if (hi - lo < 1e-9) {
      lo -= 1;
      hi += 1;
    }
    const double step = c.Pace != SpeedReading::KmPerHour ? PaceStep(hi - lo) : NiceStep(hi - lo, 4);
    const double top = firstTop + static_cast<double>(panels.size()) * (kPanelHeight + kPanelGap + kPanelTitle);
    Channel drawn = c;
    if (c.Value == Cadence) drawn.Unit = CadenceUnit(w.Sport);
    panels.push_back({drawn, top, std::floor(lo / step) * step, std::ceil(hi / step) * step, step});
  }
  const double plotBottom =
      panels.empty() ? firstTop + 40 : panels.back().Top + kPanelHeight;
  // Below the time axis: the route on the left, when there is one, the figures and the laps beside it.
  const double detailsTop = plotBottom + kBottom + 36;
  std::string details = RouteSvg(w, stretchStarts, kLeft, detailsTop);
  const bool hasRoute = !details.empty();  // "" for a workout without positions
  const double textLeft = hasRoute ? kLeft + kRouteWidth + 40 : kLeft;
  const SampleFigures figures = FiguresOfSamples(w);
  const double figuresHeight = AppendFigures(details, w, figures, textLeft, detailsTop - 7);
  const double tableHeight = AppendLapTable(details, w, textLeft, detailsTop - 7 + figuresHeight);
  const double height =
      detailsTop + std::max(hasRoute ? kRouteHeight : 0.0, figuresHeight + tableHeight) + 20;

  std::string svg;
  svg.reserve(64 * 1024);
  svg += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Coordinate(kWidth) + "\" height=\"" +
         Coordinate(height) + "\" viewBox=\"0 0 " + Coordinate(kWidth) + " " + Coordinate(height) +
         "\" font-family=\"Helvetica, Arial, sans-serif\" font-size=\"12\">\n";

  // Title: when, what, how far; below it how long and how much.
  const std::string start = DateTimeText(w.Summary.StartTime);
  const std::string when = start.size() >= 16 ? start.substr(0, 10) + " " + start.substr(11) : start;
  const double distance = DistanceOf(w, figures);
  const std::string title =
      when + "  \u00b7  " + w.Sport + (distance > 0 ? "  \u00b7  " + Fixed(distance, 2) + " km" : "");
  const double duration = w.Summary.Duration > 0 ? static_cast<double>(w.Summary.Duration) : t1 - t0;
  const std::string subtitle = "duration " + ClockText(duration) + "  \u00b7  " + std::to_string(w.Samples.size()) +
                               " samples  \u00b7  " + std::to_string(w.Laps.size()) +
                               (w.Laps.size() == 1 ? " lap" : " laps");
  svg += "<title>" + SvgText(title) + "</title>\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
  svg += "<text class=\"title\" x=\"" + Coordinate(kLeft) +
         "\" y=\"32\" font-size=\"20\" font-weight=\"bold\" fill=\"#222\">" +
         SvgText(title) + "</text>\n";
  svg += "<text class=\"subtitle\" x=\"" + Coordinate(kLeft) + "\" y=\"54\" font-size=\"13\" fill=\"#666\">" +
         SvgText(subtitle) + "</text>\n";

  // Lap bands: every other lap shaded, its number above the first panel where it fits.
  struct Band {
    double X0, X1;
    std::size_t Number;
  };
  std::vector<Band> bands;
  double lapStart = t0;
  for (std::size_t j = 0; j < w.Laps.size(); ++j) {
    const double written = w.Laps[j].EndOffset;
    const double end = std::isfinite(written) ? std::clamp(written, t0, t1) : lapStart;
    if (end > lapStart) bands.push_back({frame.X(lapStart), frame.X(end), j + 1});
    lapStart = std::max(lapStart, end);
  }
  if (!panels.empty() && !bands.empty()) {
    svg += "<g class=\"laps\" font-size=\"11\" fill=\"#666\" text-anchor=\"middle\">\n";
    svg += "<text x=\"" + Coordinate(kLeft - 6) + "\" y=\"" + Coordinate(kTop + 12) +
           "\" text-anchor=\"end\">lap</text>\n";
    for (const Band& b : bands) {
      const std::string number = std::to_string(b.Number);
      if (b.X1 - b.X0 >= 7.0 * static_cast<double>(number.size()) + 4) {
        svg += "<text x=\"" + Coordinate((b.X0 + b.X1) / 2) + "\" y=\"" + Coordinate(kTop + 12) + "\" fill=\"" +
               LapColour(b.Number - 1) + "\" font-weight=\"bold\">" + number + "</text>\n";
      }
    }
    svg += "</g>\n";
  }

  const double timeStep = TimeStep(t1 - t0);
  const std::vector<double> timeTicks = Ticks(std::ceil(t0 / timeStep) * timeStep, t1 + 1e-9, timeStep);
  // Under an hour the axis counts minutes and seconds, from an hour on hours and minutes.
  const bool underAnHour = t1 - t0 < 3600;
  const auto timeLabel = [&](double t) {
    return underAnHour ? MinutesText(t) : HoursMinutes(t);
  };

  for (const Panel& p : panels) {
    const Channel& c = p.C;
    svg += "<g class=\"panel\" id=\"panel-" + std::string(c.Id) + "\">\n";
    svg += "<text class=\"label\" x=\"" + Coordinate(kLeft) + "\" y=\"" + Coordinate(p.Top - 7) +
           "\" font-size=\"13\"><tspan font-weight=\"bold\" fill=\"" + c.Colour + "\">" + c.Name +
           "</tspan><tspan fill=\"#666\"> (" + c.Unit + ")</tspan></text>\n";
    for (std::size_t k = 0; k < bands.size(); k += 2) {
      svg += "<rect x=\"" + Coordinate(bands[k].X0) + "\" y=\"" + Coordinate(p.Top) + "\" width=\"" +
             Coordinate(bands[k].X1 - bands[k].X0) + "\" height=\"" + Coordinate(kPanelHeight) +
             "\" fill=\"#eef2f7\"/>\n";
    }
    // Lap ends as thin lines too, so that a lap too short for a band still shows.
    svg += "<g stroke=\"#b8c4d4\" stroke-width=\"1\">";
    for (const Band& b : bands) {
      if (b.X1 < kLeft + kPlotWidth - 0.5) {
        svg += "<line x1=\"" + Coordinate(b.X1) + "\" x2=\"" + Coordinate(b.X1) + "\" y1=\"" + Coordinate(p.Top) +
               "\" y2=\"" + Coordinate(p.Top + kPanelHeight) + "\"/>";
      }
    }
    svg += "</g>\n";
    // Grid and value labels.
    svg += "<g stroke=\"#e2e2e2\" stroke-width=\"1\">";
    const std::vector<double> ticks = Ticks(p.Lo, p.Hi + p.Step / 2, p.Step);
    for (const double v : ticks) {
      svg += "<line x1=\"" + Coordinate(kLeft) + "\" x2=\"" + Coordinate(kLeft + kPlotWidth) + "\" y1=\"" +
             Coordinate(p.Y(v)) + "\" y2=\"" + Coordinate(p.Y(v)) + "\"/>";
    }
    for (const double t : timeTicks) {
      svg += "<line x1=\"" + Coordinate(frame.X(t)) + "\" x2=\"" + Coordinate(frame.X(t)) + "\" y1=\"" +
             Coordinate(p.Top) + "\" y2=\"" + Coordinate(p.Top + kPanelHeight) + "\"/>";
    }
    svg += "</g>\n<g class=\"ticks\" font-size=\"11\" fill=\"#555\" text-anchor=\"end\">";
    const int decimals = p.Step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(p.Step) - 1e-9));
    for (const double v : ticks) {
      const std::string label = c.Pace != SpeedReading::KmPerHour ? MinutesText(v)
                                : Fixed(std::abs(v) < p.Step / 2 ? 0.0 : v, decimals);
      svg += "<text x=\"" + Coordinate(kLeft - 6) + "\" y=\"" + Coordinate(p.Y(v) + 4) + "\">" + label + "</text>";
    }
    svg += "</g>\n";

    // Smoothed, the readings as they came stay behind the line as a faint band of their extremes.
    const auto drawLine = [&](const std::vector<std::optional<double>>& readings, const char* cls, const char* extra) {
      Line line(frame, p);
      for (std::size_t k = 0; k < readings.size(); ++k) {
        const std::optional<double> v = readings[k] ? DrawnValue(c, *readings[k]) : std::nullopt;
        if (!v || stretchStarts[k]) line.Break();
        if (v) line.Add(w.Samples[k].TimeOffset, c.Pace != SpeedReading::KmPerHour ? std::clamp(*v, p.Lo, p.Hi) : *v);
      }
      svg += std::string("<path class=\"") + cls + "\" d=\"" + line.Path() + "\" fill=\"none\" stroke=\"" + c.Colour +
             "\" stroke-linejoin=\"round\"" + extra + "/>\n";
    };
    if (options.SmoothSeconds > 0) {
      drawLine(Readings(w, c, stretchStarts, 0), "envelope", " stroke-width=\"1\" stroke-opacity=\"0.22\"");
    }
    drawLine(Readings(w, c, stretchStarts, options.SmoothSeconds), "line", " stroke-width=\"1.3\"");
    svg += "<rect x=\"" + Coordinate(kLeft) + "\" y=\"" + Coordinate(p.Top) + "\" width=\"" + Coordinate(kPlotWidth) +
           "\" height=\"" + Coordinate(kPanelHeight) + "\" fill=\"none\" stroke=\"#999\"/>\n";
    svg += "</g>\n";
  }

  if (panels.empty()) {
    svg += "<text x=\"" + Coordinate(kLeft) + "\" y=\"" + Coordinate(firstTop + 20) +
           "\" font-size=\"14\" fill=\"#666\">No heart rate, speed, power, cadence or altitude in this workout."
           "</text>\n";
  } else {
    svg += "<g class=\"time\" font-size=\"11\" fill=\"#555\" text-anchor=\"middle\">";
    for (const double t : timeTicks) {
      svg += "<text x=\"" + Coordinate(frame.X(t)) + "\" y=\"" + Coordinate(plotBottom + 16) + "\">" +
             timeLabel(t) + "</text>";
    }
    svg += "</g>\n<text class=\"label\" x=\"" + Coordinate(kLeft + kPlotWidth / 2) + "\" y=\"" +
           Coordinate(plotBottom + 36) + "\" font-size=\"12\" fill=\"#444\" text-anchor=\"middle\">elapsed time (" +
           (underAnHour ? "m:ss" : "h:mm") + ")</text>\n";
  }
  svg += details;
  svg += "</svg>\n";
  return svg;
}

}  // namespace tessaly::tool
