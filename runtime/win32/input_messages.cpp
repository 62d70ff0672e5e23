#include "runtime/win32/input_messages.h"

#include <windowsx.h>

namespace tarvelin {

std::optional<InputEvent> InputEventFromMessage(UINT message, WPARAM wparam, LPARAM lparam, PixelRect client,
                                                const ScreenScale& scale) {
  using Type = InputEvent::Type;
  const int x = scale.ToPicture(GET_X_LPARAM(lparam)), y = scale.ToPicture(GET_Y_LPARAM(lparam));
  switch (message) {
    case WM_MOUSEMOVE:
      if (!client.Contains(x, y)) return std::nullopt;
      return InputEvent{Type::PointerMove, x, y};
    case WM_LBUTTONDOWN:
      return InputEvent{Type::ButtonPress, x, y, 1};
    case WM_LBUTTONDBLCLK:
      return InputEvent{Type::ButtonPress, x, y, 2};
    case WM_LBUTTONUP:
      return InputEvent{Type::ButtonRelease, x, y};
    case WM_CHAR:
      // One UTF-16 code unit, as the key handler takes it; Escape arrives as 27.
      return InputEvent{Type::Character, 0, 0, 1, static_cast<std::int16_t>(static_cast<std::uint16_t>(wparam))};
    default:
      return std::nullopt;
  }
}

}  // namespace tarvelin
