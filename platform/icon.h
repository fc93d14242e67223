// The plug-in's 32x32, 24-bit icon handed to the host.
#pragma once

#include <cstddef>

namespace tessaly::platform {

// Windows: replaces the bitmap handle at *slot (releasing it) with a new handle to the DEVICON
// resource. Elsewhere: stores a malloc'ed copy of the BMP file image, which the host free()s.
bool DeliverIcon(void** slot) noexcept;

extern const unsigned char kDevIconBmp[];
extern const std::size_t kDevIconBmpSize;

}  // namespace tessaly::platform
