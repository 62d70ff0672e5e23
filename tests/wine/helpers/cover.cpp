// Another program's window coming up over the menu: a topmost window at the given screen rectangle
// that takes the foreground and the keyboard, and stays until it is closed or SECONDS have passed.
// cover X Y WIDTH HEIGHT SECONDS; exit status 0, or 2 on bad usage, 1 when no window could be made.

#include <windows.h>

#include <cwchar>

namespace {

constexpr UINT_PTR kTimeout = 1;

LRESULT CALLBACK CoverProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_TIMER:
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 6) return 2;
  int numbers[5];
  for (int i = 0; i < 5; ++i) numbers[i] = static_cast<int>(std::wcstol(argv[i + 1], nullptr, 10));

  WNDCLASSW window_class{};
  window_class.lpfnWndProc = CoverProcedure;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  window_class.lpszClassName = L"TarvelinTestCover";
  if (!RegisterClassW(&window_class)) return 1;
  HWND window = CreateWindowExW(WS_EX_TOPMOST, window_class.lpszClassName, L"cover", WS_POPUP | WS_VISIBLE,
                                numbers[0], numbers[1], numbers[2], numbers[3], nullptr, nullptr,
                                window_class.hInstance, nullptr);
  if (!window) return 1;
  SetForegroundWindow(window);
  SetFocus(window);
  SetTimer(window, kTimeout, static_cast<UINT>(numbers[4]) * 1000, nullptr);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}
