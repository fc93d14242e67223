#include "unpacked_file.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include "commands.h"
#include "exercise/stores.h"
#include "platform/file_system.h"
#include "plugin_api.h"

namespace tessaly::tool {
namespace {

// The largest file the plug-in can import, and so the most an unpack writes: the sample store's
// 8,388,608 samples at 512 bytes each (4 GiB), more than any device gives a sample (110 to 380
// bytes in the files we know) or the plug-in writes with the usual channels (about 280).
constexpr std::uint64_t kMostBytesPerSample = 512;
constexpr std::uint64_t kLargestImportableFile = (std::uint64_t{SampleStore::MaxIndex} + 1) * kMostBytesPerSample;
// What an unpack always leaves free on the disk it writes to, so that it never fills it.
constexpr std::uint64_t kKeptFreeBytes = std::uint64_t{64} << 20;

// Unpacks the gzip file at path, all its members as gzip itself does, into out, writing at most
// limit bytes; false with the reason (after "path: ") when it fails. Bytes after the last member
// that start no other are not read, as gzip ignores them too.
bool Unpack(const std::string& path, PrivateFile& out, std::uint64_t limit, std::string& why, bool& beyondLimit) {
  platform::FileReader in(path.c_str());
  if (!in.IsOpen()) {
    why = "cannot open: " + os::SystemErrorText(in.Error());
    return false;
  }
  z_stream z{};
  if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK) {  // 16: a gzip header and trailer around the data
    why = "no memory to unpack it";
    return false;
  }
  std::vector<char> packed(64 * 1024), plain(256 * 1024);
  std::uint64_t total = 0;
  int status = Z_OK;
  bool ok = true;
  while (ok) {
    if (z.avail_in == 0) {
      const std::size_t got = in.Read(packed.data(), packed.size());
      if (got == 0) {
        if (in.Error() != 0) why = "cannot read: " + os::SystemErrorText(in.Error());
        ok = in.Error() == 0;
        break;
      }
      z.next_in = reinterpret_cast<Bytef*>(packed.data());
      z.avail_in = static_cast<uInt>(got);
    }
    if (status == Z_STREAM_END) {
      if (z.next_in[0] != 0x1F) break;
      inflateReset(&z);  // the next member
    }
    z.next_out = reinterpret_cast<Bytef*>(plain.data());
    z.avail_out = static_cast<uInt>(plain.size());
    status = inflate(&z, Z_NO_FLUSH);
    if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) {
      why = "the file is gzip-compressed but cannot be unpacked, so it is damaged or ends early: get it again (" +
            std::string(z.msg != nullptr ? z.msg : "damaged data") + ")";
      ok = false;
      break;
    }
    const std::size_t made = plain.size() - z.avail_out;
    total += made;
    if (total > limit) {
      beyondLimit = true;
      ok = false;
      break;
    }
    ok = out.Write(plain.data(), made, why);
    if (!ok) why = "cannot unpack into " + out.Path() + ": " + why;
  }
  inflateEnd(&z);
  if (ok && status != Z_STREAM_END) {
    why = "the file is gzip-compressed but cannot be unpacked, so it is damaged or ends early: get it again "
          "(unexpected end of file)";
    ok = false;
  }
  return ok;
}

std::string Mebibytes(std::uint64_t bytes) { return std::to_string(bytes >> 20) + " MiB"; }

// Standard input for this run, and its copy once made.
std::FILE* g_standardInput = nullptr;
std::unique_ptr<PrivateFile> g_standardInputCopy;

}  // namespace

bool StandardInputPath(std::string& path, std::string& error) {
  if (!g_standardInputCopy) {
    auto copy = std::make_unique<PrivateFile>();
    if (!copy->Create("-" + std::string(kStandardInputName), error)) return false;
    std::vector<char> buffer(256 * 1024);
    os::UseBinary(g_standardInput);
    for (std::size_t got; (got = std::fread(buffer.data(), 1, buffer.size(), g_standardInput)) > 0;) {
      if (!copy->Write(buffer.data(), got, error)) return false;
    }
    if (std::ferror(g_standardInput)) {
      error = os::SystemErrorText(errno);
      return false;
    }
    g_standardInputCopy = std::move(copy);
  }
  path = g_standardInputCopy->Path();
  return true;
}

void UseStandardInput(std::FILE* in) {
  g_standardInput = in;
  g_standardInputCopy.reset();
}

std::string NameBeforeCompression(const std::string& name) {
  const std::size_t n = name.size();
  const bool gz = n > 3 && name[n - 3] == '.' && (name[n - 2] | 0x20) == 'g' && (name[n - 1] | 0x20) == 'z';
  return gz ? name.substr(0, n - 3) : name;
}

bool PlainWorkoutFile::Open(const std::string& path, std::string& error, bool asTheHost) {
  const bool standardInput = path == kStandardStream;
  source_ = path;
  if (standardInput && !StandardInputPath(source_, error)) {
    error = path + ": cannot read standard input: " + error;
    return false;
  }
  name_ = standardInput ? source_ : NameBeforeCompression(path);
  if (std::error_code ec; std::filesystem::is_directory(source_, ec)) {
    error = path + ": this is a folder, not a file: give the .pwx files in it";
    return false;
  }
  // The plug-in reports a missing or unreadable file as an empty import; the system says more. The
  // file is opened as the plug-in opens it, so a path of any length is reached.
  char magic[4] = {};
  std::size_t got = 0;
  {
    platform::FileReader f(source_.c_str());
    if (!f.IsOpen()) {
      error = path + ": cannot open: " + os::SystemErrorText(f.Error());
      return false;
    }
    got = f.Read(magic, sizeof magic);
  }
  const auto byte = [&](int k) { return static_cast<unsigned char>(magic[k]); };
  // A local file header, or the end record of an empty archive.
  if (got == 4 && magic[0] == 'P' && magic[1] == 'K' && ((byte(2) == 3 && byte(3) == 4) || (byte(2) == 5 && byte(3) == 6))) {
    error = path + ": the file is a zip archive: unpack it first and check the .pwx files inside";
    return false;
  }
  if (got < 2 || byte(0) != 0x1F || byte(1) != 0x8B) {
    plain_ = source_;
    return true;
  }
  if (asTheHost && !standardInput && name_ == path) {
    error = path + ": the file is gzip-compressed, which the host's plug-in cannot read: unpack it (gunzip), or "
                   "name it .pwx.gz for this tool";
    return false;
  }
  const std::string name = standardInput ? std::string(kStandardInputName) : std::filesystem::path(name_).filename().string();
  if (!unpacked_.Create("-" + name, error)) {
    error = path + ": cannot unpack: " + error;
    return false;
  }
  const std::uint64_t free = unpacked_.FreeBytes();
  const std::uint64_t room = free > kKeptFreeBytes ? free - kKeptFreeBytes : 0;
  const std::uint64_t limit = std::min(kLargestImportableFile, room);
  std::string why;
  bool beyondLimit = false;
  if (!Unpack(source_, unpacked_, limit, why, beyondLimit)) {
    if (!beyondLimit) {
      error = path + ": " + why;
    } else if (limit == kLargestImportableFile) {
      error = path + ": the file is gzip-compressed and unpacks to more than " + std::to_string(limit >> 30) +
              " GiB, more than any workout the plug-in can import: it is no PWX workout";
    } else {
      error = path + ": the file is gzip-compressed and unpacks to more than the temporary folder takes (" +
              Mebibytes(free) + " free, of which " + Mebibytes(kKeptFreeBytes) +
              " stay free): make room there, or unpack it yourself";
    }
    return false;
  }
  plain_ = unpacked_.Path();
  return true;
}

void PlainWorkoutFile::NameAsGiven(std::string& message, const std::string& path) const {
  for (const std::string& temporary : {unpacked_.Path(), source_}) {
    if (temporary.empty() || temporary == path) continue;
    for (std::size_t at = message.find(temporary); at != std::string::npos;
         at = message.find(temporary, at + path.size())) {
      message.replace(at, temporary.size(), path);
    }
  }
}

}  // namespace tessaly::tool
