#include <windows.h>

#include <cstdlib>

#include "host_round.h"

namespace tessaly::test {

const bool kSharingBinds = true;
const int kDiskFull = ERROR_DISK_FULL;

// The holder is a program of its own (tests/win32/hold_open.cpp); once it says "held", it holds.
std::intptr_t HoldOpen(const std::string& path, const char* sharing) {
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  HANDLE from = nullptr, to = nullptr;
  CreatePipe(&from, &to, &inherited, 0);
  STARTUPINFOA start{};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdOutput = to;
  std::string command = "\"" TESSALY_BINARY_DIR "/bin/hold_open.exe\" \"" + path + "\" " + sharing;
  PROCESS_INFORMATION process{};
  CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &process);
  CloseHandle(to);
  char said[4] = {};
  DWORD n = 0;
  ReadFile(from, said, sizeof said, &n, nullptr);  // nothing when it could not open the file
  CloseHandle(from);
  CloseHandle(process.hThread);
  return n == sizeof said ? reinterpret_cast<std::intptr_t>(process.hProcess) : -1;
}

void LetGo(std::intptr_t hold) {
  TerminateProcess(reinterpret_cast<HANDLE>(hold), 0);
  WaitForSingleObject(reinterpret_cast<HANDLE>(hold), INFINITE);
  CloseHandle(reinterpret_cast<HANDLE>(hold));
}

// A folder's read-only attribute does not stop new files in it.
void FreezeFolder(const std::string&, bool) {}

std::string SmallDisk() {
  const char* folder = std::getenv("TESSALY_SMALL_DISK");
  return folder != nullptr ? folder : "";
}

// Only the killing can be arranged: another program saves (tests/win32/save_once.cpp) and is
// ended once its temporary file shows in the target's folder.
SaverEnd ExportElsewhere(const tool::PluginApi&, Saver saver, const std::string& target) {
  if (saver != Saver::KilledWhileWriting) return {};
  std::string command = "\"" TESSALY_BINARY_DIR "/bin/save_once.exe\" \"" + tool::os::DefaultPluginPath() + "\" \"" +
                        target + "\"";
  STARTUPINFOA start{};
  start.cb = sizeof start;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start, &process)) return {};
  const std::string pattern = target.substr(0, target.find_last_of("\\/") + 1) + ".tessaly-*.tmp";
  WIN32_FIND_DATAA found{};
  HANDLE seen = INVALID_HANDLE_VALUE;
  while ((seen = FindFirstFileA(pattern.c_str(), &found)) == INVALID_HANDLE_VALUE &&
         WaitForSingleObject(process.hProcess, 1) == WAIT_TIMEOUT) {
  }
  constexpr DWORD kKilled = 9;
  if (seen != INVALID_HANDLE_VALUE) {
    TerminateProcess(process.hProcess, kKilled);
    FindClose(seen);
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  const bool killed = GetExitCodeProcess(process.hProcess, &code) && code == kKilled;
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return {killed ? -1 : -2, 0};
}

}  // namespace tessaly::test
