#include "diagnosis.h"

#include <expat.h>

#include <algorithm>
#include <fstream>
#include <new>
#include <string_view>

#include "platform/file_system.h"
#include "plugin_api.h"
#include "printed_numbers.h"
#include "pwx_import/xml_parser.h"
#include "util/ascii.h"
#include "util/date_time.h"
#include "util/float_environment.h"

namespace tessaly::tool {
namespace {

// Values no sensor gives: the tool's own judgement, which the read watches for.
constexpr double kFastestKmh = 500.0;
constexpr double kMostWatts = 3000.0;
constexpr double kMostHeartRate = 250.0;
constexpr int kEarliestYear = 1980;  // before any device recorded workouts
constexpr SampleWatch kNoSensorGives{.FastestKmh = kFastestKmh,
                                     .MostPower = kMostWatts,
                                     .MostHeartRate = kMostHeartRate,
                                     .MostLatitude = 90.0,
                                     .MostLongitude = 180.0,
                                     .LeastTimeOffset = 0.0};
// Many samples of exactly 1 W among ones above it: at least this many, and one in this many of
// the samples with power.
constexpr std::int64_t kManyOneWatt = 10;
constexpr std::int64_t kOneWattShare = 20;

constexpr const char kWebPage[] =
    "this is a web page (HTML), not a workout file: save the workout file itself, not the page that shows it";

bool IsName(std::string_view written, std::string_view lower) { return EqualsLowerAscii(written, lower); }

std::string Where(const std::string& path, xml::Place place) {
  return path + ":" + std::to_string(place.Line) + ":" + std::to_string(place.Column);
}

// What follows the path: the plain words, then the detail in parentheses when there is one.
std::string Explained(const std::string& path, const std::string& plain, const std::string& detail = "") {
  return path + ": " + plain + (detail.empty() ? "" : " (" + detail + ")");
}

// The text made safe to show on one line.
std::string Shown(std::string_view text) {
  text = Trimmed(text);
  constexpr std::size_t kLongest = 60;
  std::string shown;
  for (const char c : text.substr(0, kLongest)) shown += static_cast<unsigned char>(c) < ' ' ? '?' : c;
  if (text.size() > kLongest) shown += "...";
  return shown;
}

// The start of a file, enough to tell what kind of file it is.
struct FileHead {
  std::string Bytes;
  bool Whole = false;  // the file holds no more than this
};

FileHead ReadHead(const std::string& path) {
  FileHead head;
  platform::FileReader in(path.c_str());
  char buffer[1024];
  std::size_t got = 0;
  for (std::size_t n = 1; got < sizeof buffer && n > 0; got += n) n = in.Read(buffer + got, sizeof buffer - got);
  head.Bytes.assign(buffer, got);
  head.Whole = head.Bytes.size() < sizeof buffer;
  return head;
}

std::string Lower(std::string_view text) {
  std::string lower;
  for (const char c : text) lower += LowerAscii(c);
  return lower;
}

bool StartsWith(std::string_view text, std::string_view start) { return text.substr(0, start.size()) == start; }

// The head without a UTF-8 byte order mark and leading blanks.
std::string_view Content(std::string_view head) {
  if (StartsWith(head, "\xEF\xBB\xBF")) head.remove_prefix(3);
  while (!head.empty() && static_cast<unsigned char>(head.front()) <= ' ') head.remove_prefix(1);
  return head;
}

// The encoding the XML declaration names; empty without one.
std::string DeclaredEncoding(std::string_view head) {
  if (StartsWith(head, "\xEF\xBB\xBF")) head.remove_prefix(3);
  if (!StartsWith(head, "<?xml")) return "";
  head = head.substr(0, head.find("?>"));
  const std::size_t at = head.find("encoding");
  if (at == std::string_view::npos) return "";
  const std::size_t open = head.find_first_of("\"'", at);
  if (open == std::string_view::npos) return "";
  const std::size_t close = head.find(head[open], open + 1);
  return std::string(head.substr(open + 1, close == std::string_view::npos ? close : close - open - 1));
}

// Whether bytes hold a sequence that is not UTF-8 (overlong forms and surrogates aside).
bool HasNonUtf8(std::string_view bytes) {
  for (std::size_t k = 0; k < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[k]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3
                                                 : lead >= 0xF0 && lead < 0xF5 ? 4 : 0;
    if (length == 0 || k + length > bytes.size()) return true;
    for (std::size_t n = 1; n < length; ++n) {
      if ((static_cast<unsigned char>(bytes[k + n]) & 0xC0) != 0x80) return true;
    }
    k += length;
  }
  return false;
}

// Line number (from 1) of the file, without its line end; empty past the end.
std::string LineOf(const std::string& path, unsigned long number) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  for (unsigned long n = 1; std::getline(in, line); ++n) {
    if (n == number) return line;
  }
  return "";
}

// Plain words for a document expat does not take.
std::string NotWellFormed(const std::string& path, const xml::LoadFailure& failure, const FileHead& head) {
  const xml::Place at = failure.At;
  const std::string detail = Where(path, at) + ": " + failure.ParserWords;
  const std::string encoding = DeclaredEncoding(head.Bytes);
  switch (failure.ParserError) {
    case XML_ERROR_NO_ELEMENTS:
    case XML_ERROR_UNCLOSED_TOKEN:
    case XML_ERROR_UNCLOSED_CDATA_SECTION:
      return Explained(path, "the file ends early, as an incomplete copy or download does: copy or download it again",
                       detail);
    case XML_ERROR_MISPLACED_XML_PI:
      return Explained(path, "something stands before <?xml: remove it, the file must start with <?xml", detail);
    case XML_ERROR_UNKNOWN_ENCODING:
      return Explained(path, "the file declares a text encoding the plug-in does not read (\"" + Shown(encoding) +
                                 "\"): save it as UTF-8",
                       detail);
    case XML_ERROR_INCORRECT_ENCODING:
      return Explained(path, "the text encoding is wrong, at line " + std::to_string(at.Line) +
                                 ": the file is not in the encoding it declares; save it as UTF-8",
                       detail);
    case XML_ERROR_INVALID_TOKEN:
    case XML_ERROR_PARTIAL_CHAR:
      if ((encoding.empty() || IsName(encoding, "utf-8")) && HasNonUtf8(LineOf(path, at.Line))) {
        return Explained(path, "the text encoding is wrong, at line " + std::to_string(at.Line) +
                                   ": the file is read as UTF-8 but is not; save it as UTF-8 or declare the "
                                   "encoding it is in, such as encoding=\"windows-1252\"",
                         detail);
      }
      break;
    default: break;
  }
  // Text before the declaration that expat reads as a misplaced document.
  if (!StartsWith(Content(head.Bytes), "<?xml") && head.Bytes.find("<?xml") != std::string::npos) {
    return Explained(path, "something stands before <?xml: remove it, the file must start with <?xml", detail);
  }
  return Explained(path, "the file is not well-formed XML, so it is damaged or no PWX file: get it again", detail);
}

// What the head alone tells: nothing to read, compressed data, a web page.
std::string KindOfFile(const std::string& path, const FileHead& head) {
  const std::string_view content = Content(head.Bytes);
  if (content.empty() && head.Whole) return Explained(path, "the file is empty: there is nothing in it to import");
  // What the tool unpacks itself never gets here: this is gzip data inside gzip data.
  if (StartsWith(head.Bytes, "\x1F\x8B")) {
    return Explained(path, "the file is gzip-compressed twice: unpack it (gunzip) and check the .pwx inside");
  }
  const std::string lower = Lower(content);
  if (StartsWith(lower, "<!doctype html") || StartsWith(lower, "<html")) return Explained(path, kWebPage);
  return "";
}

// Plain words for a document whose document element says what else it is.
std::string OtherFormat(const std::string& path, std::string_view root) {
  if (IsName(root, "gpx")) return Explained(path, "this is a GPX file, not a PWX file: convert it to PWX first");
  if (IsName(root, "trainingcenterdatabase")) {
    return Explained(path, "this is a TCX file, not a PWX file: convert it to PWX first");
  }
  if (IsName(root, "html")) return Explained(path, kWebPage);
  return "";
}

std::string Times(std::int64_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

// One finding: what, how often, where first.
Finding Line(bool warning, const std::string& path, const std::string& what, std::int64_t count, xml::Place first,
             const char* one, const char* many) {
  return {warning, path + (warning ? ": warning: " : ": note: ") + what + " (" + Times(count, one, many) +
                       ", first at " + Where(path, first) + ")"};
}

// What a sample element is called in the findings.
std::string ChannelName(std::string_view element) {
  constexpr std::pair<std::string_view, const char*> kNames[] = {
      {"duration", "duration"}, {"dist", "distance"}, {"hr", "heart rate"}, {"spd", "speed"}, {"pwr", "power"},
      {"alt", "altitude"},      {"cad", "cadence"},   {"timeoffset", "time offset"}};
  for (const auto& [name, words] : kNames) {
    if (name == element) return words;
  }
  return std::string(element);
}

// A value the record cannot hold, with what it holds instead.
Finding BeyondRecord(const std::string& path, const ImportNote& n) {
  const bool offset = n.Element == "timeoffset";
  return Line(true, path,
              "a " + ChannelName(n.Element) + " of " + Shown(n.Text) + " does not fit the record, which holds " +
                  (offset ? "32 bits" : "0 to 255") + ": it is stored as " + std::to_string(n.Value),
              n.Count, n.First, "value", "values");
}

// A value no sensor gives.
Finding Implausible(const std::string& path, const ImportNote& n) {
  const std::string value = Shown(n.Text);
  std::string what;
  if (n.Element == "spd") {
    what = "a speed no sensor gives: " + value + " m/s, above " + ShortestText(kFastestKmh) + " km/h";
  } else if (n.Element == "pwr") {
    what = "a power no sensor gives: " + value + " W, above " + ShortestText(kMostWatts) + " W";
  } else if (n.Element == "hr") {
    what = "a heart rate no sensor gives: " + value + ", above " + ShortestText(kMostHeartRate);
  } else if (n.Element == "lat") {
    what = "a latitude no place has: " + value + ", beyond -90 to 90";
  } else if (n.Element == "lon") {
    what = "a longitude no place has: " + value + ", beyond -180 to 180";
  } else {
    what = "a negative time offset: " + value + " s, before the workout starts";
  }
  return Line(true, path, what, n.Count, n.First, "value", "values");
}

std::int64_t SamplesAboveOneWatt(const SampleStore& samples) {
  std::int64_t above = 0;
  for (std::int32_t i = 0, n = samples.Count(); i < n; ++i) above += samples.GetPwr(i) > 1.0 ? 1 : 0;
  return above;
}

// Notes of one kind about several elements, as one finding.
struct Gathered {
  std::string Names;
  std::int64_t Count = 0;
  xml::Place First{~0UL, 0};
};

void Gather(Gathered& g, const ImportNote& n) {
  g.Names += (g.Names.empty() ? "" : ", ") + ChannelName(n.Element);
  g.Count += n.Count;
  if (n.First.Line < g.First.Line || (n.First.Line == g.First.Line && n.First.Column < g.First.Column)) g.First = n.First;
}

}  // namespace

bool ReadWithReport(const std::string& path, std::int32_t ahFactor, PwxRead& read, std::string& error) {
  try {
    SampleStore samples;
    LapStore laps;
    const PwxReadSettings settings{.AHFactor = ahFactor, .Now = LocalNow(), .Watch = kNoSensorGives};
    const FloatEnvironmentScope floatEnvironment;
    read = ReadPwxFile(path.c_str(), settings, samples, laps);
    return true;
  } catch (const std::bad_alloc&) {
    read = PwxRead{};
    error = path + ": the workout does not fit in this machine's memory";
    return false;
  }
}

bool Imports(const PwxRead& read) { return read.Staged.Samples.Count() > 0; }

std::string DiagnoseRefusal(const std::string& path, const PwxRead& read) {
  const ImportReport& report = read.Report;
  const FileHead head = ReadHead(path);
  if (std::string kind = KindOfFile(path, head); !kind.empty()) return kind;
  if (std::string other = OtherFormat(path, report.RootName); !other.empty()) return other;
  switch (report.Load) {
    case xml::LoadResult::Loaded: break;
    case xml::LoadResult::Unreadable:
      return Explained(path, "the file cannot be read to its end: " + os::SystemErrorText(report.Failure.SystemError));
    case xml::LoadResult::NotWellFormed: return NotWellFormed(path, report.Failure, head);
    case xml::LoadResult::DoctypeRefused:
      // Found once the declaration's name is read, so only its line is where it starts.
      return Explained(path, "the file has a document type declaration (<!DOCTYPE), which the plug-in refuses to "
                             "read: remove it",
                       path + ":" + std::to_string(report.Failure.At.Line));
    case xml::LoadResult::TooDeep:
      return Explained(path, "elements are nested deeper than " + std::to_string(xml::kMaxDepth) +
                                 " levels, more than the plug-in reads: this is no PWX workout as written",
                       Where(path, report.Failure.At));
  }
  if (read.Outcome == PwxReadOutcome::WalkStopped) {
    return Explained(path, "the start time \"" + Shown(report.RefusedTime) + "\" is no possible date and time: correct it",
                     Where(path, report.RefusedTimePlace));
  }
  if (report.Workouts == 0) {
    return Explained(path, "no workout in the file: the document element <" + Shown(report.RootName) +
                               "> holds no workout element, so this is no PWX workout");
  }
  if (report.SampleElements == 0) {
    return Explained(path, "no samples: the workout holds no sample elements, nothing to import");
  }
  if (!Imports(read)) {
    const std::string elements = report.SampleElements == 1 ? " sample element, without a value"
                                                            : " sample elements, none with a value";
    return Explained(path, "no samples: " + std::to_string(report.SampleElements) + elements + " the plug-in reads");
  }
  return Explained(path, "the plug-in imports nothing from it, though the plug-in's core in this tool reads " +
                             std::to_string(read.Staged.Samples.Count()) +
                             " samples: are the tool and the plug-in of one version?");
}

std::vector<Finding> ImportFindings(const std::string& path, const PwxRead& read) {
  const ImportReport& report = read.Report;
  std::vector<Finding> findings;
  Gathered summary, laps;
  for (const ImportNote& n : report.Notes) {
    switch (n.Kind) {
      case ImportNoteKind::WorkoutsMerged:
        findings.push_back(Line(true, path,
                                "the file holds " + std::to_string(report.Workouts) +
                                    " workouts, merged into one: their samples, laps and summaries follow each other",
                                n.Count, n.First, "more workout", "more workouts"));
        break;
      case ImportNoteKind::SampleWithoutReading:
        findings.push_back(Line(true, path,
                                "samples without a reading (nothing but a time offset, a device's status, or nothing) "
                                "are no instant of the workout and are not stored",
                                n.Count, n.First, "sample", "samples"));
        break;
      case ImportNoteKind::SampleBeyondLimit:
        findings.push_back(Line(true, path,
                                "the file holds more samples than the plug-in's " +
                                    std::to_string(SampleStore::MaxIndex + 1) + ": the rest are not stored",
                                n.Count, n.First, "sample", "samples"));
        break;
      case ImportNoteKind::BeyondRecord: findings.push_back(BeyondRecord(path, n)); break;
      case ImportNoteKind::OffsetNotAfter:
        findings.push_back(Line(true, path,
                                "time offsets go backwards or repeat, " + n.Text + " s after " +
                                    std::to_string(n.Value) + " s first: the samples keep the file's order",
                                n.Count, n.First, "sample", "samples"));
        break;
      case ImportNoteKind::SummaryFigureZero: Gather(summary, n); break;
      case ImportNoteKind::LapFigureZero: Gather(laps, n); break;
      case ImportNoteKind::ZoneDesignator:
        findings.push_back(Line(false, path,
                                "the start time \"" + Shown(n.Text) +
                                    "\" names its zone: it is read as that instant, in local time",
                                n.Count, n.First, "time", "times"));
        break;
      case ImportNoteKind::NoStartTime:
        findings.push_back({true, path + ": warning: no start time: the host dates the workout at the moment it "
                                         "imports it (the workout at " + Where(path, n.First) + ")"});
        break;
      case ImportNoteKind::LapCountHeld:
        findings.push_back(Line(true, path,
                                "the file holds " + std::to_string(n.Value) +
                                    " segments, more laps than the summary counts: the host gets the first " +
                                    std::to_string(n.Value - n.Count),
                                n.Count, n.First, "more segment", "more segments"));
        break;
      case ImportNoteKind::PowerOfOneWatt: {
        const std::int64_t above = SamplesAboveOneWatt(read.Staged.Samples);
        if (n.Count >= kManyOneWatt && above > 0 && n.Count * kOneWattShare >= n.Count + above) {
          findings.push_back(Line(true, path,
                                  "many samples have a power of exactly 1 W among " + std::to_string(above) +
                                      " above it: some programs write 0 W as 1 W, and the host gets 1 W",
                                  n.Count, n.First, "sample", "samples"));
        }
        break;
      }
      case ImportNoteKind::Watched: findings.push_back(Implausible(path, n)); break;
    }
  }
  if (summary.Count > 0) {
    findings.push_back(Line(true, path,
                            "summary figures the file gives as 0 or not at all read 0: " + summary.Names +
                                ", although the samples hold them",
                            summary.Count, summary.First, "figure", "figures"));
  }
  if (laps.Count > 0) {
    findings.push_back(Line(true, path, "lap figures the file gives as 0 are taken from the samples: " + laps.Names,
                            laps.Count, laps.First, "value", "values"));
  }
  // A start no device gives: the host's start, where the file gave one.
  if (!report.StartText.empty()) {
    const DateTime start = read.Staged.Summary.StartTime;
    const std::string when = start < EncodeDate(kEarliestYear, 1, 1)
                                 ? "before " + std::to_string(kEarliestYear) + ", before any device recorded workouts"
                             : start > LocalNow() ? "in the future"
                                                  : "";
    if (!when.empty()) {
      findings.push_back({true, path + ": warning: the start time \"" + Shown(report.StartText) + "\" lies " + when +
                                    " (" + Where(path, report.StartPlace) + ")"});
    }
  }
  return findings;
}

}  // namespace tessaly::tool
