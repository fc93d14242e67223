#include <cstdio>

#include "plugin_api.h"

namespace tessaly::tool {

int RunImport(const Plugin&, int, char**) {
  std::fputs("tessaly: import is not available yet\n", stderr);
  return 2;
}

}  // namespace tessaly::tool
