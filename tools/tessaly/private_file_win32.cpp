#include <windows.h>
#include <sddl.h>

#include <cstring>
#include <limits>
#include <random>

#include "plugin_api.h"
#include "private_file.h"

namespace tessaly::tool {
namespace {

// The paths the console handler removes, a slot for each file alive at once (a run has one or
// two). Written before the slot is marked in use, so the handler only reads whole paths.
constexpr int kSlots = 4;
char g_paths[kSlots][MAX_PATH];
volatile LONG g_inUse[kSlots];
char g_folder[MAX_PATH];

// Runs on a thread of its own when the console is interrupted or closed; the default handler after
// it then ends the run.
BOOL WINAPI OnInterruption(DWORD) {
  for (int k = 0; k < kSlots; ++k) {
    if (g_inUse[k]) DeleteFileA(g_paths[k]);
  }
  RemoveDirectoryA(g_folder);  // only when no other run has a file in it
  return FALSE;
}

void CatchInterruptions() {
  static bool caught = false;
  if (caught) return;
  caught = true;
  SetConsoleCtrlHandler(OnInterruption, TRUE);
}

std::string SystemWords(DWORD code) { return os::SystemErrorText(static_cast<int>(code)); }

// An access list that lets the user alone in, inherited by everything made in the folder; null when
// it cannot be made (the folder then inherits the temporary folder's, which is the user's too).
struct UserOnly {
  SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
  UserOnly() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::string user(size, '\0');
    char* sid = nullptr;
    if (size > 0 && GetTokenInformation(token, TokenUser, user.data(), size, &size) &&
        ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &sid)) {
      const std::string sddl = std::string("D:P(A;OICI;FA;;;") + sid + ")";
      ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &attributes.lpSecurityDescriptor,
                                                           nullptr);
      LocalFree(sid);
    }
    CloseHandle(token);
  }
  ~UserOnly() { LocalFree(attributes.lpSecurityDescriptor); }
  SECURITY_ATTRIBUTES* Get() { return attributes.lpSecurityDescriptor != nullptr ? &attributes : nullptr; }
};

// The tool's own folder in the user's temporary folder, made if need be. A link is not taken.
bool OwnFolder(UserOnly& userOnly, std::string& folder, std::string& error) {
  char temporary[MAX_PATH + 1];
  const DWORD n = GetTempPathA(sizeof temporary, temporary);
  if (n == 0 || n > MAX_PATH) {
    error = "no temporary folder";
    return false;
  }
  folder = std::string(temporary, n) + "tessaly";
  DWORD attributes = INVALID_FILE_ATTRIBUTES;
  // Another run removes the folder with its last file, maybe just after this one found it there.
  for (int attempt = 0; attempt < 64 && attributes == INVALID_FILE_ATTRIBUTES; ++attempt) {
    if (!CreateDirectoryA(folder.c_str(), userOnly.Get()) && GetLastError() != ERROR_ALREADY_EXISTS) {
      error = "cannot make the folder " + folder + ": " + SystemWords(GetLastError());
      return false;
    }
    attributes = GetFileAttributesA(folder.c_str());
  }
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    error = "the folder " + folder + " is not the tool's own";
    return false;
  }
  return folder.size() < MAX_PATH;
}

// Whether name is that of a file named after another one still in the folder, that one's name and
// an extension: the plug-in's output beside a live run's held file, which goes before its held file.
bool BesideAFileThere(const std::string& folder, const std::string& name) {
  const std::size_t dot = name.rfind('.');
  return dot != std::string::npos && dot != 0 &&
         GetFileAttributesA((folder + "\\" + name.substr(0, dot)).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Removes the files of runs that were killed: a live run holds its own open, so only a leftover
// can be opened alone. A file beside one still there waits for that one to go.
void RemoveLeftovers(const std::string& folder) {
  WIN32_FIND_DATAA found{};
  const HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
        BesideAFileThere(folder, found.cFileName)) {
      continue;
    }
    const HANDLE alone = CreateFileA((folder + "\\" + found.cFileName).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (alone != INVALID_HANDLE_VALUE) CloseHandle(alone);
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

}  // namespace

PrivateFile::~PrivateFile() {
  if (handle_ == -1) return;
  DeleteFileA(path_.c_str());  // shared for removal: it goes with the close below
  g_inUse[slot_] = 0;
  CloseHandle(reinterpret_cast<HANDLE>(handle_));
  RemoveDirectoryA(g_folder);
}

bool PrivateFile::Create(const std::string& suffix, std::string& error) {
  if (handle_ != -1) return false;
  int slot = 0;
  while (slot < kSlots && g_inUse[slot]) ++slot;
  if (slot == kSlots) {
    error = "too many files of the tool's own at once";
    return false;
  }
  CatchInterruptions();
  return Make(suffix, slot, error);
}

bool PrivateFile::Make(const std::string& suffix, int slot, std::string& error) {
  UserOnly userOnly;
  std::random_device random;
  for (int attempt = 0; attempt < 64; ++attempt) {
    std::string folder;
    if (!OwnFolder(userOnly, folder, error)) return false;
    std::strcpy(g_folder, folder.c_str());
    RemoveLeftovers(folder);
    const std::string path =
        folder + "\\" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(random()) + suffix;
    if (path.size() >= MAX_PATH) {
      error = "the name " + path + " is too long";
      return false;
    }
    // Marked for the console handler before it is made, so that no interruption comes between; a
    // name already taken is no file of this run, and its mark goes again at once.
    std::strcpy(g_paths[slot], path.c_str());
    g_inUse[slot] = 1;
    // Held open from its making to its removal; others may read it (the plug-in) and remove it
    // (the console handler), never open it alone.
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, userOnly.Get(),
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      const DWORD code = GetLastError();
      g_inUse[slot] = 0;
      // A name taken; a folder just removed (Wine may answer "file not found" for it).
      if (code == ERROR_FILE_EXISTS || code == ERROR_PATH_NOT_FOUND || code == ERROR_FILE_NOT_FOUND) continue;
      error = "cannot make " + path + ": " + SystemWords(code);
      return false;
    }
    path_ = path;
    handle_ = reinterpret_cast<std::intptr_t>(file);
    slot_ = slot;
    return true;
  }
  error = "cannot make a file in the tool's own folder";
  return false;
}

bool PrivateFile::Write(const char* data, std::size_t size, std::string& error) {
  while (size > 0) {
    const DWORD part = size > (1u << 24) ? (1u << 24) : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(reinterpret_cast<HANDLE>(handle_), data, part, &written, nullptr) || written == 0) {
      error = SystemWords(GetLastError());
      return false;
    }
    data += written;
    size -= written;
  }
  return true;
}

std::uint64_t PrivateFile::FreeBytes() const {
  ULARGE_INTEGER available{};
  if (!GetDiskFreeSpaceExA(g_folder, &available, nullptr, nullptr)) return std::numeric_limits<std::uint64_t>::max();
  return available.QuadPart;
}

}  // namespace tessaly::tool
