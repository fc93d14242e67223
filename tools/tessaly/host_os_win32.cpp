#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>

#include "plugin_api.h"

namespace tessaly::tool::os {

void* OpenLibrary(const std::string& path, std::string& error) {
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) error = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
  return reinterpret_cast<void*>(module);
}

void* FindSymbol(void* library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void CloseLibrary(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }

std::string DefaultPluginPath() {
  char self[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string dir = ".";
  if (n > 0 && n < MAX_PATH) {
    std::string exe(self, n);
    const std::size_t slash = exe.find_last_of("\\/");
    if (slash != std::string::npos) dir = exe.substr(0, slash);
  }
  return dir + "\\tessaly.dll";
}

bool DescribeIcon(void* icon, int& width, int& height, int& bitsPerPixel) {
  BITMAP info{};
  if (GetObjectA(static_cast<HGDIOBJ>(icon), sizeof(info), &info) != sizeof(info)) return false;
  width = static_cast<int>(info.bmWidth);
  height = static_cast<int>(info.bmHeight);
  bitsPerPixel = info.bmBitsPixel;
  return true;
}

void ReleaseIcon(void* icon) { DeleteObject(static_cast<HGDIOBJ>(icon)); }

// A console handle answers GetConsoleMode; a file or a pipe does not.
bool IsTerminal(std::FILE* stream) {
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

int LastSystemError() { return static_cast<int>(GetLastError()); }

std::string SystemErrorText(int code) {
  char* text = nullptr;
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                                 nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string words = n > 0 && text != nullptr ? std::string(text, n) : "error " + std::to_string(code);
  LocalFree(text);
  while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == ' ')) words.pop_back();
  return words;
}

std::vector<std::string> FilesMatching(const std::string& pattern) {
  std::vector<std::string> files;
  const std::size_t slash = pattern.find_last_of("\\/:");
  const std::string folder = slash == std::string::npos ? "" : pattern.substr(0, slash + 1);
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return files;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != "..") files.push_back(folder + name);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  std::sort(files.begin(), files.end());
  return files;
}

bool FileNamesIgnoreCase() { return true; }

void UseBinary(std::FILE* stream) { _setmode(_fileno(stream), _O_BINARY); }

void FailWritesToClosedPipes() {}

}  // namespace tessaly::tool::os
