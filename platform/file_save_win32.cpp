// Save through a temporary file beside the target, then rename it over the target: the rename
// replaces the target in one step, so a reader sees either the old file or the complete new one.
// Paths go through the wide functions in their \\?\ form, so a target deeper than MAX_PATH is
// saved too. The temporary file is hidden, and held open with nothing shared from its creation to
// its rename, which is made through that same handle: so while a save runs no other program can
// open it, and a file of ours that can be opened alone is a leftover of a save that was cut short.
#include <windows.h>

#include <cstdint>
#include <cstring>
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
    if (file != INVALID_HANDLE_VALUE) {
      // Removed through the handle that holds it, so that it is never left unheld under its name.
      FILE_DISPOSITION_INFO remove{TRUE};
      if (!name.empty() && SetFileInformationByHandle(file, FileDispositionInfo, &remove, sizeof remove)) name.clear();
      CloseHandle(file);
    }
    if (!name.empty()) DeleteFileW(name.c_str());
  }
};

namespace {

using Spool = FileReplacement::Spool;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// The attributes a replaced file keeps; read-only targets are refused before this matters.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                  FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Handles closed on every way out, a refused allocation's included.
struct CloseFile {
  void operator()(HANDLE file) const { CloseHandle(file); }
};
struct CloseSearch {
  void operator()(HANDLE search) const { FindClose(search); }
};
using FileHandle = std::unique_ptr<void, CloseFile>;
using SearchHandle = std::unique_ptr<void, CloseSearch>;

// The code of the call that just failed; never 0, so that a failure is never taken for success.
int LastError() {
  const DWORD error = GetLastError();
  return static_cast<int>(error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE);
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

// Finds out what the target is: nothing yet (0, target_exists false), a file we may write (0), or
// something a plain write would refuse too, with the code that write would get: a folder, a
// read-only file, a folder that is not there. A link is followed, so that the save writes the file
// it points to.
DWORD LookAtTarget(Spool& spool) {
  // Only its attributes, which no program holding it open can deny us.
  const HANDLE opened = CreateFileW(spool.target.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (opened == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;
  }
  FileHandle file(opened);
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(opened, &info)) return static_cast<DWORD>(LastError());
  const std::wstring final_path = FinalPath(opened);
  file.reset();
  if ((info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) return ERROR_ACCESS_DENIED;
  if (!final_path.empty()) spool.target = LongFullPath(final_path);
  if (spool.target.empty()) return ERROR_PATH_NOT_FOUND;
  spool.target_exists = true;
  spool.kept_attributes = info.dwFileAttributes & kKeptAttributes;
  // A file with other names (hard links) would keep its old bytes under them.
  spool.may_replace = info.nNumberOfLinks == 1;
  return ERROR_SUCCESS;
}

// Our temporary files that saves cut short left in folder: those no one holds open, since a save
// holds its own open, sharing nothing, until it is renamed. Only names of our own making are looked
// at, so no other file is ever removed.
void RemoveStaleTemporaryFiles(const std::wstring& folder) {
  WIN32_FIND_DATAW found{};
  const std::wstring pattern = folder + L"\\" + std::wstring(kTemporaryFilePrefix.begin(), kTemporaryFilePrefix.end()) + L"*";
  const HANDLE first = FindFirstFileW(pattern.c_str(), &found);
  if (first == INVALID_HANDLE_VALUE) return;
  const SearchHandle search(first);
  do {
    if (!IsTemporaryFileName(std::wstring_view(found.cFileName)) ||
        (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
      continue;
    }
    // Opened alone, it goes when closed; held by a save, the open fails and it stays.
    const HANDLE alone = CreateFileW((folder + L"\\" + found.cFileName).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (alone != INVALID_HANDLE_VALUE) CloseHandle(alone);
  } while (FindNextFileW(first, &found));
}

// A new hidden file of ours under a free marked name in folder, readable, writable and renamable
// through its handle, and shared with no one.
HANDLE OpenNamed(const std::wstring& folder, DWORD flags, std::wstring& name) {
  for (unsigned attempt = 0; attempt < 64; ++attempt) {
    const std::string ours = TemporaryFileName(GetCurrentProcessId(), attempt);
    std::wstring candidate = folder + L"\\" + std::wstring(ours.begin(), ours.end());
    const HANDLE file = CreateFileW(candidate.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_HIDDEN | flags, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      name = std::move(candidate);
      return file;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return INVALID_HANDLE_VALUE;
  }
  SetLastError(ERROR_FILE_EXISTS);
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

// Puts the spool in the target's place by a rename through its own handle, so that it is never
// left unheld, carrying over the target's attributes; NORMAL stands for none, as 0 would leave the
// spool's own (hidden).
bool Replace(Spool& spool) {
  FILE_BASIC_INFO basic{};
  basic.FileAttributes = spool.kept_attributes != 0 ? spool.kept_attributes : FILE_ATTRIBUTE_NORMAL;
  if (!SetFileInformationByHandle(spool.file, FileBasicInfo, &basic, sizeof basic)) return false;
  // The rename takes the system's own form of the path: \\?\C:\... is \??\C:\...
  const std::wstring to = L"\\??\\" + spool.target.substr(4);
  const std::size_t bytes = to.size() * sizeof(wchar_t);
  std::string buffer(sizeof(FILE_RENAME_INFO) + bytes, '\0');
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = TRUE;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(bytes);
  std::memcpy(rename->FileName, to.data(), bytes);
  if (!SetFileInformationByHandle(spool.file, FileRenameInfo, rename, static_cast<DWORD>(buffer.size()))) return false;
  spool.name.clear();  // it is the target now
  return true;
}

// Room on the disk for the document before any byte of the target is overwritten: zeros written
// after the old end up to the document's length, which every file system (and Wine) must find
// room for, and which a failure cuts off again. Growing the file with SetEndOfFile alone may leave
// the room to be found later, during the copy; SetFileValidData would only spare the zeros, and
// needs a privilege enabled in the process's token, a process-wide change the plug-in does not
// make. 0, or the system's code.
int TakeRoom(HANDLE target, LARGE_INTEGER old_size, LARGE_INTEGER size) {
  if (size.QuadPart <= old_size.QuadPart) return 0;
  static constexpr std::size_t kChunk = 1u << 16;
  const std::string zeros(kChunk, '\0');
  if (!SetFilePointerEx(target, old_size, nullptr, FILE_BEGIN)) return LastError();
  for (LONGLONG left = size.QuadPart - old_size.QuadPart; left > 0;) {
    const std::size_t part = left < static_cast<LONGLONG>(kChunk) ? static_cast<std::size_t>(left) : kChunk;
    if (!WriteAll(target, zeros.data(), part)) {
      const int error = LastError();
      if (SetFilePointerEx(target, old_size, nullptr, FILE_BEGIN)) SetEndOfFile(target);  // the old length again
      return error;
    }
    left -= static_cast<LONGLONG>(part);
  }
  return 0;
}

// Where the rename is refused (the target is held open by a program that lets others write it but
// not remove it; a folder that takes no new name) or would change what the file is, but the file
// itself may be written, the document is copied into it, as any program saving that file would
// write it. The document is whole and the disk's room for it taken before the target is touched,
// so only the copy itself can be cut short. 0, or the system's code.
int WriteInPlace(Spool& spool) {
  static constexpr DWORD kChunk = 1u << 16;
  std::string chunk(kChunk, '\0');
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(spool.file, &size) || !SetFilePointerEx(spool.file, LARGE_INTEGER{}, nullptr, FILE_BEGIN)) {
    return LastError();
  }
  // Sharing all, so that a program holding the file open with write sharing does not stop it.
  const HANDLE target = CreateFileW(spool.target.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (target == INVALID_HANDLE_VALUE) return LastError();
  const FileHandle closed(target);
  LARGE_INTEGER old_size{};
  if (!GetFileSizeEx(target, &old_size)) return LastError();
  if (const int error = TakeRoom(target, old_size, size); error != 0) return error;
  if (!SetFilePointerEx(target, LARGE_INTEGER{}, nullptr, FILE_BEGIN)) return LastError();
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(spool.file, chunk.data(), kChunk, &read, nullptr)) return LastError();
    if (read == 0) break;
    if (!WriteAll(target, chunk.data(), read)) return LastError();
  }
  if (!SetEndOfFile(target) || !FlushFileBuffers(target)) return LastError();
  return 0;
}

// The spool for a save at target, or null with why not in failure.
std::unique_ptr<Spool> OpenSpool(const std::string& target, SaveResult& failure) {
  const auto fail = [&](SaveOutcome outcome, DWORD systemError) {
    failure = {outcome, static_cast<int>(systemError)};
    return nullptr;
  };
  const std::wstring wide = AnsiToWide(target);
  if (wide.empty()) return fail(SaveOutcome::Refused, ERROR_PATH_NOT_FOUND);
  if (IsSeparator(wide.back())) return fail(SaveOutcome::Refused, ERROR_ACCESS_DENIED);  // a folder is no file
  auto spool = std::make_unique<Spool>();
  spool->target = LongFullPath(wide);
  if (spool->target.empty()) return fail(SaveOutcome::Refused, ERROR_INVALID_NAME);
  if (const DWORD error = LookAtTarget(*spool); error != ERROR_SUCCESS) return fail(SaveOutcome::Refused, error);
  if (!spool->target_exists) spool->may_replace = true;
  const std::wstring folder = FolderOf(spool->target);
  RemoveStaleTemporaryFiles(folder);
  spool->file = OpenNamed(folder, 0, spool->name);
  if (spool->file == INVALID_HANDLE_VALUE) {
    const DWORD error = static_cast<DWORD>(LastError());
    // The folder takes no new file, but the file in it may be written.
    if (!spool->target_exists) return fail(SaveOutcome::Failed, error);
    spool->file = OpenAside();
    spool->may_replace = false;
    if (spool->file == INVALID_HANDLE_VALUE) return fail(SaveOutcome::Failed, error);
  }
  return spool;
}

}  // namespace

FileReplacement::FileReplacement(const std::string& target) noexcept {
  try {
    spool_ = OpenSpool(target, failure_);
  } catch (...) {
    failure_ = {SaveOutcome::Failed, ERROR_NOT_ENOUGH_MEMORY};
  }
}

FileReplacement::~FileReplacement() = default;

bool FileReplacement::Write(std::string_view bytes) noexcept {
  if (!spool_) return false;
  if (WriteAll(spool_->file, bytes.data(), bytes.size())) return true;
  failure_ = {SaveOutcome::Failed, LastError()};
  spool_.reset();
  return false;
}

SaveResult FileReplacement::Commit() noexcept {
  if (!spool_) return failure_;
  // Whatever happens below, nothing more is written, and the spool goes with this scope.
  const std::unique_ptr<Spool> spool = std::move(spool_);
  try {
    if (!FlushFileBuffers(spool->file)) return {SaveOutcome::Failed, LastError()};
    if (spool->may_replace && Replace(*spool)) return {};
    const int replace_error = LastError();
    if (!spool->target_exists) return {SaveOutcome::Failed, replace_error};
    const int error = WriteInPlace(*spool);
    return error == 0 ? SaveResult{} : SaveResult{SaveOutcome::Failed, error};
  } catch (...) {
    return {SaveOutcome::Failed, ERROR_NOT_ENOUGH_MEMORY};
  }
}

void SetLastSystemError(int code) noexcept { SetLastError(static_cast<DWORD>(code)); }

}  // namespace tessaly::platform
