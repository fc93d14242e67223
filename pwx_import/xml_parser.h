// The one expat setup of everything that reads a PWX file: the plug-in's import and the tool's
// reading of a file's header take each document with the same encodings, the same refusals, the
// same nesting limit, the same read loop and the same memory functions, so they agree on what loads.
#pragma once

#include <expat.h>

#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>

#include "pwx_import/load_result.h"

namespace tessaly::xml {

// Deepest element nesting accepted; a document nested deeper is refused instead of exhausting
// the stack or memory of the reader.
inline constexpr int kMaxDepth = 256;

// Bytes handed to expat at a time when reading a file.
inline constexpr std::size_t kReadChunk = 64 * 1024;

// An expat parser without namespace processing (names keep their prefix) that reads
// windows-1252 and ISO-8859-1 by all their names, never reads anything outside the document, and
// refuses a document type declaration. Its memory comes from the global operator new.
//
// A reader derives from it, sets its element and text handlers on Handle(), and finds itself in
// them through Self<Reader>(userData). Handlers count depth with EnterElement and LeaveElement and
// run anything that may throw inside Guard: no exception may unwind through expat's C frames.
class XmlParser {
 public:
  XmlParser();  // std::bad_alloc when expat has no memory for a parser
  ~XmlParser();
  XmlParser(const XmlParser&) = delete;
  XmlParser& operator=(const XmlParser&) = delete;

  // Reads the file at path (an 8-bit host path) through the handlers. An exception a handler
  // threw inside Guard is rethrown from here.
  LoadResult ReadFile(const char* path);

  // After a failed read: why, where, in whose words.
  LoadFailure Failure() const;

  // Where the event being handled stands in the document.
  Place CurrentPlace() const;

 protected:
  XML_Parser Handle() const { return parser_; }

  template <class Reader>
  static Reader& Self(void* userData) {
    return static_cast<Reader&>(*static_cast<XmlParser*>(userData));
  }

  // Whether the parse has failed or a handler has thrown: handlers then do nothing more.
  bool Stopped() const { return failure_.has_value() || error_ != nullptr; }

  // Keeps the first failure and stops the parse.
  void Fail(LoadResult why);

  // For each element start; false, the document refused as TooDeep, beyond kMaxDepth levels.
  bool EnterElement() {
    if (++depth_ <= kMaxDepth) return true;
    Fail(LoadResult::TooDeep);
    return false;
  }
  void LeaveElement() { --depth_; }
  // Levels of the open elements: 1 inside the document element.
  int Depth() const { return depth_; }

  template <class Body>
  void Guard(Body&& body) noexcept {
    if (Stopped()) return;
    try {
      body();
    } catch (...) {
      Keep(std::current_exception());
    }
  }

 private:
  void Keep(std::exception_ptr error) noexcept;
  // Parses size bytes put into expat's buffer; the last call has none. False once the parse has ended.
  bool Parse(std::size_t size);
  LoadResult Finish();

  XML_Parser parser_ = nullptr;
  int depth_ = 0;
  std::optional<LoadResult> failure_;
  std::exception_ptr error_;
  Place failurePlace_;
  XML_Error parserError_ = XML_ERROR_NONE;
  int systemError_ = 0;
};

}  // namespace tessaly::xml
