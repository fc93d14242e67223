// The names of the save's temporary files, the same on every system: ".tessaly-", twelve lower-case
// hexadecimal digits, ".tmp". Only a file of such a name is ever taken for a leftover, so no other
// file is ever removed.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace tessaly::platform {

inline constexpr std::string_view kTemporaryFilePrefix = ".tessaly-";
inline constexpr std::string_view kTemporaryFileSuffix = ".tmp";
inline constexpr std::size_t kTemporaryFileDigits = 12;
// POSIX systems: a save still being written touches its file far more often than this, so an older
// one of ours was left by a save that was cut short. (On Linux a save's file has no name until its
// last step, so hardly any is left.) Windows tells a leftover by no one holding it open.
inline constexpr std::int64_t kStaleTemporaryFileSeconds = 24 * 60 * 60;

// A name unlikely to be taken by another save of any process or thread; the file is created only
// if the name is free, so a clash costs one more attempt.
inline std::string TemporaryFileName(std::uint64_t process, unsigned attempt) {
  static std::atomic<std::uint64_t> counter{0};
  std::uint64_t x = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  x ^= process << 32;
  x ^= ++counter * 0x9E3779B97F4A7C15ull;
  x ^= attempt;
  x ^= x >> 29;
  x *= 0xBF58476D1CE4E5B9ull;
  x ^= x >> 32;
  static constexpr char kHex[] = "0123456789abcdef";
  std::string name(kTemporaryFilePrefix);
  for (std::size_t k = 0; k < kTemporaryFileDigits; ++k) name += kHex[(x >> (4 * k)) & 0xF];
  name += kTemporaryFileSuffix;
  return name;
}

// True only for a name TemporaryFileName could have made. Char is char or wchar_t.
template <typename Char>
bool IsTemporaryFileName(std::basic_string_view<Char> name) {
  const std::size_t digits_end = kTemporaryFilePrefix.size() + kTemporaryFileDigits;
  if (name.size() != digits_end + kTemporaryFileSuffix.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const Char c = name[i];
    if (i < kTemporaryFilePrefix.size()) {
      if (c != static_cast<Char>(kTemporaryFilePrefix[i])) return false;
    } else if (i < digits_end) {
      if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    } else if (c != static_cast<Char>(kTemporaryFileSuffix[i - digits_end])) {
      return false;
    }
  }
  return true;
}

}  // namespace tessaly::platform
