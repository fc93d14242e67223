#include "output_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "plugin_api.h"
#include "util/ascii.h"

namespace tessaly::tool {
namespace {

namespace fs = std::filesystem;

constexpr const char kPwxExtension[] = ".pwx";

}  // namespace

std::string PwxTargetRefusal(const std::string& target) {
  const std::string name = fs::path(target).filename().string();
  std::error_code ec;
  if (name.empty() || fs::is_directory(target, ec)) {
    return target + ": a folder, not a file name; give the file to write, ending in " + kPwxExtension;
  }
  const std::size_t dot = name.rfind('.');
  const std::string_view extension = dot == std::string::npos ? std::string_view() : std::string_view(name).substr(dot);
  if (!EqualsLowerAscii(extension, kPwxExtension)) {
    return target + ": not a PWX file name; the plug-in writes only names ending in " + kPwxExtension;
  }
  if (extension != kPwxExtension && !os::FileNamesIgnoreCase()) {
    return target + ": the plug-in writes the extension as " + kPwxExtension + ", and on this system " + name + " and " +
           name.substr(0, dot) + kPwxExtension + " are two files: name the output " + name.substr(0, dot) + kPwxExtension;
  }
  if (dot == 0) return target + ": the extension alone; give the file a name before " + kPwxExtension;
  return {};
}

std::string InputReplacedRefusal(const std::string& input, const std::string& output) {
  std::error_code ec;
  if (fs::exists(output, ec) && fs::equivalent(input, output, ec)) {
    return input + ": the output " + output + " would replace the input";
  }
  return {};
}

StandardOutputFile::~StandardOutputFile() {
  if (!path_.empty()) std::remove(path_.c_str());
}

bool StandardOutputFile::Open(std::string& error) {
  if (!held_.Create("-standard-output", error)) return false;
  path_ = held_.Path() + kPwxExtension;
  return true;
}

bool StandardOutputFile::CopyTo(std::FILE* out, std::string& error, int& writeError) const {
  std::FILE* in = std::fopen(path_.c_str(), "rb");
  if (in == nullptr) {
    error = std::strerror(errno);
    return false;
  }
  os::UseBinary(out);
  char buffer[64 * 1024];
  writeError = 0;
  for (std::size_t got; writeError == 0 && (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;) {
    if (std::fwrite(buffer, 1, got, out) != got) writeError = errno;
  }
  const bool read = std::ferror(in) == 0;
  if (!read) error = std::strerror(errno);
  std::fclose(in);
  return read;
}

bool WriteWholeFile(const std::string& path, const std::function<bool(std::FILE*)>& write, std::string& error) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  const bool written = write(out);
  const int reason = errno;
  const bool closed = std::fclose(out) == 0;
  if (written && closed) return true;
  error = "cannot write " + path + ": " + std::strerror(written ? errno : reason);
  std::error_code ec;
  fs::remove(path, ec);
  return false;
}

bool MakeFolder(const std::string& folder, std::string& error) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (fs::is_directory(folder)) return true;
  error = "cannot make the folder " + folder + ": " + ec.message();
  return false;
}

bool MakeFolderFor(const std::string& file, std::string& error) {
  const fs::path folder = fs::path(file).parent_path();
  return folder.empty() || MakeFolder(folder.string(), error);
}

}  // namespace tessaly::tool
