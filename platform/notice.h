// The plug-in's one message to the user: a modal notice with a single OK button.
#pragma once

namespace tessaly::platform {

void ShowNotice(const char* caption, const char* text) noexcept;

}  // namespace tessaly::platform
