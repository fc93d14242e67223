#include "diagnosis.h"

#include <expat.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string_view>
#include <system_error>

#include "host_workout.h"
#include "platform/file_system.h"
#include "private_file.h"
#include "pwx_import/xml_parser.h"
#include "util/ascii.h"
#include "util/conversions.h"
#include "util/number_text.h"
#include "util/xml_text.h"

namespace tessaly::tool {
namespace {

bool IsName(std::string_view written, std::string_view lower) { return EqualsLowerAscii(written, lower); }

std::string Where(const std::string& path, xml::Place place) {
  return path + ":" + std::to_string(place.Line) + ":" + std::to_string(place.Column);
}

// A sample's number, read by the plug-in's own rule; what it reads as 0 (no number, or one
// beyond a double) is none here, and fits any field.
std::optional<double> NumberIn(std::string_view text) {
  const std::optional<double> value = ParseReal(text);
  return value && std::isfinite(*value) ? value : std::nullopt;
}

// The sample elements the diagnosis looks at, by their PWX names.
enum class SampleField : std::uint8_t { HeartRate, Cadence, TimeOffset, Speed, Power, Altitude, Distance, Other };

SampleField FieldNamed(std::string_view name) {
  constexpr std::pair<std::string_view, SampleField> kFields[] = {
      {"hr", SampleField::HeartRate}, {"cad", SampleField::Cadence}, {"timeoffset", SampleField::TimeOffset},
      {"spd", SampleField::Speed},    {"pwr", SampleField::Power},   {"alt", SampleField::Altitude},
      {"dist", SampleField::Distance}};
  for (const auto& [field, kind] : kFields) {
    if (IsName(name, field)) return kind;
  }
  return SampleField::Other;
}

// One kind of change the import makes: how often, and the first time.
struct Finding {
  long long Count = 0;
  xml::Place First;
  std::string Text;           // the text or value found there
  long long SampleIndex = -1;  // the sample it was found in, where it was in one

  void Note(xml::Place at, std::string text, long long sample) {
    if (Count++ == 0) {
      First = at;
      Text = std::move(text);
      SampleIndex = sample;
    }
  }
};

// A workout's `time` or a sample's field, with the text the plug-in's reader sees: the element's
// text when it holds nothing but text, otherwise nothing.
struct TextElement {
  xml::Place At;
  std::string Text;
};

// One pass over the file with the plug-in's parser setup, noting what the plug-in's reasons for
// refusing a file depend on and what its import changes.
class Scan : public xml::XmlParser {
 public:
  std::string RootName;
  std::vector<xml::Place> Workouts;
  std::vector<TextElement> Times;
  long long Samples = 0;
  Finding HeartRateOutside, CadenceOutside, OffsetOutside, OffsetBack;
  bool SampleHas[static_cast<int>(SampleField::Other)] = {};
  std::vector<std::string> SummaryNames;  // children of the workouts' summarydata, lower case

  Scan() {
    XML_SetElementHandler(Handle(), &Scan::OnStart, &Scan::OnEnd);
    XML_SetCharacterDataHandler(Handle(), &Scan::OnText);
    XML_SetCdataSectionHandler(Handle(), &Scan::OnOther, nullptr);
    XML_SetCommentHandler(Handle(), &Scan::OnComment);
    XML_SetProcessingInstructionHandler(Handle(), &Scan::OnInstruction);
  }

  bool HasSummary(std::string_view name) const {
    for (const std::string& held : SummaryNames) {
      if (held == name) return true;
    }
    return false;
  }

 private:
  static Scan& Self(void* data) { return XmlParser::Self<Scan>(data); }

  // Elements of a sample (depth 4) and of a workout (depth 3) whose text is wanted.
  bool Collecting() const { return inTime_ || field_ != SampleField::Other; }

  static void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char**) {
    Scan& s = Self(data);
    s.Guard([&] {
      if (!s.EnterElement()) return;
      s.plain_ = false;  // an element inside: the one open has no text of its own
      if (s.Depth() == 1) {
        s.RootName = name;
      } else if (s.Depth() == 2) {
        s.inWorkout_ = IsName(name, "workout");
        if (s.inWorkout_) s.Workouts.push_back(s.CurrentPlace());
      } else if (s.Depth() == 3 && s.inWorkout_) {
        s.inSample_ = IsName(name, "sample");
        s.inSummary_ = IsName(name, "summarydata");
        if (s.inSample_) ++s.Samples;
        if (IsName(name, "time")) s.Open(TextElement{s.CurrentPlace(), {}});
      } else if (s.Depth() == 4 && s.inSummary_) {
        std::string lower;
        for (const char c : std::string_view(name)) lower += LowerAscii(c);
        s.SummaryNames.push_back(std::move(lower));
      } else if (s.Depth() == 4 && s.inSample_) {
        s.field_ = FieldNamed(name);
        if (s.field_ != SampleField::Other) s.Open(TextElement{s.CurrentPlace(), {}});
      }
    });
  }

  void Open(TextElement element) {
    open_ = std::move(element);
    inTime_ = Depth() == 3;
    plain_ = true;
  }

  static void XMLCALL OnEnd(void* data, const XML_Char*) {
    Scan& s = Self(data);
    s.Guard([&] {
      if (s.Collecting() && s.Depth() == (s.inTime_ ? 3 : 4)) {
        if (!s.plain_) s.open_.Text.clear();
        if (s.inTime_) {
          s.Times.push_back(std::move(s.open_));
        } else {
          s.NoteField();
        }
        s.inTime_ = false;
        s.field_ = SampleField::Other;
      }
      if (s.Depth() == 3) s.inSample_ = s.inSummary_ = false;
      if (s.Depth() == 2) s.inWorkout_ = false;
      s.LeaveElement();
    });
  }

  // A sample's field has ended: the changes its value makes.
  void NoteField() {
    const std::optional<double> value = NumberIn(open_.Text);
    if (!value) return;
    SampleHas[static_cast<int>(field_)] = true;
    const long long whole = TruncateWideToInt64(*value);  // the fraction cut off, saturated
    const std::string text(Trimmed(open_.Text));
    const long long sample = Samples - 1;
    switch (field_) {
      case SampleField::HeartRate:
        if (whole < 0 || whole > 255) HeartRateOutside.Note(open_.At, text, sample);
        break;
      case SampleField::Cadence:
        if (whole < 0 || whole > 255) CadenceOutside.Note(open_.At, text, sample);
        break;
      case SampleField::TimeOffset:
        if (whole < INT32_MIN || whole > INT32_MAX) OffsetOutside.Note(open_.At, text, sample);
        if (lastOffset_ && whole <= *lastOffset_) {
          OffsetBack.Note(open_.At, std::to_string(whole) + " s after " + std::to_string(*lastOffset_) + " s", sample);
        }
        lastOffset_ = whole;
        break;
      default: break;
    }
  }

  static void XMLCALL OnText(void* data, const XML_Char* text, int length) {
    Scan& s = Self(data);
    s.Guard([&] {
      if (s.Collecting() && length > 0) s.open_.Text.append(text, static_cast<std::size_t>(length));
    });
  }

  // A CDATA section, comment or processing instruction makes an element more than plain text.
  static void XMLCALL OnOther(void* data) { Self(data).plain_ = false; }
  static void XMLCALL OnComment(void* data, const XML_Char*) { OnOther(data); }
  static void XMLCALL OnInstruction(void* data, const XML_Char*, const XML_Char*) { OnOther(data); }

  bool inWorkout_ = false;
  bool inSample_ = false;
  bool inSummary_ = false;
  bool inTime_ = false;                          // in a workout's `time`
  SampleField field_ = SampleField::Other;       // the sample field open, when it is one looked at
  bool plain_ = false;                           // the element collected holds nothing but text so far
  TextElement open_;                             // the time or sample field being collected
  std::optional<long long> lastOffset_;
};

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

// Whether the plug-in takes this `time` text: it is asked to import a one-sample workout that
// starts then. Which texts it takes is the plug-in's own business, so it answers, not a copy of
// its rules; Unknown when there is nowhere to put the question.
enum class TimeVerdict { Taken, Refused, Unknown };

TimeVerdict AskPlugin(const PluginApi& api, const std::string& text) {
  PrivateFile probe;
  std::string error;
  if (!probe.Create("-time.pwx", error)) return TimeVerdict::Unknown;
  std::string document = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<pwx><workout><time>";
  AppendXmlEscaped(document, text);
  document += "</time><sample><timeoffset>0</timeoffset><hr>60</hr></sample></workout></pwx>\n";
  if (!probe.Write(document.data(), document.size(), error)) return TimeVerdict::Unknown;
  return api.AnalyseExercise(probe.Path().c_str(), 0) > 0 ? TimeVerdict::Taken : TimeVerdict::Refused;
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
std::string NotWellFormed(const std::string& path, const Scan& scan, const FileHead& head) {
  const XML_Error error = scan.ParserError();
  const xml::Place at = scan.FailurePlace();
  const std::string detail = Where(path, at) + ": " + XML_ErrorString(error);
  const std::string encoding = DeclaredEncoding(head.Bytes);
  switch (error) {
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
  if (StartsWith(lower, "<!doctype html") || StartsWith(lower, "<html")) {
    return Explained(path, "this is a web page (HTML), not a workout file: save the workout file itself, not the "
                           "page that shows it");
  }
  return "";
}

// Plain words for a document whose document element says what else it is.
std::string OtherFormat(const std::string& path, const Scan& scan) {
  if (IsName(scan.RootName, "gpx")) {
    return Explained(path, "this is a GPX file, not a PWX file: convert it to PWX first");
  }
  if (IsName(scan.RootName, "trainingcenterdatabase")) {
    return Explained(path, "this is a TCX file, not a PWX file: convert it to PWX first");
  }
  if (IsName(scan.RootName, "html")) {
    return Explained(path, "this is a web page (HTML), not a workout file: save the workout file itself, not the "
                           "page that shows it");
  }
  return "";
}

std::string Times(long long count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

// A finding as one warning line: what, how often, where first.
std::string Warning(const std::string& path, const std::string& what, const Finding& f, const char* one,
                    const char* many) {
  return path + ": warning: " + what + " (" + Times(f.Count, one, many) + ", first at " + Where(path, f.First) + ")";
}

// A value of a sample the record cannot hold, with what it holds instead.
std::string OutsideWarning(const std::string& path, const Finding& f, const char* channel, const char* range,
                           const std::string& stored) {
  return Warning(path,
                 std::string("a ") + channel + " of " + Shown(f.Text) + " does not fit the record, which holds " +
                     range + (stored.empty() ? "" : ": it is stored as " + stored),
                 f, "value", "values");
}

}  // namespace

std::string DiagnoseUnusablePath(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    return Explained(path, "this is a folder, not a file: give the .pwx files in it");
  }
  // The plug-in reports a missing or unreachable file as an empty import; the system says more. The
  // file is opened as the plug-in opens it, so a path of any length is reached.
  if (const platform::FileReader f(path.c_str()); !f.IsOpen()) {
    return path + ": cannot open: " + os::SystemErrorText(f.Error());
  }
  return "";
}

std::string DiagnoseRefusal(const PluginApi& api, const std::string& path) {
  const FileHead head = ReadHead(path);
  if (std::string kind = KindOfFile(path, head); !kind.empty()) return kind;
  Scan scan;
  const xml::LoadResult result = scan.ReadFile(path.c_str());
  if (std::string other = OtherFormat(path, scan); !other.empty()) return other;
  switch (result) {
    case xml::LoadResult::Loaded: break;
    case xml::LoadResult::Unreadable:
      return Explained(path, "the file cannot be read to its end: " + os::SystemErrorText(scan.SystemError()));
    case xml::LoadResult::NotWellFormed: return NotWellFormed(path, scan, head);
    case xml::LoadResult::DoctypeRefused:
      // Found once the declaration's name is read, so only its line is where it starts.
      return Explained(path, "the file has a document type declaration (<!DOCTYPE), which the plug-in refuses to "
                             "read: remove it",
                       path + ":" + std::to_string(scan.FailurePlace().Line));
    case xml::LoadResult::TooDeep:
      return Explained(path, "elements are nested deeper than " + std::to_string(xml::kMaxDepth) +
                                 " levels, more than the plug-in reads: this is no PWX workout as written",
                       Where(path, scan.FailurePlace()));
  }

  // The plug-in stops at the first `time` it cannot take; earlier ones it took.
  for (const TextElement& time : scan.Times) {
    if (Shown(time.Text).empty()) continue;  // no time: the import is dated when it runs
    switch (AskPlugin(api, time.Text)) {
      case TimeVerdict::Taken: break;
      case TimeVerdict::Refused:
        return Explained(path, "the start time \"" + Shown(time.Text) + "\" is no possible date and time: correct it",
                         Where(path, time.At));
      case TimeVerdict::Unknown:
        return Explained(path, "no samples, or the start time \"" + Shown(time.Text) +
                                   "\" is impossible (no temporary file to test it with)",
                         Where(path, time.At));
    }
  }
  if (scan.Workouts.empty()) {
    return Explained(path, "no workout in the file: the document element <" + Shown(scan.RootName) +
                               "> holds no workout element, so this is no PWX workout");
  }
  if (scan.Samples == 0) return Explained(path, "no samples: the workout holds no sample elements, nothing to import");
  const std::string elements = scan.Samples == 1 ? " sample element, without a value"
                                                 : " sample elements, none with a value";
  return Explained(path, "no samples: " + std::to_string(scan.Samples) + elements + " the plug-in reads");
}

std::vector<std::string> ImportWarnings(const std::string& path, const HostWorkout& workout) {
  Scan scan;
  if (scan.ReadFile(path.c_str()) != xml::LoadResult::Loaded) return {};
  std::vector<std::string> warnings;
  if (scan.Workouts.size() > 1) {
    Finding merged;
    for (std::size_t k = 1; k < scan.Workouts.size(); ++k) merged.Note(scan.Workouts[k], "", -1);
    warnings.push_back(Warning(path,
                               "the file holds " + std::to_string(scan.Workouts.size()) +
                                   " workouts, merged into one: their samples, laps and summaries follow each other",
                               merged, "more workout", "more workouts"));
  }
  // What the record holds instead, as the plug-in hands it over.
  const auto stored = [&](const Finding& f, auto value) -> std::string {
    if (f.SampleIndex < 0 || static_cast<std::size_t>(f.SampleIndex) >= workout.Samples.size()) return "";
    return std::to_string(value(workout.Samples[static_cast<std::size_t>(f.SampleIndex)]));
  };
  const auto heartRate = [](const ExerciseDataRecord& r) { return int{r.HeartRate}; };
  const auto cadence = [](const ExerciseDataRecord& r) { return int{r.Cadence}; };
  const auto offset = [](const ExerciseDataRecord& r) { return r.TimeOffset; };
  if (scan.HeartRateOutside.Count > 0) {
    warnings.push_back(OutsideWarning(path, scan.HeartRateOutside, "heart rate", "0 to 255",
                                      stored(scan.HeartRateOutside, heartRate)));
  }
  if (scan.CadenceOutside.Count > 0) {
    warnings.push_back(
        OutsideWarning(path, scan.CadenceOutside, "cadence", "0 to 255", stored(scan.CadenceOutside, cadence)));
  }
  if (scan.OffsetOutside.Count > 0) {
    warnings.push_back(
        OutsideWarning(path, scan.OffsetOutside, "time offset", "32 bits", stored(scan.OffsetOutside, offset)));
  }
  if (scan.OffsetBack.Count > 0) {
    warnings.push_back(Warning(path, "time offsets go backwards or repeat, " + scan.OffsetBack.Text +
                                         " first: the samples keep the file's order",
                               scan.OffsetBack, "sample", "samples"));
  }
  // Figures the host reads as 0 because the file gives no summary of what its samples hold.
  const LogSummaryRecord& s = workout.Summary;
  const auto has = [&](SampleField field) { return scan.SampleHas[static_cast<int>(field)]; };
  const struct {
    const char* Name;
    const char* Element;
    bool Missing;
  } figures[] = {
      {"duration", "duration", has(SampleField::TimeOffset) && s.Duration == 0},
      {"distance", "dist", has(SampleField::Distance) && s.Distance == 0.0},
      {"heart rate", "hr", has(SampleField::HeartRate) && s.MaxHeartRate == 0 && s.AvgHeartRate == 0},
      {"speed", "spd", has(SampleField::Speed) && s.MaxSpeed == 0 && s.AvgSpeed == 0},
      {"power", "pwr", has(SampleField::Power) && workout.SummaryMaxPower == 0 && workout.SummaryAvgPower == 0},
      {"altitude", "alt", has(SampleField::Altitude) && s.MaxAltitude == 0.0 && s.MinAltitude == 0.0},
  };
  Finding missing;
  std::string names;
  for (const auto& figure : figures) {
    if (!figure.Missing || scan.HasSummary(figure.Element) || scan.Workouts.empty()) continue;
    names += (names.empty() ? "" : ", ") + std::string(figure.Name);
    missing.Note(scan.Workouts.front(), "", -1);
  }
  if (missing.Count > 0) {
    warnings.push_back(Warning(path, "summary figures missing from the file read 0: " + names +
                                         ", although the samples hold them",
                               missing, "figure", "figures"));
  }
  return warnings;
}

}  // namespace tessaly::tool
