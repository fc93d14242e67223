#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace tessaly::fuzz {

// A file of this process's own, in memory where the system offers it.
inline std::string ScratchPath(const char* name) {
  const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  return std::string(dir) + "/tessaly-fuzz-" + std::to_string(getpid()) + "-" + name;
}

inline void WriteAll(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
}

// Hands out the input's bytes front to back; zeros once they run out.
class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::size_t Left() const { return size_ - pos_; }
  void Take(void* out, std::size_t n) {
    auto* o = static_cast<std::uint8_t*>(out);
    const std::size_t k = n < Left() ? n : Left();
    if (k > 0) std::memcpy(o, data_ + pos_, k);
    if (k < n) std::memset(o + k, 0, n - k);
    pos_ += k;
  }
  std::uint8_t Byte() {
    std::uint8_t b = 0;
    Take(&b, 1);
    return b;
  }
  std::string Text(std::size_t maxLength) {
    std::size_t n = Byte();
    if (n > maxLength) n = maxLength;
    std::string s(n, '\0');
    Take(s.data(), n);
    return s;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

}  // namespace tessaly::fuzz
