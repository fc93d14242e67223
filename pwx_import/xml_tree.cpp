#include "pwx_import/xml_tree.h"

#include <expat.h>

#include <cstdio>
#include <exception>
#include <memory>
#include <optional>

#include "platform/codepage.h"

namespace tessaly::xml {

std::string LowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

bool Node::IsTextElement() const {
  return kind_ == NodeKind::Element && children_.size() == 1 && children_[0].kind_ == NodeKind::Text;
}

std::string_view Node::Text() const {
  if (kind_ != NodeKind::Element) return value_;
  return IsTextElement() ? std::string_view(children_[0].value_) : std::string_view();
}

const std::string* Node::Attribute(std::string_view name) const {
  for (const auto& [attributeName, value] : attributes_) {
    if (attributeName == name) return &value;
  }
  return nullptr;
}

Node& Node::AddChild(Node child) {
  children_.push_back(std::move(child));
  return children_.back();
}

void Node::AddAttribute(std::string name, std::string value) {
  attributes_.emplace_back(std::move(name), std::move(value));
}

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool AllXmlSpace(std::string_view text) {
  for (char c : text) {
    if (!IsXmlSpace(c)) return false;
  }
  return true;
}

// expat hands out UTF-8; the readers compare and store host text. ASCII is the same in both.
std::string ToHost(std::string_view utf8) {
  for (char c : utf8) {
    if (static_cast<unsigned char>(c) >= 0x80) return platform::Utf8ToHostText(utf8);
  }
  return std::string(utf8);
}

// Bytes 0x80-0x9F of windows-1252; the five it leaves undefined keep their C1 code points, as
// Windows' own conversion does. Every other byte is the Latin-1 character of the same number.
constexpr int kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

int XMLCALL OnUnknownEncoding(void*, const XML_Char* name, XML_Encoding* info) {
  if (name == nullptr || LowerAscii(name) != "windows-1252") return XML_STATUS_ERROR;
  for (int i = 0; i < 256; ++i) {
    info->map[i] = (i >= 0x80 && i < 0xA0) ? kWindows1252High[i - 0x80] : i;
  }
  info->data = nullptr;
  info->convert = nullptr;
  info->release = nullptr;
  return XML_STATUS_OK;
}

class Streamer {
 public:
  Streamer(const WantChild& want, const VisitChild& visit) : want_(want), visit_(visit) {}
  ~Streamer() {
    if (parser_ != nullptr) XML_ParserFree(parser_);
  }
  Streamer(const Streamer&) = delete;
  Streamer& operator=(const Streamer&) = delete;

  void Start() {
    parser_ = XML_ParserCreate(nullptr);  // no namespace processing: names keep their prefix
    if (parser_ == nullptr) throw std::bad_alloc();
    XML_SetUserData(parser_, this);
    // Nothing outside the file is ever read: no parameter entities, no external entity handler.
    XML_SetParamEntityParsing(parser_, XML_PARAM_ENTITY_PARSING_NEVER);
    XML_SetUnknownEncodingHandler(parser_, OnUnknownEncoding, nullptr);
    XML_SetElementHandler(parser_, &Streamer::OnStart, &Streamer::OnEnd);
    XML_SetCharacterDataHandler(parser_, &Streamer::OnText);
    XML_SetCdataSectionHandler(parser_, &Streamer::OnStartCData, &Streamer::OnEndCData);
    XML_SetCommentHandler(parser_, &Streamer::OnComment);
    XML_SetProcessingInstructionHandler(parser_, &Streamer::OnInstruction);
    XML_SetStartDoctypeDeclHandler(parser_, &Streamer::OnDoctype);
  }

  // Returns false once the parse has ended early.
  bool Feed(const char* data, std::size_t size, bool last) {
    while (size > 0 || last) {
      const std::size_t piece = size > kReadChunk ? kReadChunk : size;
      const bool final = last && piece == size;
      if (XML_Parse(parser_, data, static_cast<int>(piece), final ? XML_TRUE : XML_FALSE) != XML_STATUS_OK) {
        if (!failure_) failure_ = LoadResult::NotWellFormed;
        return false;
      }
      if (failure_ || error_) return false;
      data += piece;
      size -= piece;
      if (final) break;
    }
    return true;
  }

  LoadResult Finish() {
    if (error_) std::rethrow_exception(error_);
    return failure_ ? *failure_ : LoadResult::Loaded;
  }

 private:
  static Streamer& Self(void* userData) { return *static_cast<Streamer*>(userData); }

  bool Stopped() const { return failure_.has_value() || error_ != nullptr; }

  void Fail(LoadResult why) {
    if (!failure_) failure_ = why;
    XML_StopParser(parser_, XML_FALSE);
  }

  // No exception may unwind through expat's C frames: keep it and stop the parse.
  template <class F>
  void Guard(F&& body) noexcept {
    if (Stopped()) return;
    try {
      body();
    } catch (...) {
      error_ = std::current_exception();
      XML_StopParser(parser_, XML_FALSE);
    }
  }

  Node& Current() { return *open_.back(); }

  void FlushText() {
    if (pendingText_.empty()) return;
    if (!AllXmlSpace(pendingText_)) {
      Node text(NodeKind::Text, "#text");
      text.SetValue(ToHost(pendingText_));
      Current().AddChild(std::move(text));
    }
    pendingText_.clear();
  }

  static Node MakeElement(const XML_Char* name, const XML_Char** attributes) {
    Node element(NodeKind::Element, ToHost(name));
    for (const XML_Char** a = attributes; a != nullptr && a[0] != nullptr; a += 2) {
      element.AddAttribute(ToHost(a[0]), ToHost(a[1]));
    }
    return element;
  }

  static void XMLCALL OnStart(void* userData, const XML_Char* name, const XML_Char** attributes) {
    Streamer& s = Self(userData);
    s.Guard([&] {
      if (++s.depth_ > kMaxDepth) return s.Fail(LoadResult::TooDeep);
      if (s.building_) {
        s.FlushText();
        Node& child = s.Current().AddChild(MakeElement(name, attributes));
        s.open_.push_back(&child);
      } else if (s.depth_ == 2) {
        s.inWorkout_ = LowerAscii(name) == "workout";
      } else if (s.depth_ == 3 && s.inWorkout_ && s.visiting_ && s.want_(LowerAscii(name))) {
        s.subtree_ = MakeElement(name, attributes);
        s.building_ = true;
        s.open_.assign(1, &s.subtree_);
      }
    });
  }

  static void XMLCALL OnEnd(void* userData, const XML_Char*) {
    Streamer& s = Self(userData);
    s.Guard([&] {
      if (s.building_) {
        s.FlushText();
        s.open_.pop_back();
        if (s.open_.empty()) {
          s.building_ = false;
          const Node done = std::move(s.subtree_);  // released when this handler returns
          s.subtree_ = Node();
          if (!s.visit_(done)) s.visiting_ = false;
        }
      }
      if (s.depth_ == 2) s.inWorkout_ = false;
      --s.depth_;
    });
  }

  static void XMLCALL OnText(void* userData, const XML_Char* text, int length) {
    Streamer& s = Self(userData);
    s.Guard([&] {
      if (!s.building_ || length <= 0) return;
      const std::string_view piece(text, static_cast<std::size_t>(length));
      if (s.inCData_) {
        s.Current().MutableChildren().back().AppendValue(piece);
      } else {
        s.pendingText_.append(piece);
      }
    });
  }

  static void XMLCALL OnStartCData(void* userData) {
    Streamer& s = Self(userData);
    s.Guard([&] {
      if (!s.building_) return;
      s.FlushText();
      s.Current().AddChild(Node(NodeKind::CData, "#cdata-section"));
      s.inCData_ = true;
    });
  }

  static void XMLCALL OnEndCData(void* userData) {
    Streamer& s = Self(userData);
    s.Guard([&] {
      if (!s.building_ || !s.inCData_) return;
      Node& section = s.Current().MutableChildren().back();
      section.SetValue(ToHost(section.Text()));
      s.inCData_ = false;
    });
  }

  static void XMLCALL OnComment(void* userData, const XML_Char* data) {
    Streamer& s = Self(userData);
    s.Guard([&] {
      if (!s.building_) return;
      s.FlushText();
      Node comment(NodeKind::Comment, "#comment");
      comment.SetValue(ToHost(data));
      s.Current().AddChild(std::move(comment));
    });
  }

  static void XMLCALL OnInstruction(void* userData, const XML_Char* target, const XML_Char* data) {
    Streamer& s = Self(userData);
    s.Guard([&] {
      if (!s.building_) return;
      s.FlushText();
      Node instruction(NodeKind::ProcessingInstruction, ToHost(target));
      instruction.SetValue(ToHost(data));
      s.Current().AddChild(std::move(instruction));
    });
  }

  static void XMLCALL OnDoctype(void* userData, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    Streamer& s = Self(userData);
    s.Guard([&] { s.Fail(LoadResult::DoctypeRefused); });
  }

  const WantChild& want_;
  const VisitChild& visit_;
  XML_Parser parser_ = nullptr;
  int depth_ = 0;
  bool inWorkout_ = false;   // inside a `workout` child of the document element
  bool visiting_ = true;     // the caller still wants subtrees
  bool building_ = false;    // a wanted subtree is open
  bool inCData_ = false;
  Node subtree_;
  std::vector<Node*> open_;  // open elements of the subtree, innermost last
  std::string pendingText_;  // text gathered since the last node boundary
  std::optional<LoadResult> failure_;
  std::exception_ptr error_;
};

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

LoadResult ReadWorkoutChildren(const char* path, const WantChild& want, const VisitChild& visit) {
  if (path == nullptr) return LoadResult::Unreadable;
  const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rb"));
  if (!file) return LoadResult::Unreadable;
  Streamer streamer(want, visit);
  streamer.Start();
  std::vector<char> buffer(kReadChunk);
  for (;;) {
    const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file.get());
    if (got < buffer.size() && std::ferror(file.get())) {
      streamer.Finish();  // an exception from a visit outranks the read error
      return LoadResult::Unreadable;
    }
    const bool last = got < buffer.size();
    if (!streamer.Feed(buffer.data(), got, last) || last) break;
  }
  return streamer.Finish();
}

LoadResult ReadWorkoutChildrenFromText(std::string_view document, const WantChild& want,
                                       const VisitChild& visit) {
  Streamer streamer(want, visit);
  streamer.Start();
  streamer.Feed(document.data(), document.size(), true);
  return streamer.Finish();
}

}  // namespace tessaly::xml
