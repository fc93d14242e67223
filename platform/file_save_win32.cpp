// Save through a temporary file beside the target, then move it over the target: the move replaces
// the target in one step, so a reader sees either the old file or the complete new one.
#include <windows.h>

#include <string>

#include "platform/file_save.h"
#include "platform/path.h"

namespace tessaly::platform {
namespace {

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
    const std::string folder = FolderOf(path, PathStyle::Windows);
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
