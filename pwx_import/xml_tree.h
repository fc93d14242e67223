// The document wrapper the PWX readers see: a small read-only element tree on top of expat.
//
// A PWX file can hold a day of one-second samples, so the document is never held whole. It is
// streamed, and only the element children of each `workout` element (one `sample`, one `segment`,
// one `summarydata`...) are built as a tree, handed to the caller and released before the next;
// one kind of child (the samples) may instead be read straight from the stream, child by child.
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

class NodeBuilder;

// One node of a built subtree. Names and texts are host 8-bit text (UTF-8 natively, the ANSI code
// page on Windows). Whitespace-only text is not a node; comments, CDATA sections and processing
// instructions are. Entity and character references are already part of the text.
//
// The parser builds every workout child into the same nodes, overwriting them in place, so a day
// of samples costs no allocation per sample; a copy holds only what the node shows.
class Node {
 public:
  Node() = default;
  Node(const Node& other);
  Node& operator=(const Node& other);
  Node(Node&&) noexcept = default;
  Node& operator=(Node&&) noexcept = default;
  ~Node() = default;

  NodeKind Kind() const { return kind_; }
  bool IsElement() const { return kind_ == NodeKind::Element; }
  // As written, prefix included; "#text", "#cdata-section", "#comment", or a PI's target.
  const std::string& Name() const { return name_; }

  std::size_t ChildCount() const { return childCount_; }
  const Node& Child(std::size_t index) const { return children_[index]; }

  // An element with exactly one child node, and that child a text node.
  bool IsTextElement() const {
    return kind_ == NodeKind::Element && childCount_ == 1 && children_[0].kind_ == NodeKind::Text;
  }
  // An element's text when it is a text element, otherwise empty (child elements, a CDATA
  // section or a comment make it something other than plain text). For a text, CDATA or comment
  // node its content, for a PI its data.
  std::string_view Text() const {
    if (kind_ != NodeKind::Element) return value_;
    return IsTextElement() ? std::string_view(children_[0].value_) : std::string_view();
  }
  // The attribute's value, or null when the element has no attribute of exactly that name.
  const std::string* Attribute(std::string_view name) const;

 private:
  friend class NodeBuilder;

  NodeKind kind_ = NodeKind::Element;
  std::string name_;
  std::string value_;  // text, CDATA, comment or PI data
  // Only the first attributeCount_ attributes and childCount_ children belong to the node; the
  // rest are kept from an earlier subtree for the next one to fill.
  std::vector<std::pair<std::string, std::string>> attributes_;
  std::vector<Node> children_;
  std::size_t attributeCount_ = 0;
  std::size_t childCount_ = 0;
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

// Reads one kind of workout child straight from the stream, without building its subtree: the
// same content a tree would show, but only the direct element children and their texts, handed
// over in document order as each child ends. For a day of samples this saves building a tree
// per sample.
class StreamedChildReader {
 public:
  // The workout child has started.
  virtual void Open() = 0;
  // A direct element child has started; name as a Node would show it. Answers whether its text
  // is wanted when it ends.
  virtual bool OpenChild(std::string_view name) = 0;
  // The wanted child has ended; text as its Node's Text() would show it (empty unless it is a
  // text element).
  virtual void CloseChild(std::string_view text) = 0;
  // The workout child has ended. Answering false ends the visits, as a VisitChild does.
  virtual bool Close() = 0;

 protected:
  ~StreamedChildReader() = default;
};

// Workout children of this lower-case name (in any case as written) go to reader instead of
// being built; none when reader is null.
struct StreamedChild {
  std::string_view LowerName;
  StreamedChildReader* Reader = nullptr;
};

// Streams the file at path (an 8-bit host path) through expat. Exceptions thrown by the callbacks
// stop the parse and are rethrown from here.
LoadResult ReadWorkoutChildren(const char* path, const WantChild& want, const VisitChild& visit,
                               StreamedChild streamed = {});
// The same for a document held in memory.
LoadResult ReadWorkoutChildrenFromText(std::string_view document, const WantChild& want,
                                       const VisitChild& visit, StreamedChild streamed = {});

// ASCII letters only, as element names are compared.
std::string LowerAscii(std::string_view text);

// Whether a name as written equals a lower-case name, folding ASCII letters only; a prefix stays
// part of the name, so "pwx:hr" is not "hr".
inline bool NameIs(std::string_view written, std::string_view lower) {
  if (written.size() != lower.size()) return false;
  for (std::size_t k = 0; k < written.size(); ++k) {
    char c = written[k];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != lower[k]) return false;
  }
  return true;
}

}  // namespace tessaly::xml
