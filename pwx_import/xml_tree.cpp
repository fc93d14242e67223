#include "pwx_import/xml_tree.h"

#include <expat.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <exception>
#include <limits>
#include <memory>
#include <new>
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

Node::Node(const Node& other)
    : kind_(other.kind_),
      name_(other.name_),
      value_(other.value_),
      attributes_(other.attributes_.begin(),
                  other.attributes_.begin() + static_cast<std::ptrdiff_t>(other.attributeCount_)),
      children_(other.children_.begin(), other.children_.begin() + static_cast<std::ptrdiff_t>(other.childCount_)),
      attributeCount_(other.attributeCount_),
      childCount_(other.childCount_) {}

Node& Node::operator=(const Node& other) {
  if (this != &other) {
    Node copy(other);
    *this = std::move(copy);
  }
  return *this;
}

const std::string* Node::Attribute(std::string_view name) const {
  for (std::size_t k = 0; k < attributeCount_; ++k) {
    if (attributes_[k].first == name) return &attributes_[k].second;
  }
  return nullptr;
}

namespace {

bool IsAscii(std::string_view text) {
  // No early exit: texts are short and mostly ASCII, and the loop stays branch-free.
  unsigned char bits = 0;
  for (char c : text) bits = static_cast<unsigned char>(bits | static_cast<unsigned char>(c));
  return bits < 0x80;
}

}  // namespace

// Fills nodes in place, reusing whatever storage an earlier subtree left in them, and keeps count
// of the memory that reuse holds on to: a document whose workout children differ in shape could
// otherwise leave a little more behind with each one.
class NodeBuilder {
 public:
  // A new last child of parent, empty, of the given kind; text, CDATA and comment nodes take
  // their fixed name, elements and PIs are named by SetName.
  Node& AddChild(Node& parent, NodeKind kind, std::string_view fixedName = {}) {
    if (parent.childCount_ == parent.children_.size()) {
      const std::size_t before = parent.children_.capacity();
      parent.children_.emplace_back();
      Grew(before, parent.children_.capacity(), sizeof(Node));
    }
    Node& child = parent.children_[parent.childCount_++];
    // A node that was of this kind before has its fixed name already.
    const bool named = child.kind_ == kind;
    Reset(child, kind);
    if (!fixedName.empty() && !named) SetHost(child.name_, fixedName, IsAscii(fixedName));
    return child;
  }

  Node& LastChild(Node& parent) { return parent.children_[parent.childCount_ - 1]; }

  void Reset(Node& node, NodeKind kind) {
    node.kind_ = kind;
    node.value_.clear();
    node.attributeCount_ = 0;
    node.childCount_ = 0;
  }

  // Names and values arrive as UTF-8 and are kept as host text.
  void SetName(Node& node, const XML_Char* utf8) { SetHostOnce(node.name_, utf8); }
  void SetValue(Node& node, const XML_Char* utf8) {
    const std::string_view text(utf8);
    SetHost(node.value_, text, IsAscii(text));
  }
  // A text already known to be ASCII or not.
  void SetValue(Node& node, std::string_view utf8, bool ascii) { SetHost(node.value_, utf8, ascii); }
  // Gathers UTF-8 pieces of a CDATA section; ConvertValue makes them host text once complete.
  void AppendValue(Node& node, std::string_view utf8) {
    const std::size_t before = node.value_.capacity();
    node.value_.append(utf8);
    Grew(before, node.value_.capacity(), 1);
  }
  void ConvertValue(Node& node) {
    if (!IsAscii(node.value_)) node.value_ = platform::Utf8ToHostText(node.value_);
  }

  void AddAttribute(Node& node, const XML_Char* utf8Name, const XML_Char* utf8Value) {
    if (node.attributeCount_ == node.attributes_.size()) {
      const std::size_t before = node.attributes_.capacity();
      node.attributes_.emplace_back();
      Grew(before, node.attributes_.capacity(), sizeof(node.attributes_[0]));
    }
    auto& [name, value] = node.attributes_[node.attributeCount_++];
    SetHostOnce(name, utf8Name);
    SetHostOnce(value, utf8Value);
  }

  // Bytes the nodes may hold beyond an empty tree (never less than they do).
  std::size_t Retained() const { return retained_; }
  void Forget() { retained_ = 0; }

 private:
  void SetHost(std::string& target, std::string_view utf8, bool ascii) {
    const std::size_t before = target.capacity();
    // ASCII is the same in UTF-8 and in every host code page.
    if (ascii) {
      target.assign(utf8);
    } else {
      target = platform::Utf8ToHostText(utf8);
    }
    Grew(before, target.capacity(), 1);
  }

  // Sample after sample repeats the same names: an ASCII name equal to the one the reused node
  // holds is left as it is.
  void SetHostOnce(std::string& target, const XML_Char* utf8) {
    const std::size_t size = target.size();
    std::size_t k = 0;
    while (k < size && utf8[k] == target[k] && static_cast<unsigned char>(utf8[k]) < 0x80) ++k;
    if (k == size && utf8[k] == '\0') return;
    const std::string_view text(utf8);
    SetHost(target, text, IsAscii(text.substr(k)));  // the first k are ASCII
  }

  void Grew(std::size_t before, std::size_t after, std::size_t unit) {
    if (after > before) retained_ += (after - before) * unit;
  }

  std::size_t retained_ = 0;
};

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;

// 1 for every byte but the four of XML whitespace.
constexpr auto kInk = [] {
  std::array<unsigned char, 256> ink{};
  for (std::size_t c = 0; c < ink.size(); ++c) ink[c] = (c == ' ' || c == '\n' || c == '\t' || c == '\r') ? 0 : 1;
  return ink;
}();

// Text between two node boundaries, gathered piece by piece as expat hands it over. Most of it
// is the indentation between elements, which never becomes a node.
class PendingText {
 public:
  bool Empty() const { return size_ == 0; }
  // More than XML whitespace, so it makes a text node.
  bool HasInk() const { return ink_; }
  std::string_view View() const { return {data_.get(), size_}; }

  // Appends without allocating when the piece fits, which it almost always does; false when
  // it does not (nothing appended).
  bool AppendInPlace(const char* piece, std::size_t length) {
    if (length > capacity_ - size_) return false;
    Copy(piece, length);
    return true;
  }

  void Append(const char* piece, std::size_t length) {
    if (length > capacity_ - size_) Grow(length);
    Copy(piece, length);
  }

  void Clear() {
    size_ = 0;
    ink_ = false;
  }

 private:
  void Copy(const char* piece, std::size_t length) {
    std::memcpy(data_.get() + size_, piece, length);
    size_ += length;
    // Only whitespace needs a look at every byte; the first other byte settles it.
    if (!ink_) {
      for (std::size_t k = 0; k < length; ++k) {
        if (kInk[static_cast<unsigned char>(piece[k])] != 0) {
          ink_ = true;
          break;
        }
      }
    }
  }

  void Grow(std::size_t length) {
    if (length > std::numeric_limits<std::size_t>::max() / 2 - size_) throw std::bad_alloc();
    const std::size_t wanted = size_ + length;
    std::size_t capacity = capacity_ < 256 ? 256 : capacity_;
    while (capacity < wanted) capacity *= 2;
    std::unique_ptr<char[]> grown(new char[capacity]);
    if (size_ > 0) std::memcpy(grown.get(), data_.get(), size_);
    data_ = std::move(grown);
    capacity_ = capacity;
  }

  std::unique_ptr<char[]> data_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
  bool ink_ = false;
};

// What the reused nodes may keep between workout children before they are given back. A sample
// needs a few kilobytes; this much is only reached by documents of ever-changing shape.
constexpr std::size_t kRetainedLimit = 256 * 1024;

// Bytes 0x80-0x9F of windows-1252; the five it leaves undefined keep their C1 code points, as
// Windows' own conversion does. Every other byte is the Latin-1 character of the same number.
constexpr int kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Names a document may give the two 8-bit encodings expat does not know by every name: the
// registered names and aliases of ISO-8859-1 (expat itself knows only "ISO-8859-1") and of
// windows-1252, plus the spellings other tools write for them. Matched in any case.
constexpr const char* kLatin1Names[] = {"iso-8859-1", "iso_8859-1", "iso-ir-100",
                                        "latin1", "l1", "ibm819", "cp819", "csisolatin1"};
constexpr const char* kWindows1252Names[] = {"windows-1252", "cp1252", "x-cp1252", "cswindows1252"};

template <std::size_t N>
bool NameIsOneOf(const XML_Char* name, const char* const (&names)[N]) {
  for (const char* candidate : names) {
    if (NameIs(name, candidate)) return true;
  }
  return false;
}

int XMLCALL OnUnknownEncoding(void*, const XML_Char* name, XML_Encoding* info) {
  if (name == nullptr) return XML_STATUS_ERROR;
  const bool windows1252 = NameIsOneOf(name, kWindows1252Names);
  if (!windows1252 && !NameIsOneOf(name, kLatin1Names)) return XML_STATUS_ERROR;
  for (int i = 0; i < 256; ++i) {
    info->map[i] = (windows1252 && i >= 0x80 && i < 0xA0) ? kWindows1252High[i - 0x80] : i;
  }
  info->data = nullptr;
  info->convert = nullptr;
  info->release = nullptr;
  return XML_STATUS_OK;
}

// Depth of a `workout` element's children: document element, workout, child.
constexpr int kWorkoutChildDepth = 3;

class Streamer {
 public:
  Streamer(const WantChild& want, const VisitChild& visit, StreamedChild streamed)
      : want_(want), visit_(visit), streamed_(streamed) {}
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

  // Room for the next read, straight in the parser's own buffer; null when there is none.
  char* Buffer() { return static_cast<char*>(XML_GetBuffer(parser_, static_cast<int>(kReadChunk))); }

  // Parses size bytes read into Buffer(). Returns false once the parse has ended early.
  bool ParseBuffer(std::size_t size, bool last) {
    if (XML_ParseBuffer(parser_, static_cast<int>(size), last ? XML_TRUE : XML_FALSE) != XML_STATUS_OK) {
      if (!failure_) failure_ = LoadResult::NotWellFormed;
      return false;
    }
    return !(failure_ || error_);
  }

  // expat could not make room: as when it runs out of memory in the middle of a parse.
  void OutOfRoom() {
    if (!failure_) failure_ = LoadResult::NotWellFormed;
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
    if (pending_.HasInk()) AddTextNode();
    pending_.Clear();
  }

  // Kept out of FlushText, which mostly has only whitespace to drop.
  [[gnu::noinline]] void AddTextNode() {
    const std::string_view text = pending_.View();
    builder_.SetValue(builder_.AddChild(Current(), NodeKind::Text, "#text"), text, IsAscii(text));
  }

  // A child of the document element's `workout` children is built; the subtree's root is the
  // workout child itself.
  void OpenElement(Node& element, const XML_Char* name, const XML_Char** attributes) {
    builder_.SetName(element, name);
    for (const XML_Char** a = attributes; a != nullptr && a[0] != nullptr; a += 2) {
      builder_.AddAttribute(element, a[0], a[1]);
    }
    open_.push_back(&element);
  }

  static void XMLCALL OnStart(void* userData, const XML_Char* name, const XML_Char** attributes) {
    Streamer& s = Self(userData);
    s.Guard([&] {
      if (++s.depth_ > kMaxDepth) return s.Fail(LoadResult::TooDeep);
      if (s.building_) {
        s.FlushText();
        s.OpenElement(s.builder_.AddChild(s.Current(), NodeKind::Element), name, attributes);
      } else if (s.streaming_) {
        s.OpenInStream(name);
      } else if (s.depth_ == 2) {
        s.inWorkout_ = NameIs(name, "workout");
      } else if (s.depth_ == kWorkoutChildDepth && s.inWorkout_ && s.visiting_) {
        if (s.streamed_.Reader != nullptr && NameIs(name, s.streamed_.LowerName)) {
          s.streaming_ = true;
          s.streamed_.Reader->Open();
        } else if (s.want_(s.Lowered(name))) {
          s.builder_.Reset(s.subtree_, NodeKind::Element);
          s.building_ = true;
          s.open_.clear();
          s.OpenElement(s.subtree_, name, attributes);
        }
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
          if (!s.visit_(s.subtree_)) s.visiting_ = false;
          if (s.builder_.Retained() > kRetainedLimit) {
            s.subtree_ = Node();
            s.builder_.Forget();
          }
        }
      } else if (s.streaming_) {
        s.CloseInStream();
      }
      if (s.depth_ == 2) s.inWorkout_ = false;
      --s.depth_;
    });
  }

  static void XMLCALL OnText(void* userData, const XML_Char* text, int length) {
    Streamer& s = Self(userData);
    if (!(s.building_ || s.collecting_) || length <= 0) return;
    // The common case, text that fits the buffer, can neither fail nor throw.
    if (!s.inCData_ && !s.Stopped() && s.pending_.AppendInPlace(text, static_cast<std::size_t>(length))) return;
    s.AddText(std::string_view(text, static_cast<std::size_t>(length)));
  }

  // Kept out of OnText so that the common case stays small.
  [[gnu::noinline]] void AddText(std::string_view piece) {
    Guard([&] {
      if (inCData_) {
        builder_.AppendValue(builder_.LastChild(Current()), piece);
      } else {
        pending_.Append(piece.data(), piece.size());
      }
    });
  }

  static void XMLCALL OnStartCData(void* userData) {
    Streamer& s = Self(userData);
    s.Guard([&] {
      if (s.streaming_) s.collecting_ = false;
      if (!s.building_) return;
      s.FlushText();
      s.builder_.AddChild(s.Current(), NodeKind::CData, "#cdata-section");
      s.inCData_ = true;
    });
  }

  static void XMLCALL OnEndCData(void* userData) {
    Streamer& s = Self(userData);
    s.Guard([&] {
      if (!s.building_ || !s.inCData_) return;
      s.builder_.ConvertValue(s.builder_.LastChild(s.Current()));
      s.inCData_ = false;
    });
  }

  static void XMLCALL OnComment(void* userData, const XML_Char* data) {
    Streamer& s = Self(userData);
    s.Guard([&] {
      if (s.streaming_) s.collecting_ = false;
      if (!s.building_) return;
      s.FlushText();
      s.builder_.SetValue(s.builder_.AddChild(s.Current(), NodeKind::Comment, "#comment"), data);
    });
  }

  static void XMLCALL OnInstruction(void* userData, const XML_Char* target, const XML_Char* data) {
    Streamer& s = Self(userData);
    s.Guard([&] {
      if (s.streaming_) s.collecting_ = false;
      if (!s.building_) return;
      s.FlushText();
      Node& instruction = s.builder_.AddChild(s.Current(), NodeKind::ProcessingInstruction);
      s.builder_.SetName(instruction, target);
      s.builder_.SetValue(instruction, data);
    });
  }

  static void XMLCALL OnDoctype(void* userData, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    Streamer& s = Self(userData);
    s.Guard([&] { s.Fail(LoadResult::DoctypeRefused); });
  }

  // An element starts inside the streamed workout child. Only its direct children are handed
  // over; anything below one of them is a node of that child, so the child is no text element.
  void OpenInStream(const XML_Char* name) {
    if (depth_ == kWorkoutChildDepth + 1) {
      pending_.Clear();
      // Length and ASCII test in one pass over the name.
      std::size_t length = 0;
      unsigned char bits = 0;
      for (; name[length] != '\0'; ++length) {
        bits = static_cast<unsigned char>(bits | static_cast<unsigned char>(name[length]));
      }
      const std::string_view utf8(name, length);
      childWanted_ = streamed_.Reader->OpenChild(bits < 0x80 ? utf8 : HostText(utf8, hostName_));
      collecting_ = childWanted_;
    } else {
      collecting_ = false;
    }
  }

  void CloseInStream() {
    if (depth_ == kWorkoutChildDepth + 1) {
      if (childWanted_) {
        // A text element: nothing but text, and more than whitespace.
        const std::string_view text =
            collecting_ && pending_.HasInk() ? HostText(pending_.View(), hostText_) : std::string_view();
        childWanted_ = false;
        collecting_ = false;
        streamed_.Reader->CloseChild(text);
      }
      pending_.Clear();
    } else if (depth_ == kWorkoutChildDepth) {
      streaming_ = false;
      if (!streamed_.Reader->Close()) visiting_ = false;
    }
  }

  // UTF-8 as host text, as nodes hold it; converted into buffer unless ASCII.
  static std::string_view HostText(std::string_view utf8, std::string& buffer) {
    if (IsAscii(utf8)) return utf8;
    buffer = platform::Utf8ToHostText(utf8);
    return buffer;
  }

  // The name with ASCII letters lowered, in a buffer kept from one call to the next.
  std::string_view Lowered(std::string_view name) {
    lowered_.assign(name);
    for (char& c : lowered_) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lowered_;
  }

  const WantChild& want_;
  const VisitChild& visit_;
  XML_Parser parser_ = nullptr;
  int depth_ = 0;
  bool inWorkout_ = false;   // inside a `workout` child of the document element
  bool visiting_ = true;     // the caller still wants subtrees
  bool building_ = false;    // a wanted subtree is open
  bool inCData_ = false;
  StreamedChild streamed_;
  bool streaming_ = false;    // a streamed workout child is open
  bool childWanted_ = false;  // in a direct child of it whose text its reader wants
  bool collecting_ = false;   // ... and that child has held nothing but text so far
  std::string hostName_;      // host text of a streamed name or text that is not ASCII
  std::string hostText_;
  NodeBuilder builder_;
  Node subtree_;             // the workout child being built; its nodes are reused for the next
  std::vector<Node*> open_;  // open elements of the subtree, innermost last
  PendingText pending_;      // text gathered since the last node boundary
  std::string lowered_;
  std::optional<LoadResult> failure_;
  std::exception_ptr error_;
};

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

LoadResult ReadWorkoutChildren(const char* path, const WantChild& want, const VisitChild& visit,
                               StreamedChild streamed) {
  if (path == nullptr) return LoadResult::Unreadable;
  const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rb"));
  if (!file) return LoadResult::Unreadable;
  Streamer streamer(want, visit, streamed);
  streamer.Start();
  for (;;) {
    char* buffer = streamer.Buffer();
    if (buffer == nullptr) {
      streamer.OutOfRoom();
      break;
    }
    const std::size_t got = std::fread(buffer, 1, kReadChunk, file.get());
    if (got < kReadChunk && std::ferror(file.get())) {
      streamer.Finish();  // an exception from a visit outranks the read error
      return LoadResult::Unreadable;
    }
    const bool last = got < kReadChunk;
    if (!streamer.ParseBuffer(got, last) || last) break;
  }
  return streamer.Finish();
}

LoadResult ReadWorkoutChildrenFromText(std::string_view document, const WantChild& want,
                                       const VisitChild& visit, StreamedChild streamed) {
  Streamer streamer(want, visit, streamed);
  streamer.Start();
  streamer.Feed(document.data(), document.size(), true);
  return streamer.Finish();
}

}  // namespace tessaly::xml
