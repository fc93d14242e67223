#include "diagnosis.h"

#include <expat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "pwx_import/workout_stream.h"  // the plug-in's nesting limit
#include "unpacked_file.h"
#include "util/ascii.h"

namespace tessaly::tool {
namespace {

constexpr std::size_t kChunk = 64 * 1024;

// The plug-in's parser takes windows-1252 besides what expat knows; so must the diagnosis, or it
// would report an encoding error for a file the plug-in read well.
constexpr int kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool IsName(const XML_Char* written, std::string_view lower) { return EqualsLowerAscii(written, lower); }

int XMLCALL OnUnknownEncoding(void*, const XML_Char* name, XML_Encoding* info) {
  if (name == nullptr || !IsName(name, "windows-1252")) return XML_STATUS_ERROR;
  for (int i = 0; i < 256; ++i) info->map[i] = (i >= 0x80 && i < 0xA0) ? kWindows1252High[i - 0x80] : i;
  info->data = nullptr;
  info->convert = nullptr;
  info->release = nullptr;
  return XML_STATUS_OK;
}

// As expat counts: the line from 1, the column from 0 (as its own xmlwf prints them).
struct Place {
  unsigned long Line = 0;
  unsigned long Column = 0;
};

// A `time` child of a workout, with the text the plug-in's reader sees: the element's text when
// it holds nothing but text, otherwise nothing.
struct TimeElement {
  Place At;
  std::string Text;
};

// One pass of expat over the file, set up as the plug-in sets up its own, noting what the
// plug-in's reasons for refusing a file depend on.
class Scan {
 public:
  std::string Problem;  // what follows the path, ":LINE:COLUMN: message", when the document does not load
  std::vector<TimeElement> Times;
  int Workouts = 0;
  long long Samples = 0;

  void Run(std::FILE* file) {
    XML_Parser p = XML_ParserCreate(nullptr);
    if (p == nullptr) {
      Problem = ": out of memory";
      return;
    }
    const std::unique_ptr<std::remove_pointer_t<XML_Parser>, decltype(&XML_ParserFree)> owner(p, &XML_ParserFree);
    parser_ = p;
    XML_SetUserData(p, this);
    XML_SetParamEntityParsing(p, XML_PARAM_ENTITY_PARSING_NEVER);
    XML_SetUnknownEncodingHandler(p, OnUnknownEncoding, nullptr);
    XML_SetElementHandler(p, &Scan::OnStart, &Scan::OnEnd);
    XML_SetCharacterDataHandler(p, &Scan::OnText);
    XML_SetCdataSectionHandler(p, &Scan::OnOther, nullptr);
    XML_SetCommentHandler(p, &Scan::OnComment);
    XML_SetProcessingInstructionHandler(p, &Scan::OnInstruction);
    XML_SetStartDoctypeDeclHandler(p, &Scan::OnDoctype);
    for (;;) {
      void* buffer = XML_GetBuffer(p, static_cast<int>(kChunk));
      if (buffer == nullptr) {
        Problem = Here() + "out of memory";
        return;
      }
      const std::size_t got = std::fread(buffer, 1, kChunk, file);
      if (got < kChunk && std::ferror(file)) {
        Problem = std::string(": cannot read the whole file: ") + std::strerror(errno);
        return;
      }
      const bool last = got < kChunk;
      if (XML_ParseBuffer(p, static_cast<int>(got), last ? XML_TRUE : XML_FALSE) != XML_STATUS_OK) {
        if (Problem.empty()) Problem = Here() + XML_ErrorString(XML_GetErrorCode(p));
        return;
      }
      if (last) return;
    }
  }

 private:
  static Scan& Self(void* data) { return *static_cast<Scan*>(data); }

  Place Position() const {
    return {static_cast<unsigned long>(XML_GetCurrentLineNumber(parser_)),
            static_cast<unsigned long>(XML_GetCurrentColumnNumber(parser_))};
  }

  std::string Here() const {
    const Place at = Position();
    return ":" + std::to_string(at.Line) + ":" + std::to_string(at.Column) + ": ";
  }

  void Stop(const std::string& where, const std::string& message) {
    Problem = where + message;
    XML_StopParser(parser_, XML_FALSE);
  }

  static void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char**) {
    Scan& s = Self(data);
    if (++s.depth_ > xml::kMaxDepth) {
      return s.Stop(s.Here(), "elements nested deeper than " + std::to_string(xml::kMaxDepth) +
                    " levels, more than the plug-in reads");
    }
    if (s.depth_ == 2) {
      s.inWorkout_ = IsName(name, "workout");
      if (s.inWorkout_) ++s.Workouts;
    } else if (s.depth_ == 3 && s.inWorkout_) {
      if (IsName(name, "sample")) ++s.Samples;
      if (IsName(name, "time")) {
        s.time_ = TimeElement{s.Position(), {}};
        s.inTime_ = true;
        s.plainTime_ = true;
      }
    } else if (s.inTime_) {
      s.plainTime_ = false;  // an element inside: no text of its own
    }
  }

  static void XMLCALL OnEnd(void* data, const XML_Char*) {
    Scan& s = Self(data);
    if (s.depth_ == 3 && s.inTime_) {
      if (!s.plainTime_) s.time_.Text.clear();
      s.Times.push_back(std::move(s.time_));
      s.inTime_ = false;
    }
    if (s.depth_ == 2) s.inWorkout_ = false;
    --s.depth_;
  }

  static void XMLCALL OnText(void* data, const XML_Char* text, int length) {
    Scan& s = Self(data);
    if (s.inTime_ && s.depth_ == 3 && length > 0) s.time_.Text.append(text, static_cast<std::size_t>(length));
  }

  // A CDATA section, comment or processing instruction makes a `time` more than plain text.
  static void XMLCALL OnOther(void* data) {
    Scan& s = Self(data);
    if (s.inTime_) s.plainTime_ = false;
  }

  static void XMLCALL OnComment(void* data, const XML_Char*) { OnOther(data); }
  static void XMLCALL OnInstruction(void* data, const XML_Char*, const XML_Char*) { OnOther(data); }

  static void XMLCALL OnDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    // Reported when the declaration's name has been read, so only its line is where it starts.
    Scan& s = Self(data);
    s.Stop(":" + std::to_string(s.Position().Line) + ": ",
           "a document type declaration, which the plug-in refuses to read");
  }

  XML_Parser parser_ = nullptr;
  int depth_ = 0;
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
  const std::string probe = TemporaryPath("-time.pwx");
  if (probe.empty()) return TimeVerdict::Unknown;
  const std::string document =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<pwx><workout><time>" + Escaped(text) +
      "</time><sample><timeoffset>0</timeoffset><hr>60</hr></sample></workout></pwx>\n";
  std::FILE* f = std::fopen(probe.c_str(), "wb");
  if (f == nullptr) return TimeVerdict::Unknown;
  const bool written = std::fwrite(document.data(), 1, document.size(), f) == document.size();
  if (std::fclose(f) != 0 || !written) {
    std::remove(probe.c_str());
    return TimeVerdict::Unknown;
  }
  const std::int32_t count = api.AnalyseExercise(probe.c_str(), 0);
  std::remove(probe.c_str());
  return count > 0 ? TimeVerdict::Taken : TimeVerdict::Refused;
}

}  // namespace

std::string DiagnoseRefusal(const PluginApi& api, const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return path + ": cannot open: " + std::strerror(errno);
  Scan scan;
  scan.Run(file);
  std::fclose(file);
  if (!scan.Problem.empty()) return path + scan.Problem;

  // The plug-in stops at the first `time` it cannot take; earlier ones it took.
  for (const TimeElement& time : scan.Times) {
    if (Shown(time.Text).empty()) continue;  // no time: the import is dated when it runs
    const std::string at = path + ":" + std::to_string(time.At.Line) + ":" + std::to_string(time.At.Column) + ": ";
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
