// Moves the menu's window, as a user dragging it would, to the screen position X Y.
// moveto X Y; exit status 0, 1 when there is no menu window, 2 on bad usage.

#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  HWND menu = FindWindowW(L"Tarvelin", nullptr);
  if (!menu) return 1;
  const int x = static_cast<int>(std::wcstol(argv[1], nullptr, 10)), y = static_cast<int>(std::wcstol(argv[2], nullptr, 10));
  return SetWindowPos(menu, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) ? 0 : 1;
}
