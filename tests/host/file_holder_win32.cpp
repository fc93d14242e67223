#include <windows.h>

#include <gtest/gtest.h>

#include "file_holder.h"

namespace tessaly::test {

const bool kSharingBinds = true;

// The holder is a program of its own (tests/win32/hold_open.cpp); it says "held" once it holds.
FileHolder::FileHolder(const std::string& path, const std::string& sharing) {
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  HANDLE from = nullptr, to = nullptr;
  if (!CreatePipe(&from, &to, &inherited, 0)) return;
  SetHandleInformation(from, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA start{};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdOutput = to;
  std::string command = "\"" TESSALY_BINARY_DIR "/bin/hold_open.exe\" \"" + path + "\" " + sharing;
  PROCESS_INFORMATION process{};
  const bool started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &process);
  CloseHandle(to);
  char said[5] = {};
  DWORD n = 0;
  if (started) {
    CloseHandle(process.hThread);
    held_ = reinterpret_cast<long long>(process.hProcess);
    ReadFile(from, said, 4, &n, nullptr);
  }
  CloseHandle(from);
  EXPECT_STREQ(said, "held") << command;
}

FileHolder::~FileHolder() {
  if (held_ == -1) return;
  const HANDLE process = reinterpret_cast<HANDLE>(held_);
  TerminateProcess(process, 0);
  WaitForSingleObject(process, INFINITE);
  CloseHandle(process);
}

void FreezeFolder(const std::string& folder, bool frozen) {
  SetFileAttributesA(folder.c_str(), frozen ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
}

}  // namespace tessaly::test
