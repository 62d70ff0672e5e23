#include "runtime/win32/input_messages.h"
#include "runtime/win32/win32_provider.h"

namespace tarvelin {
namespace {

// A queue that refills as fast as it drains (another program flooding the window with messages)
// must not keep the handler that asked for a pump from going on.
constexpr int kMaxMessagesPerPump = 1000;

// WM_DPICHANGED, which the headers give only for Windows 7 and later.
constexpr UINT kDpiChanged = 0x02E0;

}  // namespace

bool Win32Provider::WaitForEvents() {
  MSG message;
  const BOOL got = GetMessageW(&message, nullptr, 0, 0);
  if (got == 0 || got == -1) return false;  // WM_QUIT: the window is gone
  TranslateMessage(&message);
  DispatchMessageW(&message);
  return true;
}

void Win32Provider::PostPendingEvents() {
  MSG message;
  for (int handled = 0; handled < kMaxMessagesPerPump && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE); ++handled) {
    if (message.message == WM_QUIT) {
      // Left for the main loop, which ends on it.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

LRESULT CALLBACK Win32Provider::WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<Win32Provider*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->window_ = window;
    self->system_.SetOwnerWindow(window);
  }
  auto* self = reinterpret_cast<Win32Provider*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wparam, lparam);
  return self->HandleMessage(window, message, wparam, lparam);
}

// Input is only queued here; the shared runtime runs the handlers from its own loop, so no
// handler ever runs inside the window procedure.
LRESULT Win32Provider::HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      SetCapture(window);  // the release arrives even when it happens outside the window
      break;
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the framebuffer covers every pixel
    case kDpiChanged:
      HandleDpiChange(LOWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
      return 0;
    case WM_DISPLAYCHANGE:
      HandleScreenChange();
      return 0;
    case WM_SETTINGCHANGE:
      if (wparam == SPI_SETWORKAREA) HandleScreenChange();
      break;
    case WM_CLOSE:
      // Closed from outside (the task bar, Alt+F4): the same as unloading frmMain.
      Unload();
      return 0;
    case WM_DESTROY:
      if (claim_) claim_->Unmark(window);
      window_ = nullptr;
      system_.SetOwnerWindow(nullptr);
      PostQuitMessage(0);
      return 0;
    default:
      if (message == MenuClaim::ComeForwardMessage() && message != 0) {
        ComeForward();
        return 0;
      }
      break;
  }
  if (const std::optional<InputEvent> event = input_messages_.Translate(message, wparam, lparam, client_, scale_)) {
    router().Post(*event);
    // Only once the release is queued: ending the capture sends WM_CAPTURECHANGED at once, and the
    // release must come first to count as a click.
    // A press that lost the keyboard or was cancelled ends, as a standard button's does: the
    // release, wherever it happens, then goes to the window under the pointer.
    if (message == WM_LBUTTONUP || ((message == WM_KILLFOCUS || message == WM_CANCELMODE) && GetCapture() == window))
      ReleaseCapture();
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace tarvelin
