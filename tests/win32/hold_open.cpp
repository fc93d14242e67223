// Holds a file open as another program would, until it is ended: hold_open <path> <sharing>, the
// sharing being any of r, w, d (read, write, delete) or "-" for none. Says "held" once it holds.
#include <windows.h>

#include <cstring>

int main(int, char** argv) {
  const DWORD sharing = (std::strchr(argv[2], 'r') ? FILE_SHARE_READ : 0) |
                        (std::strchr(argv[2], 'w') ? FILE_SHARE_WRITE : 0) | (std::strchr(argv[2], 'd') ? FILE_SHARE_DELETE : 0);
  if (CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, sharing, nullptr, OPEN_EXISTING, 0, nullptr) == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), "held", 4, &written, nullptr);
  Sleep(INFINITE);
}
