#include "pwx_import/workout_stream.h"

#include <expat.h>

#include <algorithm>
#include <cstring>

#include "platform/codepage.h"

namespace tessaly::xml {

namespace {

bool IsAscii(std::string_view text) {
  // No early exit: texts are short and mostly ASCII, and the loop stays branch-free.
  unsigned char bits = 0;
  for (char c : text) bits = static_cast<unsigned char>(bits | static_cast<unsigned char>(c));
  return bits < 0x80;
}

// Where host text is UTF-8 nothing is ever converted, and nothing needs a look first.
const bool kHostTextIsUtf8 = platform::HostTextIsUtf8();

// Names and values arrive as UTF-8 and are kept as host text; ASCII is the same in both.
std::string HostString(std::string_view utf8) {
  return kHostTextIsUtf8 || IsAscii(utf8) ? std::string(utf8) : platform::Utf8ToHostText(utf8);
}

// More than XML whitespace; the first other byte ends the look.
bool HasInk(std::string_view text) {
  for (char c : text) {
    if (c != ' ' && c != '\n' && c != '\t' && c != '\r') return true;
  }
  return false;
}

// Text gathered piece by piece as expat hands it over: a field's, or a tree's between two node
// boundaries, which is mostly the indentation between elements and never becomes a node.
class PendingText {
 public:
  // More than XML whitespace, so it makes a text node.
  bool HasInk() const { return ink_; }
  std::string_view View() const { return {buffer_.data(), size_}; }

  // Whether the piece fits without allocating, which it almost always does.
  bool Fits(std::size_t length) const { return length <= buffer_.size() - size_; }

  void Append(const char* piece, std::size_t length) {
    if (!Fits(length)) buffer_.resize(std::max({buffer_.size() * 2, size_ + length, std::size_t{256}}));
    std::memcpy(buffer_.data() + size_, piece, length);
    size_ += length;
    // Only whitespace needs a look at every byte; the first other byte settles it.
    if (!ink_) ink_ = xml::HasInk(std::string_view(piece, length));
  }

  void Clear() {
    size_ = 0;
    ink_ = false;
  }

 private:
  std::string buffer_;  // its size is the room; the first size_ bytes are the text
  std::size_t size_ = 0;
  bool ink_ = false;
};

// Depth of a `workout` element's children: document element, workout, child.
constexpr int kWorkoutChildDepth = 3;

// Turns expat's events into the visitor's: builds the children taken as trees, hands over the
// fields of the streamed ones.
class Streamer : public XmlParser, public EventPlace {
 public:
  explicit Streamer(WorkoutVisitor& visitor) : visitor_(visitor) {
    XML_SetElementHandler(Handle(), &Streamer::OnStart, &Streamer::OnEnd);
    XML_SetCharacterDataHandler(Handle(), &Streamer::OnText);
    XML_SetCdataSectionHandler(Handle(), &Streamer::OnStartCData, &Streamer::OnEndCData);
    XML_SetCommentHandler(Handle(), &Streamer::OnComment);
    XML_SetProcessingInstructionHandler(Handle(), &Streamer::OnInstruction);
  }

 private:
  static Streamer& Self(void* userData) { return XmlParser::Self<Streamer>(userData); }

  Place Here() const override { return CurrentPlace(); }

  Node& Current() { return *open_.back(); }

  void FlushText() {
    if (pending_.HasInk()) AddTextNode();
    pending_.Clear();
  }

  void AddTextNode() {
    Current().AddChild(NodeKind::Text, "#text").Value() = HostString(pending_.View());
  }

  // Pointers into the subtree stay valid: only the innermost open element gains children.
  void OpenElement(Node& element, const XML_Char** attributes) {
    for (const XML_Char** a = attributes; a != nullptr && a[0] != nullptr; a += 2) {
      element.AddAttribute(HostString(a[0]), HostString(a[1]));
    }
    open_.push_back(&element);
  }

  static void XMLCALL OnStart(void* userData, const XML_Char* name, const XML_Char** attributes) {
    Streamer& s = Self(userData);
    s.Guard([&] {
      if (!s.EnterElement()) return;
      if (s.building_) {
        s.FlushText();
        s.OpenElement(s.Current().AddChild(NodeKind::Element, HostString(name)), attributes);
      } else if (s.Depth() == 1) {
        s.visitor_.Document(name, s);
      } else if (s.Depth() == 2) {
        s.inWorkout_ = NameIs(name, "workout");
        if (s.inWorkout_ && s.visiting_) s.visitor_.WorkoutStarted();
      } else if (s.Depth() == kWorkoutChildDepth && s.inWorkout_ && s.visiting_) {
        switch (s.visitor_.Open(name)) {
          case ChildReading::Skip: break;
          case ChildReading::Stream:
            XML_SetElementHandler(s.Handle(), &Streamer::OnStreamStart, &Streamer::OnStreamEnd);
            break;
          case ChildReading::Tree:
            s.subtree_ = Node(NodeKind::Element, HostString(name));
            s.subtree_.SetStart(s.CurrentPlace());
            s.building_ = true;
            s.OpenElement(s.subtree_, attributes);
            break;
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
          if (!s.visitor_.Visit(s.subtree_)) s.visiting_ = false;
          s.subtree_ = Node();  // released before the next
        }
      }
      if (s.Depth() == 2) s.inWorkout_ = false;
      s.LeaveElement();
    });
  }

  // While a child streams, expat calls these two instead: its fields need no look at trees or at
  // the document's outer levels.
  static void XMLCALL OnStreamStart(void* userData, const XML_Char*, const XML_Char**) {
    Streamer& s = Self(userData);
    if (s.Stopped() || !s.EnterElement()) return;
    // Only the child's direct children are handed over; anything below one of them is a node of
    // that field, so the field is no text element.
    s.collecting_ = s.Depth() == kWorkoutChildDepth + 1;
    s.field_.Clear();
  }

  static void XMLCALL OnStreamEnd(void* userData, const XML_Char* name) {
    Streamer& s = Self(userData);
    s.Guard([&] {
      if (s.Depth() == kWorkoutChildDepth + 1) {
        // A text element: nothing but text, and more than whitespace.
        const std::string_view text = s.collecting_ && s.field_.HasInk() ? s.field_.View() : std::string_view();
        s.collecting_ = false;
        s.visitor_.Field(name, text);
      } else if (s.Depth() == kWorkoutChildDepth) {
        XML_SetElementHandler(s.Handle(), &Streamer::OnStart, &Streamer::OnEnd);
        if (!s.visitor_.Close()) s.visiting_ = false;
      }
      s.LeaveElement();
    });
  }

  static void XMLCALL OnText(void* userData, const XML_Char* text, int length) {
    Streamer& s = Self(userData);
    if (length <= 0) return;
    const std::size_t size = static_cast<std::size_t>(length);
    if (s.collecting_) {
      // Every piece is copied as it comes: expat hands a reference, a line break or text it has
      // converted from another encoding from a buffer of its own, which the next piece overwrites.
      // Text that fits the buffer, as all but the first long ones do, cannot allocate or throw.
      if (s.field_.Fits(size)) return s.field_.Append(text, size);
      return s.AddFieldText(std::string_view(text, size));
    }
    if (!s.building_) return;
    // The common case, text that fits the buffer, cannot allocate and so cannot throw.
    if (!s.inCData_ && !s.Stopped() && s.pending_.Fits(size)) return s.pending_.Append(text, size);
    s.AddText(std::string_view(text, size));
  }

  void AddText(std::string_view piece) {
    Guard([&] {
      if (inCData_) {
        Current().LastChild().Value().append(piece);
      } else {
        pending_.Append(piece.data(), piece.size());
      }
    });
  }

  // A field's text longer than any before it.
  void AddFieldText(std::string_view piece) {
    Guard([&] { field_.Append(piece.data(), piece.size()); });
  }

  static void XMLCALL OnStartCData(void* userData) {
    Streamer& s = Self(userData);
    s.Guard([&] {
      s.collecting_ = false;  // a field holding this is no text element
      if (!s.building_) return;
      s.FlushText();
      s.Current().AddChild(NodeKind::CData, "#cdata-section");
      s.inCData_ = true;
    });
  }

  // A CDATA section comes in UTF-8 pieces; it becomes host text once complete.
  static void XMLCALL OnEndCData(void* userData) {
    Streamer& s = Self(userData);
    s.Guard([&] {
      if (!s.building_ || !s.inCData_) return;
      std::string& value = s.Current().LastChild().Value();
      if (!IsAscii(value)) value = platform::Utf8ToHostText(value);
      s.inCData_ = false;
    });
  }

  // A comment or PI: a node of a tree being built; a field holding one is no text element.
  static void AddMarkup(void* userData, NodeKind kind, const XML_Char* name, const XML_Char* data) {
    Streamer& s = Self(userData);
    s.Guard([&] {
      s.collecting_ = false;
      if (!s.building_) return;
      s.FlushText();
      s.Current().AddChild(kind, HostString(name)).Value() = HostString(data);
    });
  }
  static void XMLCALL OnComment(void* userData, const XML_Char* data) {
    AddMarkup(userData, NodeKind::Comment, "#comment", data);
  }
  static void XMLCALL OnInstruction(void* userData, const XML_Char* target, const XML_Char* data) {
    AddMarkup(userData, NodeKind::ProcessingInstruction, target, data);
  }

  WorkoutVisitor& visitor_;
  bool inWorkout_ = false;    // inside a `workout` child of the document element
  bool visiting_ = true;      // the visitor still wants workout children
  bool building_ = false;     // a child taken as a tree is open
  bool inCData_ = false;
  bool collecting_ = false;   // in a field of a streamed child that has held nothing but text so far
  Node subtree_;              // the workout child being built
  std::vector<Node*> open_;   // open elements of the subtree, innermost last
  PendingText pending_;       // text gathered since the last node boundary of a tree
  PendingText field_;         // the text of the field being read
};

}  // namespace

LoadResult ReadWorkoutFile(const char* path, WorkoutVisitor& visitor, LoadFailure* failure) {
  Streamer streamer(visitor);
  const LoadResult result = streamer.ReadFile(path);
  if (failure != nullptr && result != LoadResult::Loaded) *failure = streamer.Failure();
  return result;
}

}  // namespace tessaly::xml
