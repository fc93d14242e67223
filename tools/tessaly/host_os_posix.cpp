#include <dlfcn.h>
#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "plugin_api.h"

namespace tessaly::tool::os {

void* OpenLibrary(const std::string& path, std::string& error) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* why = dlerror();
    error = why ? why : ("cannot load " + path);
  }
  return handle;
}

void* FindSymbol(void* library, const char* name) { return dlsym(library, name); }

void CloseLibrary(void* library) { dlclose(library); }

std::string DefaultPluginPath() {
  char self[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof(self) - 1);
  std::string dir = ".";
  if (n > 0) {
    std::string exe(self, static_cast<std::size_t>(n));
    const std::size_t slash = exe.rfind('/');
    if (slash != std::string::npos) dir = exe.substr(0, slash);
  }
  return dir + "/libtessaly.so";
}

bool DescribeIcon(void* icon, int& width, int& height, int& bitsPerPixel) {
  // A BMP file image: 14-byte file header, then BITMAPINFOHEADER (width at 18, height at 22,
  // bits per pixel at 28, little-endian).
  const auto* b = static_cast<const unsigned char*>(icon);
  if (b[0] != 'B' || b[1] != 'M') return false;
  const auto le32 = [b](int at) {
    return static_cast<int>(b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (b[at + 3] << 24));
  };
  width = le32(18);
  height = le32(22);
  bitsPerPixel = b[28] | (b[29] << 8);
  return true;
}

void ReleaseIcon(void* icon) { std::free(icon); }

bool IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

int LastSystemError() { return errno; }

std::string SystemErrorText(int code) { return std::strerror(code); }

std::vector<std::string> FilesMatching(const std::string&) { return {}; }

bool FileNamesIgnoreCase() { return false; }

void UseBinary(std::FILE*) {}

void FailWritesToClosedPipes() {
  struct sigaction ignored {};
  ignored.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignored, nullptr);
}

}  // namespace tessaly::tool::os
