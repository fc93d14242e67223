// Save through a temporary file beside the target, then move it over the target: the move replaces
// the target in one step, so a reader sees either the old file or the complete new one.
#include <windows.h>

#include <string>

#include "platform/file_save.h"

namespace tessaly::platform {
namespace {

// The folder part of a path, in a form GetTempFileNameA takes: "C:\" rather than the drive's
// current folder "C:", "." for a bare file name.
std::string FolderOf(const std::string& path) {
  const std::size_t separator = path.find_last_of("\\/");
  if (separator == std::string::npos) {
    if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2) + ".";
    return ".";
  }
  std::string folder = path.substr(0, separator);
  if (folder.empty() || (folder.size() == 2 && folder[1] == ':')) folder = path.substr(0, separator + 1);
  return folder;
}

bool WriteAll(HANDLE file, const char* data, std::size_t size) {
  constexpr std::size_t kChunk = 1u << 24;
  while (size > 0) {
    const DWORD part = static_cast<DWORD>(size < kChunk ? size : kChunk);
    DWORD written = 0;
    if (!WriteFile(file, data, part, &written, nullptr) || written == 0) return false;
    data += written;
    size -= written;
  }
  return true;
}

}  // namespace

bool SaveFileReplacing(const std::string& path, std::string_view bytes) noexcept {
  try {
    if (path.empty()) return false;
    const std::string folder = FolderOf(path);
    char temp[MAX_PATH + 1] = {};
    // Creates the empty temporary file under a unique name.
    if (GetTempFileNameA(folder.c_str(), "tsy", 0, temp) == 0) return false;

    bool ok = false;
    const HANDLE file = CreateFileA(temp, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      ok = WriteAll(file, bytes.data(), bytes.size());
      ok = FlushFileBuffers(file) != 0 && ok;
      ok = CloseHandle(file) != 0 && ok;
    }
    ok = ok && MoveFileExA(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!ok) {
      DeleteFileA(temp);
      return false;
    }
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace tessaly::platform
