// The PWX document an export writes: the summary block, the laps and the samples the host pushed,
// as a fixed sequence of text lines, assembled in memory and saved in one piece.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

#include "plugin/plugin_state.h"

namespace tessaly {

// Collects the document's lines. Each line comes from a template in which "%.Nf" (N = 0..6), "%d"
// and "%s" stand for the values that follow, in order; every line ends in CR LF.
class PwxLineWriter {
 public:
  struct Value {
    enum class Kind { Real, Integer, Text };
    Kind kind;
    double real = 0.0;
    std::int64_t integer = 0;
    std::string_view text;

    Value(double v) : kind(Kind::Real), real(v) {}  // NOLINT: values are written inline
    template <class T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>, int> = 0>
    Value(T v) : kind(Kind::Integer), integer(static_cast<std::int64_t>(v)) {}  // NOLINT
    Value(std::string_view v) : kind(Kind::Text), text(v) {}                    // NOLINT
    Value(const std::string& v) : kind(Kind::Text), text(v) {}                  // NOLINT
    Value(const char* v) : kind(Kind::Text), text(v) {}                         // NOLINT
  };

  // Throws std::logic_error when a placeholder and its value do not match: a fault in the
  // writer itself, never in the data.
  void line(std::string_view pattern, std::initializer_list<Value> values = {});

  void reserve(std::size_t bytes) { text_.reserve(bytes); }
  std::string& text() { return text_; }

 private:
  std::string text_;
};

// The host's target path with its extension replaced by ".pwx", or ".pwx" appended when the file
// name has none. The file name starts after the last backslash, slash or colon.
std::string PwxTargetPath(std::string_view target);

// Host text as element content: UTF-8, without the control characters XML cannot carry, and with
// "&", "<" and ">" escaped.
std::string XmlElementText(std::string_view hostText);

// The whole document. Like every export it leaves two lasting marks on the state: CR LF pairs in
// Comment become single spaces, and a StartTime of exactly 0 becomes the current local time.
// May throw (out of memory, a start time that is no calendar date).
std::string BuildPwxDocument(PluginState& state);

// Builds the document and saves it at PwxTargetPath(target). An existing file there is replaced
// only by a complete new one. True once the file is saved; false for an empty target or when
// the file cannot be written. May throw as BuildPwxDocument does.
bool WritePwxDocument(PluginState& state, std::string_view target);

}  // namespace tessaly
