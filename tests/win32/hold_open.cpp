// Holds a file open as another program would, until it is ended: hold_open <path> <sharing>, the
// sharing being any of r, w, d (read, write, delete) or "-" for none. Says "held" once it holds.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  DWORD sharing = 0;
  if (std::strchr(argv[2], 'r') != nullptr) sharing |= FILE_SHARE_READ;
  if (std::strchr(argv[2], 'w') != nullptr) sharing |= FILE_SHARE_WRITE;
  if (std::strchr(argv[2], 'd') != nullptr) sharing |= FILE_SHARE_DELETE;
  const HANDLE file = CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, sharing, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  std::fputs("held", stdout);
  std::fflush(stdout);
  Sleep(INFINITE);
}
