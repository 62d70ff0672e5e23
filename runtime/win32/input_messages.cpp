#include "runtime/win32/input_messages.h"

#include <windowsx.h>

#include "runtime/text.h"

namespace tarvelin {

std::optional<InputEvent> InputMessages::Translate(UINT message, WPARAM wparam, LPARAM lparam, PixelRect client,
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
    case WM_CAPTURECHANGED:
    case WM_KILLFOCUS:
    case WM_CANCELMODE:
      return InputEvent{Type::CaptureLost};
    case WM_CHAR:
      if (const std::optional<char32_t> code = TakeCodeUnit(static_cast<char16_t>(wparam)))
        return InputEvent{.type = Type::Character, .code = *code};
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

// A lone half of a surrogate pair stands for no character and is dropped.
std::optional<char32_t> InputMessages::TakeCodeUnit(char16_t unit) {
  const char16_t waiting = high_surrogate_;
  high_surrogate_ = IsHighSurrogate(unit) ? unit : 0;
  if (IsHighSurrogate(unit)) return std::nullopt;
  if (IsLowSurrogate(unit)) {
    if (!waiting) return std::nullopt;
    return CombineSurrogates(waiting, unit);
  }
  return unit;
}

}  // namespace tarvelin
