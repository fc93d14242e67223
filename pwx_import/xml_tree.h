// The document wrapper the PWX readers see: a small read-only element tree on top of expat.
//
// A PWX file can hold a day of one-second samples, so the document is never held whole. It is
// streamed, and only the element children of each `workout` element (one `sample`, one `segment`,
// one `summarydata`...) are built as a tree, handed to the caller and released before the next.
// The readers only ever walk `workout` children in document order and never look back, so they
// see exactly what a whole-document tree would show them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tessaly::xml {

enum class NodeKind : std::uint8_t { Element, Text, CData, Comment, ProcessingInstruction };

// One node of a built subtree. Names and texts are host 8-bit text (UTF-8 natively, the ANSI code
// page on Windows). Whitespace-only text is not a node; comments, CDATA sections and processing
// instructions are. Entity and character references are already part of the text.
class Node {
 public:
  Node() = default;
  Node(NodeKind kind, std::string name) : kind_(kind), name_(std::move(name)) {}

  NodeKind Kind() const { return kind_; }
  bool IsElement() const { return kind_ == NodeKind::Element; }
  // As written, prefix included; "#text", "#cdata-section", "#comment", or a PI's target.
  const std::string& Name() const { return name_; }

  std::size_t ChildCount() const { return children_.size(); }
  const Node& Child(std::size_t index) const { return children_[index]; }

  // An element with exactly one child node, and that child a text node.
  bool IsTextElement() const;
  // An element's text when it is a text element, otherwise empty (child elements, a CDATA
  // section or a comment make it something other than plain text). For a text, CDATA or comment
  // node its content, for a PI its data.
  std::string_view Text() const;
  // The attribute's value, or null when the element has no attribute of exactly that name.
  const std::string* Attribute(std::string_view name) const;

  // Building (used by the parser and by tests).
  Node& AddChild(Node child);
  void AddAttribute(std::string name, std::string value);
  void SetValue(std::string value) { value_ = std::move(value); }
  void AppendValue(std::string_view more) { value_.append(more); }
  std::vector<Node>& MutableChildren() { return children_; }

 private:
  NodeKind kind_ = NodeKind::Element;
  std::string name_;
  std::string value_;  // text, CDATA, comment or PI data
  std::vector<std::pair<std::string, std::string>> attributes_;
  std::vector<Node> children_;
};

// How reading a document ended.
enum class LoadResult : std::uint8_t {
  Loaded,           // well-formed to the end
  Unreadable,       // the file could not be opened or read
  NotWellFormed,    // a syntax or encoding error anywhere in the document
  DoctypeRefused,   // a document type declaration: never expanded, never fetched
  TooDeep,          // elements nested deeper than kMaxDepth
};

// Deepest element nesting accepted; a document nested deeper is refused instead of exhausting
// the stack or memory of the reader.
inline constexpr int kMaxDepth = 256;

// Called with the lower-cased name of each element child of a `workout` element (a child of the
// document element named "workout" in any case); answers whether its subtree is wanted. Children
// nobody reads are skipped without being built.
using WantChild = std::function<bool(std::string_view lowerName)>;
// Called with each wanted subtree, in document order, while parsing goes on. Answering false
// ends the visits; the rest of the document is still checked for well-formedness.
using VisitChild = std::function<bool(const Node& element)>;

// Streams the file at path (an 8-bit host path) through expat. Exceptions thrown by the callbacks
// stop the parse and are rethrown from here.
LoadResult ReadWorkoutChildren(const char* path, const WantChild& want, const VisitChild& visit);
// The same for a document held in memory.
LoadResult ReadWorkoutChildrenFromText(std::string_view document, const WantChild& want,
                                       const VisitChild& visit);

// ASCII letters only, as element names are compared.
std::string LowerAscii(std::string_view text);

}  // namespace tessaly::xml
