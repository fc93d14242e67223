// The document wrapper the PWX readers see: the children of `workout` elements, on top of expat.
//
// A PWX file can hold a day of one-second samples, so the document is never held whole. It is
// streamed, and each element child of a `workout` element is either skipped unbuilt, built as a
// small tree and handed to the visitor, or read straight from the stream, field by field (the
// samples). The readers only ever walk `workout` children in document order and never look
// back, so they see exactly what a whole-document tree would show them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pwx_import/xml_parser.h"
#include "util/ascii.h"

namespace tessaly::xml {

enum class NodeKind : std::uint8_t { Element, Text, CData, Comment, ProcessingInstruction };

// One node of a built subtree, a plain value. Names and texts are host 8-bit text (UTF-8
// natively, the ANSI code page on Windows). Whitespace-only text is not a node; comments, CDATA
// sections and processing instructions are. Entity and character references are already part of
// the text.
class Node {
 public:
  Node() = default;
  Node(NodeKind kind, std::string name) : kind_(kind), name_(std::move(name)) {}

  bool IsElement() const { return kind_ == NodeKind::Element; }
  // For the element handed to a visitor, where its start tag stands in the file; 0:0 below it.
  Place Start() const { return start_; }
  // As written, prefix included; "#text", "#cdata-section", "#comment", or a PI's target.
  const std::string& Name() const { return name_; }

  const std::vector<Node>& Children() const { return children_; }

  // An element with exactly one child node, and that child a text node.
  bool IsTextElement() const {
    return kind_ == NodeKind::Element && children_.size() == 1 && children_[0].kind_ == NodeKind::Text;
  }
  // An element's text when it is a text element, otherwise empty (child elements, a CDATA
  // section or a comment make it something other than plain text). For a text, CDATA or comment
  // node its content, for a PI its data.
  std::string_view Text() const {
    if (kind_ != NodeKind::Element) return value_;
    return IsTextElement() ? std::string_view(children_[0].value_) : std::string_view();
  }
  // The attribute's value, or null when the element has no attribute of exactly that name.
  const std::string* Attribute(std::string_view name) const {
    for (const auto& [attribute, value] : attributes_) {
      if (attribute == name) return &value;
    }
    return nullptr;
  }

  // Building, for the parser.
  Node& AddChild(NodeKind kind, std::string name) { return children_.emplace_back(kind, std::move(name)); }
  Node& LastChild() { return children_.back(); }
  void AddAttribute(std::string name, std::string value) { attributes_.emplace_back(std::move(name), std::move(value)); }
  std::string& Value() { return value_; }
  void SetStart(Place start) { start_ = start; }

 private:
  NodeKind kind_ = NodeKind::Element;
  Place start_;
  std::string name_;
  std::string value_;  // text, CDATA, comment or PI data
  std::vector<std::pair<std::string, std::string>> attributes_;
  std::vector<Node> children_;
};

// How a `workout` child is read.
enum class ChildReading : std::uint8_t {
  Skip,    // not at all
  Tree,    // built whole, then handed to Visit
  Stream,  // field by field: Field ... then Close
};

// Where the parse stands: the place of the event being handed to a visitor (the start tag of an
// element that starts, the end tag of one that ends). Asked on events only: the answer costs a
// call into the parser, though no more reading.
class EventPlace {
 public:
  virtual Place Here() const = 0;

 protected:
  ~EventPlace() = default;
};

// What a reader of workout children is told, in document order. A `workout` element is a child
// of the document element named "workout" in any case. Names and texts are as a Node shows them,
// except where Open and Field say otherwise.
class WorkoutVisitor {
 public:
  // A workout child has started: its name as written, in the file's UTF-8 and NUL-terminated, as
  // Field's names are (readers choose children by ASCII names).
  virtual ChildReading Open(const char* name) = 0;
  // A child taken as a Tree, complete. Answering false ends the visits; the rest of the document
  // is still checked for well-formedness.
  virtual bool Visit(const Node& element) = 0;
  // A direct element child of a streamed child has ended: its name, and its text as its Node's
  // Text() would show it (empty unless it is a text element). Anything below a field is not
  // handed over. Unlike everything else here, both are the file's UTF-8 as expat hands them, the
  // name NUL-terminated: a field is read for ASCII names and numbers, which are the same bytes in
  // every host code page, so a day's million fields need neither a look for other letters nor
  // the name's length.
  virtual void Field(const char* name, std::string_view text) = 0;
  // The streamed child has ended. Answering false ends the visits, as Visit does.
  virtual bool Close() = 0;
  // The document element has started: its name as written (UTF-8), and where this and every later
  // event stands, for as long as the read runs. For readers that report on the document.
  virtual void Document(const char* /*name*/, const EventPlace& /*where*/) {}
  // A `workout` element has started.
  virtual void WorkoutStarted() {}

 protected:
  ~WorkoutVisitor() = default;
};

// Streams the file at path (an 8-bit host path) through the shared parser setup. Exceptions
// thrown by the visitor stop the parse and are rethrown from here. After a failed read, failure
// (when given) says why and where.
LoadResult ReadWorkoutFile(const char* path, WorkoutVisitor& visitor, LoadFailure* failure = nullptr);

// Whether a name as written equals a lower-case name, folding ASCII letters only; a prefix stays
// part of the name, so "pwx:hr" is not "hr".
inline bool NameIs(std::string_view written, std::string_view lower) { return EqualsLowerAscii(written, lower); }

}  // namespace tessaly::xml
