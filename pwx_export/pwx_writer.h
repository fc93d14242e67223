// The PWX document of a workout: the summary block, the laps and the samples the host pushed, as a
// fixed sequence of text lines, handed on piece by piece as they are made.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "exercise/workout.h"
#include "util/date_time.h"
#include "util/number_format.h"

namespace tessaly {

// A line template written into the writer itself. "%.Nf" (N = 0..6), "%d" and "%s" stand for the
// values that follow, in order; a real that is not finite is written as 0 with the template's
// decimals. Such a template is taken apart once, when the writer is compiled:
// a malformed one does not compile, and writing the line only copies its literal pieces and the
// values' text.
template <std::size_t N>
struct PwxLinePattern {
  char chars[N]{};
  consteval PwxLinePattern(const char (&text)[N]) {  // NOLINT: templates are written inline
    for (std::size_t i = 0; i < N; ++i) chars[i] = text[i];
  }
};

namespace pwx_line {

enum class Kind : unsigned char { Real, Integer, Text };

// One placeholder and the literal text in front of it.
struct Slot {
  std::size_t literalBegin = 0;
  std::size_t literalLength = 0;
  Kind kind = Kind::Text;
  int decimals = 0;
};

// Length of the placeholder whose "%" is at `at`, 0 when none of the known ones starts there.
template <std::size_t N>
constexpr std::size_t PlaceholderLength(const PwxLinePattern<N>& p, std::size_t at) {
  const std::size_t length = N - 1;  // without the terminating NUL
  if (at + 1 < length && (p.chars[at + 1] == 'd' || p.chars[at + 1] == 's')) return 2;
  if (at + 3 < length && p.chars[at + 1] == '.' && p.chars[at + 2] >= '0' && p.chars[at + 2] <= '6' &&
      p.chars[at + 3] == 'f')
    return 4;
  return 0;
}

template <std::size_t N>
constexpr std::size_t SlotCount(const PwxLinePattern<N>& p) {
  std::size_t count = 0;
  for (std::size_t i = 0; i + 1 < N; ++i) {
    if (p.chars[i] != '%') continue;
    const std::size_t length = PlaceholderLength(p, i);
    if (length == 0) throw "PWX line template with an unknown placeholder or a lone percent sign";
    ++count;
    i += length - 1;
  }
  return count;
}

// The placeholders in order, then one more slot for the literal text after the last of them
// (its length counting the line's CR LF).
template <std::size_t Count, std::size_t N>
constexpr std::array<Slot, Count + 1> Slots(const PwxLinePattern<N>& p) {
  std::array<Slot, Count + 1> slots{};
  std::size_t literal = 0;
  std::size_t k = 0;
  for (std::size_t i = 0; i + 1 < N; ++i) {
    if (p.chars[i] != '%') continue;
    Slot& s = slots[k++];
    s.literalBegin = literal;
    s.literalLength = i - literal;
    const char c = p.chars[i + 1];
    s.kind = c == 'd' ? Kind::Integer : c == 's' ? Kind::Text : Kind::Real;
    if (s.kind == Kind::Real) s.decimals = p.chars[i + 2] - '0';
    i += PlaceholderLength(p, i) - 1;
    literal = i + 1;
  }
  slots[Count].literalBegin = literal;
  slots[Count].literalLength = N + 1 - literal;
  return slots;
}

// The template's characters followed by the line's CR LF.
template <std::size_t N>
constexpr std::array<char, N + 1> WithCrLf(const PwxLinePattern<N>& p) {
  std::array<char, N + 1> text{};
  for (std::size_t i = 0; i + 1 < N; ++i) text[i] = p.chars[i];
  text[N - 1] = '\r';
  text[N] = '\n';
  return text;
}

template <PwxLinePattern P>
struct CompiledLine {
  static constexpr std::size_t kSlotCount = SlotCount(P);
  static constexpr std::array<Slot, kSlotCount + 1> kSlots = Slots<kSlotCount>(P);
  static constexpr auto kText = WithCrLf(P);
};

}  // namespace pwx_line

// Where a document written piece by piece goes, in order.
class PwxSink {
 public:
  // False when the piece could not be written; nothing more is then handed over.
  virtual bool Write(std::string_view piece) = 0;

 protected:
  ~PwxSink() = default;
};

// Collects the document's lines, every one ending in CR LF, in one buffer of kPieceBytes that is
// handed on to the sink whenever it fills, so that a long workout's text is never held whole.
class PwxLineWriter {
 public:
  static constexpr std::size_t kPieceBytes = 256 * 1024;

  explicit PwxLineWriter(PwxSink& sink)
      : data_(std::make_unique_for_overwrite<char[]>(kPieceBytes)), sink_(sink) {}

  // A line from a template fixed in the code: w.line<"<hr>%d</hr>">(hr). A value of the wrong
  // kind, or a count that differs from the placeholders', does not compile.
  // Values come by copy: record fields are packed and cannot be bound to references.
  template <PwxLinePattern P, class... Args>
  void line(Args... values) {
    using Line = pwx_line::CompiledLine<P>;
    static_assert(sizeof...(Args) == Line::kSlotCount, "a PWX line takes one value per placeholder");
    [&]<std::size_t... I>(std::index_sequence<I...>) {
      (Put<Line, I>(values), ...);
    }(std::index_sequence_for<Args...>{});
    constexpr pwx_line::Slot tail = Line::kSlots[Line::kSlotCount];
    Literal<tail.literalLength>(Line::kText.data() + tail.literalBegin);
  }

  // Hands the rest to the sink. False once the sink has refused a piece.
  bool Finish();

 private:
  template <class Line, std::size_t I, class T>
  void Put(const T& value) {
    constexpr pwx_line::Slot slot = Line::kSlots[I];
    Literal<slot.literalLength>(Line::kText.data() + slot.literalBegin);
    if constexpr (slot.kind == pwx_line::Kind::Real) {
      static_assert(std::is_floating_point_v<T>, "\"%.Nf\" takes a real number");
      // Not finite: 0 in the line's own format.
      const double v = static_cast<double>(value);
      size_ = static_cast<std::size_t>(WriteFixed(Room(kMaxFixedLength), std::isfinite(v) ? v : 0.0, slot.decimals) -
                                       data_.get());
    } else if constexpr (slot.kind == pwx_line::Kind::Integer) {
      static_assert(std::is_integral_v<T> && !std::is_same_v<T, bool>, "\"%d\" takes an integer");
      size_ = static_cast<std::size_t>(WriteInteger(Room(kMaxIntegerLength), static_cast<std::int64_t>(value)) -
                                       data_.get());
    } else {
      static_assert(std::is_convertible_v<const T&, std::string_view>, "\"%s\" takes text");
      Append(std::string_view(value));
    }
  }

  // Room for `bytes` (at most kPieceBytes) more at the end of the buffer.
  char* Room(std::size_t bytes) {
    if (bytes > kPieceBytes - size_) HandOn();
    return data_.get() + size_;
  }
  template <std::size_t Length>
  void Literal(const char* text) {
    if constexpr (Length > 0) {
      std::memcpy(Room(Length), text, Length);
      size_ += Length;
    }
  }
  // A text larger than a whole piece goes to the sink directly.
  void Append(std::string_view text);
  // The buffer's text to the sink, which after a refusal is not asked again.
  void HandOn();

  std::unique_ptr<char[]> data_;
  std::size_t size_ = 0;
  PwxSink& sink_;
  bool written_ = true;  // every piece handed on so far was written
};

// The host's target path with its extension replaced by ".pwx", or ".pwx" appended when the file
// name has none. The file name starts after the last backslash, slash or colon; "" when there is
// none, as the target then names a folder ("rides\") or a drive ("C:").
std::string PwxTargetPath(std::string_view target);

// UTF-8 text as element content: without the characters no XML 1.0 document may hold (C0
// controls other than tab, LF and CR; surrogates; U+FFFE and U+FFFF), and with "&", "<" and ">"
// escaped.
std::string XmlCharacterData(std::string_view utf8);
// Host text as element content: converted to UTF-8, then as XmlCharacterData.
std::string XmlElementText(std::string_view hostText);

// The whole document of a workout handed to sink in pieces; false when the sink refused one. First
// makes the export's two lasting marks on the workout: each CR LF pair in the comment becomes one
// space, and a StartTime of exactly 0 becomes now. A sample channel that is 0 in every sample is
// left out of all of them. May throw (out of memory, a start time that is no calendar date).
bool WritePwxDocument(Workout& workout, DateTime now, PwxSink& sink);

}  // namespace tessaly
