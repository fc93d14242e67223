// Host text on Windows is in the ANSI code page; documents are UTF-8.
#include <windows.h>

#include <climits>

#include "platform/codepage.h"
#include "platform/codepage_win32.h"

namespace tessaly::platform {
namespace {

std::wstring Widen(std::string_view text, UINT codePage) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const int size = static_cast<int>(text.size());
  const int n = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
  if (n <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), n);
  return wide;
}

std::string Narrow(const std::wstring& wide, UINT codePage) {
  if (wide.empty() || wide.size() > INT_MAX) return {};
  const int size = static_cast<int>(wide.size());
  // The ANSI page takes "?" for what it cannot hold, never a look-alike ("１" must not become
  // "1" and change a number); UTF-8 allows no default character.
  const bool ansi = codePage != CP_UTF8;
  const char* fallback = ansi ? "?" : nullptr;
  const DWORD flags = ansi ? WC_NO_BEST_FIT_CHARS : 0;
  const int n = WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, fallback, nullptr);
  if (n <= 0) return {};
  std::string narrow(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(codePage, flags, wide.data(), size, narrow.data(), n, fallback, nullptr);
  return narrow;
}

}  // namespace

std::wstring AnsiToWide(std::string_view text) { return Widen(text, CP_ACP); }

std::string HostTextToUtf8(std::string_view text) { return Narrow(AnsiToWide(text), CP_UTF8); }

std::string Utf8ToHostText(std::string_view utf8) { return Narrow(Widen(utf8, CP_UTF8), CP_ACP); }

// Host text is in the ANSI code page, whichever it is: document text is always converted.
bool HostTextIsUtf8() noexcept { return false; }

bool IsLeadByte(char byte) noexcept { return IsDBCSLeadByte(static_cast<BYTE>(byte)) != 0; }

}  // namespace tessaly::platform
