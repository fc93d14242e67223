#include <windows.h>

#include "host_round.h"

namespace tessaly::test {

const bool kSharingBinds = true;

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

}  // namespace tessaly::test
