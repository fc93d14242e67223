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

FileReplacement::FileReplacement(const std::string& target) noexcept {
  try {
    if (target.empty()) return;
    target_ = target;
    const std::string folder = FolderOf(target, PathStyle::Windows);
    char temp[MAX_PATH + 1] = {};
    temp_.reserve(sizeof(temp));  // so that keeping the name below cannot fail
    // Creates the empty temporary file under a unique name.
    if (GetTempFileNameA(folder.c_str(), "tsy", 0, temp) == 0) return;
    temp_ = temp;
    const HANDLE file = CreateFileA(temp, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      Discard();
      return;
    }
    file_ = reinterpret_cast<std::intptr_t>(file);
  } catch (...) {
    Discard();
  }
}

FileReplacement::~FileReplacement() { Discard(); }

void FileReplacement::Discard() noexcept {
  if (file_ != -1) CloseHandle(reinterpret_cast<HANDLE>(file_));
  file_ = -1;
  if (!temp_.empty()) DeleteFileA(temp_.c_str());
  temp_.clear();
}

bool FileReplacement::Write(std::string_view bytes) noexcept {
  if (file_ == -1) return false;
  if (!WriteAll(reinterpret_cast<HANDLE>(file_), bytes.data(), bytes.size())) Discard();
  return file_ != -1;
}

bool FileReplacement::Commit() noexcept {
  if (file_ == -1) return false;
  const HANDLE file = reinterpret_cast<HANDLE>(file_);
  file_ = -1;
  bool ok = FlushFileBuffers(file) != 0;
  ok = CloseHandle(file) != 0 && ok;
  ok = ok && MoveFileExA(temp_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  if (!ok) {
    Discard();
    return false;
  }
  temp_.clear();  // committed: nothing more is written or removed
  return true;
}

}  // namespace tessaly::platform
