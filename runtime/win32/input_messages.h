#pragma once

#include <windows.h>

#include <optional>

#include "runtime/events.h"
#include "runtime/scaling.h"

namespace tarvelin {

// Window messages in, raw input events out. Pointer positions arrive in screen pixels of the
// scaled window and leave in picture pixels (|client| is the client area in picture pixels); a
// move outside the client area (reported while the mouse is captured during a press) is not a move
// over the window and gives nothing, while a release there still counts, so that it ends the
// capture. Characters leave as code points: one outside the Basic Multilingual Plane arrives as two
// WM_CHAR messages, a surrogate pair, and is kept half until the second.
class InputMessages {
 public:
  // The raw input event a window message stands for, or nothing for other messages.
  std::optional<InputEvent> Translate(UINT message, WPARAM wparam, LPARAM lparam, PixelRect client,
                                      const ScreenScale& scale = ScreenScale());

 private:
  std::optional<char32_t> TakeCodeUnit(char16_t unit);

  char16_t high_surrogate_ = 0;  // 0 when none waits for its second half
};

}  // namespace tarvelin
