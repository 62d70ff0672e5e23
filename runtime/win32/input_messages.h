#pragma once

#include <windows.h>

#include <optional>

#include "runtime/events.h"
#include "runtime/scaling.h"

namespace tarvelin {

// The raw input event a window message stands for, or nothing for other messages. Pointer
// positions arrive in screen pixels of the scaled window and leave in picture pixels (|client| is
// the client area in picture pixels); a move outside the client area (reported while the mouse is
// captured during a press) is not a move over the window and gives nothing, while a release
// there still counts, so the press on the box is not left pending.
std::optional<InputEvent> InputEventFromMessage(UINT message, WPARAM wparam, LPARAM lparam, PixelRect client,
                                                const ScreenScale& scale = ScreenScale());

}  // namespace tarvelin
