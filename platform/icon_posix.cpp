#include <cstdlib>
#include <cstring>

#include "platform/icon.h"

namespace tessaly::platform {

bool DeliverIcon(void** slot) noexcept {
  // The host owns whatever it passed in; it receives a fresh BMP file image to free().
  void* image = std::malloc(kDevIconBmpSize);
  if (image == nullptr) return false;
  std::memcpy(image, kDevIconBmp, kDevIconBmpSize);
  *slot = image;
  return true;
}

}  // namespace tessaly::platform
