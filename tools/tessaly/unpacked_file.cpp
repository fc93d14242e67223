#include "unpacked_file.h"

#include <zlib.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>
#include <vector>

namespace tessaly::tool {
namespace {

// More than any workout the plug-in can hold (about 97 days of one-second samples); a small file
// that unpacks to more is refused before it fills the temporary folder.
constexpr std::uint64_t kMaxUnpackedBytes = std::uint64_t{4} << 30;

// Unpacks the gzip file at path into target; false with the reason (after "path: ") when it fails.
bool Unpack(const std::string& path, const std::string& target, std::string& why) {
  gzFile in = gzopen(path.c_str(), "rb");
  if (in == nullptr) {
    why = std::string("cannot open: ") + std::strerror(errno);
    return false;
  }
  std::FILE* out = std::fopen(target.c_str(), "wb");
  if (out == nullptr) {
    gzclose(in);
    why = "cannot unpack into " + target + ": " + std::strerror(errno);
    return false;
  }
  std::vector<char> chunk(256 * 1024);
  bool written = true;
  std::uint64_t total = 0;
  int got = 0;
  while (written && total <= kMaxUnpackedBytes &&
         (got = gzread(in, chunk.data(), static_cast<unsigned>(chunk.size()))) > 0) {
    written = std::fwrite(chunk.data(), 1, static_cast<std::size_t>(got), out) == static_cast<std::size_t>(got);
    total += static_cast<std::uint64_t>(got);
  }
  // A cut-off file reads as an early end; zlib keeps that as an error to ask for, as "PATH: message".
  int code = Z_OK;
  std::string zlibMessage = gzerror(in, &code);
  if (zlibMessage.rfind(path + ": ", 0) == 0) zlibMessage.erase(0, path.size() + 2);
  gzclose(in);
  written = std::fclose(out) == 0 && written;
  if (code != Z_OK) {
    why = "the file is gzip-compressed but cannot be unpacked, so it is damaged or ends early: get it again (" +
          zlibMessage + ")";
    return false;
  }
  if (total > kMaxUnpackedBytes) {
    why = "the file is gzip-compressed and unpacks to more than 4 GiB, more than any workout: it is no PWX workout";
    return false;
  }
  if (!written) {
    why = "cannot unpack into " + target;
    return false;
  }
  return true;
}

}  // namespace

std::string NameBeforeCompression(const std::string& name) {
  const std::size_t n = name.size();
  const bool gz = n > 3 && name[n - 3] == '.' && (name[n - 2] | 0x20) == 'g' && (name[n - 1] | 0x20) == 'z';
  return gz ? name.substr(0, n - 3) : name;
}

std::string TemporaryPath(const std::string& suffix) {
  namespace fs = std::filesystem;
  std::error_code ec;
  std::string folder = fs::temp_directory_path(ec).string();
  if (ec || folder.empty()) return "";
  const char separator = static_cast<char>(fs::path::preferred_separator);
  if (folder.back() != '/' && folder.back() != separator) folder += separator;
  std::random_device random;
  return folder + "tessaly-" + std::to_string(random()) + std::to_string(random()) + suffix;
}

PlainWorkoutFile::~PlainWorkoutFile() {
  if (!temporary_.empty()) std::remove(temporary_.c_str());
}

bool PlainWorkoutFile::Open(const std::string& path, std::string& error) {
  // The plug-in reports a missing or unreadable file as an empty import; the system says more.
  unsigned char magic[4] = {};
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) {
    error = path + ": cannot open: " + std::strerror(errno);
    return false;
  }
  const std::size_t got = std::fread(magic, 1, sizeof magic, f);
  std::fclose(f);
  // A local file header, or the end record of an empty archive.
  if (got == 4 && magic[0] == 'P' && magic[1] == 'K' && ((magic[2] == 3 && magic[3] == 4) || (magic[2] == 5 && magic[3] == 6))) {
    error = path + ": the file is a zip archive: unpack it first and check the .pwx files inside";
    return false;
  }
  if (got < 2 || magic[0] != 0x1F || magic[1] != 0x8B) {
    plain_ = path;
    return true;
  }
  const std::string name = NameBeforeCompression(std::filesystem::path(path).filename().string());
  temporary_ = TemporaryPath("-" + name);
  if (temporary_.empty()) {
    error = path + ": cannot unpack: no temporary folder";
    return false;
  }
  std::string why;
  if (!Unpack(path, temporary_, why)) {
    error = path + ": " + why;
    return false;
  }
  plain_ = temporary_;
  return true;
}

void PlainWorkoutFile::NameAsGiven(std::string& message, const std::string& path) const {
  if (temporary_.empty()) return;
  for (std::size_t at = message.find(temporary_); at != std::string::npos; at = message.find(temporary_, at + path.size())) {
    message.replace(at, temporary_.size(), path);
  }
}

}  // namespace tessaly::tool
