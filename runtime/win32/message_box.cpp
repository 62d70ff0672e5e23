#include <cwchar>

#include "runtime/text.h"
#include "runtime/win32/wide_text.h"
#include "runtime/win32/win32_provider.h"

namespace tarvelin {
namespace {

// Windows centres a message box over its owner even where that puts the box, its OK button
// included, past the screen's edge. While the box is coming up, a hook of the menu's thread moves
// it onto the work area of the menu's monitor when it first becomes active. A hook has no context
// of its own: the owner waits here, one box at a time on the one thread.
HWND box_owner = nullptr;

LRESULT CALLBACK KeepBoxOnScreen(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_ACTIVATE && box_owner) {
    HWND box = reinterpret_cast<HWND>(wparam);
    wchar_t class_name[16] = {};
    GetClassNameW(box, class_name, 16);
    RECT box_rect{}, menu_rect{};
    // The dialog class: the box itself, not a window its owner's other code might activate.
    if (std::wcscmp(class_name, L"#32770") == 0 && GetWindowRect(box, &box_rect) && GetWindowRect(box_owner, &menu_rect)) {
      const PixelRect menu{static_cast<int>(menu_rect.left), static_cast<int>(menu_rect.top),
                           static_cast<int>(menu_rect.right - menu_rect.left),
                           static_cast<int>(menu_rect.bottom - menu_rect.top)};
      const PixelRect place =
          PlaceOnScreen(box_rect.right - box_rect.left, box_rect.bottom - box_rect.top, menu,
                        WorkArea(MonitorFromWindow(box_owner, MONITOR_DEFAULTTONEAREST)));
      SetWindowPos(box, nullptr, place.x, place.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      box_owner = nullptr;
    }
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

}  // namespace

void Win32Provider::MsgBox(const std::string& prompt, const std::string& title) {
  // Without a title Windows would write "Error"; a message box takes the application's title then.
  const std::wstring caption = title.empty() ? std::wstring(L"Tarvelin") : Utf8ToWide(title);
  // Without the hook the box still shows, where Windows puts it.
  HHOOK hook = window_ ? SetWindowsHookExW(WH_CBT, KeepBoxOnScreen, nullptr, GetCurrentThreadId()) : nullptr;
  box_owner = hook ? window_ : nullptr;
  MessageBoxW(window_, Utf8ToWide(WithVisibleNul(prompt)).c_str(), caption.c_str(), MB_OK);
  box_owner = nullptr;
  if (hook) UnhookWindowsHookEx(hook);
}

}  // namespace tarvelin
