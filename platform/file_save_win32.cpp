// Save through a temporary file beside the target, then move it over the target: the move replaces
// the target in one step, so a reader sees either the old file or the complete new one. Paths go
// through the wide functions in their \\?\ form, so a target deeper than MAX_PATH is saved too.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "platform/codepage_win32.h"
#include "platform/file_save.h"
#include "platform/file_system_win32.h"
#include "platform/temporary_file_name.h"

namespace tessaly::platform {

struct FileReplacement::Spool {
  std::wstring target;          // the file written, in the \\?\ form, with its links followed
  bool target_exists = false;
  DWORD kept_attributes = 0;    // the target's attributes that the new file takes over
  bool may_replace = false;     // moving it over the target keeps what the target was
  HANDLE file = INVALID_HANDLE_VALUE;
  std::wstring name;            // while it is a file of ours beside the target, to be removed

  Spool() = default;
  Spool(const Spool&) = delete;
  Spool& operator=(const Spool&) = delete;
  ~Spool() {
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    if (!name.empty()) DeleteFileW(name.c_str());
  }
};

namespace {

using Spool = FileReplacement::Spool;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// The attributes a replaced file keeps; read-only targets are refused before this matters.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                  FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
// FILETIME counts 100-nanosecond steps.
constexpr std::uint64_t kFileTimeStepsPerSecond = 10'000'000;

// Handles closed on every way out, a refused allocation's included.
struct CloseFile {
  void operator()(HANDLE file) const { CloseHandle(file); }
};
struct CloseSearch {
  void operator()(HANDLE search) const { FindClose(search); }
};
using FileHandle = std::unique_ptr<void, CloseFile>;
using SearchHandle = std::unique_ptr<void, CloseSearch>;

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

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

std::wstring FolderOf(const std::wstring& full) { return full.substr(0, full.find_last_of(L'\\')); }

// The final path of an open file, with every link on the way followed; "" when it cannot be told.
std::wstring FinalPath(HANDLE file) {
  DWORD size = GetFinalPathNameByHandleW(file, nullptr, 0, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (size == 0) return {};
  std::wstring path(size, L'\0');
  size = GetFinalPathNameByHandleW(file, path.data(), size, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (size == 0 || size >= path.size()) return {};
  path.resize(size);
  return path;
}

// Finds out what the target is: nothing yet (true, target_exists false), a file we may write
// (true), or something a plain write would refuse too: a folder, a read-only file (false). A link
// is followed, so that the save writes the file it points to.
bool LookAtTarget(Spool& spool) {
  // Only its attributes, which no program holding it open can deny us.
  const HANDLE opened = CreateFileW(spool.target.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (opened == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  FileHandle file(opened);
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = GetFileInformationByHandle(opened, &info) != 0;
  const std::wstring final_path = FinalPath(opened);
  file.reset();
  if (!known || (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) return false;
  if (!final_path.empty()) spool.target = LongFullPath(final_path);
  spool.target_exists = true;
  spool.kept_attributes = info.dwFileAttributes & kKeptAttributes;
  // A file with other names (hard links) would keep its old bytes under them.
  spool.may_replace = info.nNumberOfLinks == 1;
  return !spool.target.empty();
}

// Our temporary files that saves cut short left in folder more than a day ago. Only names of our
// own making are looked at, so no other file is ever removed.
void RemoveStaleTemporaryFiles(const std::wstring& folder) {
  WIN32_FIND_DATAW found{};
  const std::wstring pattern = folder + L"\\" + std::wstring(kTemporaryFilePrefix.begin(), kTemporaryFilePrefix.end()) + L"*";
  const HANDLE first = FindFirstFileW(pattern.c_str(), &found);
  if (first == INVALID_HANDLE_VALUE) return;
  const SearchHandle search(first);
  FILETIME now_time{};
  GetSystemTimeAsFileTime(&now_time);
  const auto steps = [](const FILETIME& t) { return (std::uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime; };
  const std::uint64_t now = steps(now_time);
  const std::uint64_t stale = static_cast<std::uint64_t>(kStaleTemporaryFileSeconds) * kFileTimeStepsPerSecond;
  do {
    const std::uint64_t written = steps(found.ftLastWriteTime);
    if (IsTemporaryFileName(std::wstring_view(found.cFileName)) &&
        (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0 &&
        written < now && now - written > stale) {
      DeleteFileW((folder + L"\\" + found.cFileName).c_str());
    }
  } while (FindNextFileW(first, &found));
}

// A new file of ours under a free marked name in folder, readable and writable.
HANDLE OpenNamed(const std::wstring& folder, DWORD flags, std::wstring& name) {
  for (unsigned attempt = 0; attempt < 64; ++attempt) {
    const std::string ours = TemporaryFileName(GetCurrentProcessId(), attempt);
    std::wstring candidate = folder + L"\\" + std::wstring(ours.begin(), ours.end());
    const HANDLE file = CreateFileW(candidate.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, flags, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      name = std::move(candidate);
      return file;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return INVALID_HANDLE_VALUE;
  }
  return INVALID_HANDLE_VALUE;
}

// A file in the system's folder for temporary files that the system removes once it is closed, or
// once the process ends: the document of a save that can only be copied into its target waits
// there when the target's folder takes no new file.
HANDLE OpenAside() {
  DWORD size = GetTempPathW(0, nullptr);
  if (size == 0) return INVALID_HANDLE_VALUE;
  std::wstring folder(size, L'\0');
  size = GetTempPathW(size, folder.data());
  if (size == 0 || size >= folder.size()) return INVALID_HANDLE_VALUE;
  folder = LongFullPath(folder.substr(0, size));
  while (!folder.empty() && IsSeparator(folder.back())) folder.pop_back();
  std::wstring unused;
  return folder.empty() ? INVALID_HANDLE_VALUE
                        : OpenNamed(folder, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, unused);
}

// Puts the spool in the target's place by a move, carrying over the target's attributes.
bool Replace(Spool& spool) {
  if (!CloseHandle(spool.file)) {
    spool.file = INVALID_HANDLE_VALUE;
    return false;
  }
  spool.file = INVALID_HANDLE_VALUE;
  if ((spool.kept_attributes & ~FILE_ATTRIBUTE_ARCHIVE) != 0) SetFileAttributesW(spool.name.c_str(), spool.kept_attributes);
  if (!MoveFileExW(spool.name.c_str(), spool.target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return false;
  spool.name.clear();  // it is the target now
  return true;
}

// Where the move is refused (the target is held open by a program that lets others write it but
// not remove it; a folder that takes no new name) or would change what the file is, but the file
// itself may be written, the document is copied into it, as any program saving that file would
// write it. The document is whole before the target is touched, so only the copy itself can be
// cut short.
bool WriteInPlace(Spool& spool) {
  static constexpr DWORD kChunk = 1u << 16;
  std::string chunk(kChunk, '\0');
  if (spool.file == INVALID_HANDLE_VALUE) {
    spool.file = CreateFileW(spool.name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (spool.file == INVALID_HANDLE_VALUE) return false;
  }
  if (!SetFilePointerEx(spool.file, LARGE_INTEGER{}, nullptr, FILE_BEGIN)) return false;
  // Sharing all, so that a program holding the file open with write sharing does not stop it.
  const HANDLE target = CreateFileW(spool.target.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (target == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  for (;;) {
    DWORD read = 0;
    ok = ReadFile(spool.file, chunk.data(), kChunk, &read, nullptr) != 0;
    if (!ok || read == 0) break;
    ok = WriteAll(target, chunk.data(), read);
    if (!ok) break;
  }
  ok = ok && SetEndOfFile(target) && FlushFileBuffers(target);
  return CloseHandle(target) && ok;
}

}  // namespace

FileReplacement::FileReplacement(const std::string& target) noexcept {
  try {
    const std::wstring wide = AnsiToWide(target);
    if (wide.empty() || IsSeparator(wide.back())) return;  // a folder is no file to save
    auto spool = std::make_unique<Spool>();
    spool->target = LongFullPath(wide);
    if (spool->target.empty() || !LookAtTarget(*spool)) return;
    if (!spool->target_exists) spool->may_replace = true;
    const std::wstring folder = FolderOf(spool->target);
    RemoveStaleTemporaryFiles(folder);
    spool->file = OpenNamed(folder, FILE_ATTRIBUTE_NORMAL, spool->name);
    if (spool->file == INVALID_HANDLE_VALUE) {
      // The folder takes no new file, but the file in it may be written.
      if (!spool->target_exists) return;
      spool->file = OpenAside();
      spool->may_replace = false;
      if (spool->file == INVALID_HANDLE_VALUE) return;
    }
    spool_ = std::move(spool);
  } catch (...) {
  }
}

FileReplacement::~FileReplacement() = default;

bool FileReplacement::Write(std::string_view bytes) noexcept {
  if (!spool_) return false;
  if (!WriteAll(spool_->file, bytes.data(), bytes.size())) spool_.reset();
  return spool_ != nullptr;
}

bool FileReplacement::Commit() noexcept {
  if (!spool_) return false;
  // Whatever happens below, nothing more is written, and the spool goes with this scope.
  const std::unique_ptr<Spool> spool = std::move(spool_);
  try {
    if (!FlushFileBuffers(spool->file)) return false;
    if (spool->may_replace && Replace(*spool)) return true;
    return spool->target_exists && WriteInPlace(*spool);
  } catch (...) {
    return false;
  }
}

}  // namespace tessaly::platform
