#include <windows.h>

#include "platform/codepage_win32.h"
#include "platform/file_system.h"
#include "platform/file_system_win32.h"

namespace tessaly::platform {
namespace {

// The host's path in the \\?\ form; "" when there is none. Nothing thrown gets out.
std::wstring LongHostPath(const char* path) noexcept {
  try {
    return path == nullptr ? std::wstring() : LongFullPath(AnsiToWide(path));
  } catch (...) {
    return {};
  }
}

}  // namespace

std::wstring LongFullPath(const std::wstring& path) {
  if (path.empty()) return {};
  DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return {};
  std::wstring full(size, L'\0');
  size = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  if (size == 0 || size >= full.size()) return {};
  full.resize(size);
  if (full.starts_with(L"\\\\?\\")) return full;
  if (full.size() >= 3 && full[1] == L':' && full[2] == L'\\') return L"\\\\?\\" + full;
  if (full.starts_with(L"\\\\.\\")) return {};
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return {};
}

bool IsRegularFile(const char* path) noexcept {
  const std::wstring wide = LongHostPath(path);
  const DWORD attributes = wide.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(wide.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

std::uint64_t FileByteCount(const char* path) noexcept {
  const std::wstring wide = LongHostPath(path);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (wide.empty() || !GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

FileReader::FileReader(const char* path) noexcept {
  const std::wstring wide = LongHostPath(path);
  if (wide.empty()) {
    error_ = ERROR_PATH_NOT_FOUND;
    return;
  }
  const HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error_ = static_cast<int>(GetLastError());
    return;
  }
  file_ = reinterpret_cast<std::intptr_t>(file);
}

FileReader::~FileReader() {
  if (IsOpen()) CloseHandle(reinterpret_cast<HANDLE>(file_));
}

std::size_t FileReader::Read(char* buffer, std::size_t size) noexcept {
  if (!IsOpen()) return 0;
  DWORD got = 0;
  const DWORD asked = size > MAXDWORD ? MAXDWORD : static_cast<DWORD>(size);
  if (!::ReadFile(reinterpret_cast<HANDLE>(file_), buffer, asked, &got, nullptr)) {
    error_ = static_cast<int>(GetLastError());
    return 0;
  }
  return got;
}

}  // namespace tessaly::platform
