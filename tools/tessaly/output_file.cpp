#include "output_file.h"

#include <filesystem>
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

}  // namespace tessaly::tool
