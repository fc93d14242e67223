#include <cstdio>

#include "plugin_api.h"

namespace tessaly::tool {

int RunExport(const Plugin&, int, char**) {
  std::fputs("tessaly: export is not available yet\n", stderr);
  return 2;
}

int RunConvert(const Plugin&, int, char**) {
  std::fputs("tessaly: convert is not available yet\n", stderr);
  return 2;
}

}  // namespace tessaly::tool
