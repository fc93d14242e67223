#include "diagnosis.h"

#include <expat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string_view>
#include <system_error>
#include <vector>

#include "pwx_import/xml_parser.h"
#include "util/ascii.h"

namespace tessaly::tool {
namespace {

bool IsName(const XML_Char* written, std::string_view lower) { return EqualsLowerAscii(written, lower); }

std::string At(xml::Place place) { return ":" + std::to_string(place.Line) + ":" + std::to_string(place.Column) + ": "; }

// A `time` child of a workout, with the text the plug-in's reader sees: the element's text when
// it holds nothing but text, otherwise nothing.
struct TimeElement {
  xml::Place At;
  std::string Text;
};

// One pass over the file with the plug-in's parser setup, noting what the plug-in's reasons for
// refusing a file depend on.
class Scan : public xml::XmlParser {
 public:
  std::vector<TimeElement> Times;
  int Workouts = 0;
  long long Samples = 0;

  Scan() {
    XML_SetElementHandler(Handle(), &Scan::OnStart, &Scan::OnEnd);
    XML_SetCharacterDataHandler(Handle(), &Scan::OnText);
    XML_SetCdataSectionHandler(Handle(), &Scan::OnOther, nullptr);
    XML_SetCommentHandler(Handle(), &Scan::OnComment);
    XML_SetProcessingInstructionHandler(Handle(), &Scan::OnInstruction);
  }

 private:
  static Scan& Self(void* data) { return XmlParser::Self<Scan>(data); }

  static void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char**) {
    Scan& s = Self(data);
    s.Guard([&] {
      if (!s.EnterElement()) return;
      if (s.Depth() == 2) {
        s.inWorkout_ = IsName(name, "workout");
        if (s.inWorkout_) ++s.Workouts;
      } else if (s.Depth() == 3 && s.inWorkout_) {
        if (IsName(name, "sample")) ++s.Samples;
        if (IsName(name, "time")) {
          s.time_ = TimeElement{s.CurrentPlace(), {}};
          s.inTime_ = true;
          s.plainTime_ = true;
        }
      } else if (s.inTime_) {
        s.plainTime_ = false;  // an element inside: no text of its own
      }
    });
  }

  static void XMLCALL OnEnd(void* data, const XML_Char*) {
    Scan& s = Self(data);
    s.Guard([&] {
      if (s.Depth() == 3 && s.inTime_) {
        if (!s.plainTime_) s.time_.Text.clear();
        s.Times.push_back(std::move(s.time_));
        s.inTime_ = false;
      }
      if (s.Depth() == 2) s.inWorkout_ = false;
      s.LeaveElement();
    });
  }

  static void XMLCALL OnText(void* data, const XML_Char* text, int length) {
    Scan& s = Self(data);
    s.Guard([&] {
      if (s.inTime_ && s.Depth() == 3 && length > 0) s.time_.Text.append(text, static_cast<std::size_t>(length));
    });
  }

  // A CDATA section, comment or processing instruction makes a `time` more than plain text.
  static void XMLCALL OnOther(void* data) {
    Scan& s = Self(data);
    if (s.inTime_) s.plainTime_ = false;
  }

  static void XMLCALL OnComment(void* data, const XML_Char*) { OnOther(data); }
  static void XMLCALL OnInstruction(void* data, const XML_Char*, const XML_Char*) { OnOther(data); }

  bool inWorkout_ = false;
  bool inTime_ = false;
  bool plainTime_ = false;
  TimeElement time_;
};

// The text as the plug-in's time reader takes it (blanks and control characters gone from both
// ends), made safe to show on one line.
std::string Shown(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  constexpr std::size_t kLongest = 60;
  std::string shown;
  for (const char c : text.substr(0, kLongest)) shown += static_cast<unsigned char>(c) < ' ' ? '?' : c;
  if (text.size() > kLongest) shown += "...";
  return shown;
}

std::string Escaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '&') out += "&amp;";
    else if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else if (static_cast<unsigned char>(c) < ' ') out += "&#" + std::to_string(static_cast<int>(c)) + ";";
    else out += c;
  }
  return out;
}

// Whether the plug-in takes this `time` text: it is asked to import a one-sample workout that
// starts then. Which texts it takes is the plug-in's own business, so it answers, not a copy of
// its rules; Unknown when there is nowhere to put the question.
enum class TimeVerdict { Taken, Refused, Unknown };

TimeVerdict AskPlugin(const PluginApi& api, const std::string& text) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path folder = fs::temp_directory_path(ec);
  if (ec) return TimeVerdict::Unknown;
  std::random_device random;
  const fs::path probe = folder / ("tessaly-time-" + std::to_string(random()) + std::to_string(random()) + ".pwx");
  const std::string document =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<pwx><workout><time>" + Escaped(text) +
      "</time><sample><timeoffset>0</timeoffset><hr>60</hr></sample></workout></pwx>\n";
  std::FILE* f = std::fopen(probe.string().c_str(), "wb");
  if (f == nullptr) return TimeVerdict::Unknown;
  const bool written = std::fwrite(document.data(), 1, document.size(), f) == document.size();
  if (std::fclose(f) != 0 || !written) {
    fs::remove(probe, ec);
    return TimeVerdict::Unknown;
  }
  const std::int32_t count = api.AnalyseExercise(probe.string().c_str(), 0);
  fs::remove(probe, ec);
  return count > 0 ? TimeVerdict::Taken : TimeVerdict::Refused;
}

}  // namespace

std::string DiagnoseRefusal(const PluginApi& api, const std::string& path) {
  Scan scan;
  switch (scan.ReadFile(path.c_str())) {
    case xml::LoadResult::Loaded: break;
    case xml::LoadResult::Unreadable: return path + ": cannot read: " + std::strerror(scan.SystemError());
    case xml::LoadResult::NotWellFormed: return path + At(scan.FailurePlace()) + XML_ErrorString(scan.ParserError());
    case xml::LoadResult::DoctypeRefused:
      // Found once the declaration's name is read, so only its line is where it starts.
      return path + ":" + std::to_string(scan.FailurePlace().Line) +
             ": a document type declaration, which the plug-in refuses to read";
    case xml::LoadResult::TooDeep:
      return path + At(scan.FailurePlace()) + "elements nested deeper than " + std::to_string(xml::kMaxDepth) +
             " levels, more than the plug-in reads";
  }

  // The plug-in stops at the first `time` it cannot take; earlier ones it took.
  for (const TimeElement& time : scan.Times) {
    if (Shown(time.Text).empty()) continue;  // no time: the import is dated when it runs
    const std::string at = path + At(time.At);
    switch (AskPlugin(api, time.Text)) {
      case TimeVerdict::Taken: break;
      case TimeVerdict::Refused: return at + "impossible start time \"" + Shown(time.Text) + "\"";
      case TimeVerdict::Unknown:
        return at + "no samples, or an impossible start time \"" + Shown(time.Text) +
               "\" (no temporary file to test it with)";
    }
  }
  if (scan.Workouts == 0) return path + ": no samples: no workout element under the document element";
  if (scan.Samples == 0) return path + ": no samples: the workout holds no sample elements";
  return path + ": no samples: " + std::to_string(scan.Samples) +
         (scan.Samples == 1 ? " sample element, without a value" : " sample elements, none with a value") +
         " the plug-in reads";
}

}  // namespace tessaly::tool
