#include "plot_svg.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>
#include <vector>

#include "printed_numbers.h"
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

std::string Fixed(double v, int decimals) {
  char buffer[64];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, decimals);
  return r.ec == std::errc() ? std::string(buffer, r.ptr) : ShortestText(v);
}

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

std::string Escaped(std::string_view text) {
  std::string out;
  AppendXmlEscaped(out, text);
  return out;
}

enum class ClockFormat { HoursMinutesSeconds, HoursMinutes, MinutesSeconds };

// A count of seconds as h:mm:ss, h:mm or m:ss: the first figure as it is, the others in two digits.
std::string Clock(double seconds, ClockFormat format) {
  const auto total = static_cast<long long>(std::llround(std::max(0.0, seconds)));
  const auto two = [](long long v) { return (v < 10 ? ":0" : ":") + std::to_string(v); };
  switch (format) {
    case ClockFormat::HoursMinutesSeconds: return std::to_string(total / 3600) + two(total / 60 % 60) + two(total % 60);
    case ClockFormat::HoursMinutes: return std::to_string(total / 3600) + two(total / 60 % 60);
    default: return std::to_string(total / 60) + two(total % 60);
  }
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
  const Channel* C;
  double Top;
  double Lo, Hi, Step;  // the scale, Lo and Hi on a tick
  double Y(double v) const { return Top + kPanelHeight - (v - Lo) / (Hi - Lo) * kPanelHeight; }
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

}  // namespace

std::string PlotSvg(const Workout& w) {
  // The elapsed time the picture spans: from the start to the last sample. Laps are drawn within
  // it; one that claims to end long after the recording would only squeeze the lines.
  double t0 = 0, t1 = 0;
  for (const ExerciseDataRecord& s : w.Samples) {
    t0 = std::min(t0, static_cast<double>(s.TimeOffset));
    t1 = std::max(t1, static_cast<double>(s.TimeOffset));
  }
  if (t1 <= t0) t1 = t0 + 60;
  const Frame frame{t0, t1};

  // A gap in the recording (a pause) breaks the line rather than drawing across it.
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
  const double gapLimit = std::max(10 * usual, 60.0);

  std::vector<Panel> panels;
  const double firstTop = kTop + (w.Laps.empty() ? 0 : kLapRow) + kPanelTitle;
  for (const Channel& c : kChannels) {
    double lo = std::numeric_limits<double>::infinity(), hi = -lo;
    bool present = false;
    for (const ExerciseDataRecord& s : w.Samples) {
      const double v = Drawn(c.Value(s));
      if (!Usable(c, v)) continue;
      present = present || v != 0.0;
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
    if (!present) continue;
    if (c.FromZero) lo = std::min(lo, 0.0);
    if (hi - lo < 1e-9) {
      lo -= 1;
      hi += 1;
    }
    const double step = NiceStep(hi - lo, 4);
    const double top = firstTop + static_cast<double>(panels.size()) * (kPanelHeight + kPanelGap + kPanelTitle);
    panels.push_back({&c, top, std::floor(lo / step) * step, std::ceil(hi / step) * step, step});
  }
  const double plotBottom =
      panels.empty() ? firstTop + 40 : panels.back().Top + kPanelHeight;
  const double height = plotBottom + kBottom;

  std::string svg;
  svg.reserve(64 * 1024);
  svg += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Coordinate(kWidth) + "\" height=\"" +
         Coordinate(height) + "\" viewBox=\"0 0 " + Coordinate(kWidth) + " " + Coordinate(height) +
         "\" font-family=\"Helvetica, Arial, sans-serif\" font-size=\"12\">\n";

  // Title: when, what, how far; below it how long and how much.
  const std::string start = CalendarText(w.Summary.StartTime);
  const std::string when = start.size() >= 16 ? start.substr(0, 10) + " " + start.substr(11) : start;
  const std::string title = when + "  \u00b7  " + w.Sport + "  \u00b7  " +
                            Fixed(w.Summary.Distance, 2) + " km";
  const double duration = w.Summary.Duration > 0 ? static_cast<double>(w.Summary.Duration) : t1 - t0;
  const std::string subtitle = "duration " + Clock(duration, ClockFormat::HoursMinutesSeconds) + "  \u00b7  " + std::to_string(w.Samples.size()) +
                               " samples  \u00b7  " + std::to_string(w.Laps.size()) +
                               (w.Laps.size() == 1 ? " lap" : " laps");
  svg += "<title>" + Escaped(title) + "</title>\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
  svg += "<text class=\"title\" x=\"" + Coordinate(kLeft) +
         "\" y=\"32\" font-size=\"20\" font-weight=\"bold\" fill=\"#222\">" +
         Escaped(title) + "</text>\n";
  svg += "<text class=\"subtitle\" x=\"" + Coordinate(kLeft) + "\" y=\"54\" font-size=\"13\" fill=\"#666\">" +
         Escaped(subtitle) + "</text>\n";

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
        svg += "<text x=\"" + Coordinate((b.X0 + b.X1) / 2) + "\" y=\"" + Coordinate(kTop + 12) + "\">" + number +
               "</text>\n";
      }
    }
    svg += "</g>\n";
  }

  const double timeStep = TimeStep(t1 - t0);
  const std::vector<double> timeTicks = Ticks(std::ceil(t0 / timeStep) * timeStep, t1 + 1e-9, timeStep);
  // Under an hour the axis counts minutes and seconds, from an hour on hours and minutes.
  const bool underAnHour = t1 - t0 < 3600;
  const auto timeLabel = [&](double t) {
    return Clock(t, underAnHour ? ClockFormat::MinutesSeconds : ClockFormat::HoursMinutes);
  };

  for (const Panel& p : panels) {
    const Channel& c = *p.C;
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
      svg += "<text x=\"" + Coordinate(kLeft - 6) + "\" y=\"" + Coordinate(p.Y(v) + 4) + "\">" +
             Fixed(std::abs(v) < p.Step / 2 ? 0.0 : v, decimals) + "</text>";
    }
    svg += "</g>\n";

    Line line(frame, p);
    double previous = -std::numeric_limits<double>::infinity();
    for (const ExerciseDataRecord& s : w.Samples) {
      const double t = s.TimeOffset;
      const double v = Drawn(c.Value(s));
      if (!Usable(c, v) || t - previous > gapLimit) line.Break();
      previous = t;
      if (Usable(c, v)) line.Add(t, v);
    }
    svg += "<path class=\"line\" d=\"" + line.Path() + "\" fill=\"none\" stroke=\"" + c.Colour +
           "\" stroke-width=\"1.3\" stroke-linejoin=\"round\"/>\n";
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
  svg += "</svg>\n";
  return svg;
}

}  // namespace tessaly::tool
