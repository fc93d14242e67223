#include "output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

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
  if (dot == std::string::npos || name.compare(dot, std::string::npos, kPwxExtension) != 0) {
    return target + ": not a PWX file name; the plug-in writes only names ending in " + kPwxExtension;
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

std::string WriteFailureReason(const std::string& path) {
  std::error_code ec;
  fs::path folder = fs::path(path).parent_path();
  if (folder.empty()) folder = ".";
  if (!fs::is_directory(folder, ec)) return "the folder " + folder.string() + " is not there";
  if (fs::is_directory(path, ec)) return "it is a folder";
  if (fs::exists(path, ec)) {
    std::FILE* existing = std::fopen(path.c_str(), "r+b");  // opened to write, nothing changed
    if (existing == nullptr) return std::strerror(errno);
    std::fclose(existing);
  }
  // The writer makes a new file beside the target first.
  std::random_device random;
  const fs::path probe = folder / (".tessaly-write-test-" + std::to_string(random()));
  std::FILE* created = std::fopen(probe.string().c_str(), "wb");
  if (created == nullptr) return std::strerror(errno);
  std::fclose(created);
  fs::remove(probe, ec);
  const fs::space_info space = fs::space(folder, ec);
  if (!ec && space.available == 0) return std::strerror(ENOSPC);
  return {};
}

}  // namespace tessaly::tool
