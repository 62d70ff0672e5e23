// Changes the screen's resolution as the display settings of Windows do, which tells every window
// with WM_DISPLAYCHANGE. resolution WIDTH HEIGHT; exit status 0, 1 when the system refused the
// mode (the value ChangeDisplaySettingsW gave is printed), 2 on bad usage.

#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  DEVMODEW mode{};
  mode.dmSize = sizeof(mode);
  mode.dmPelsWidth = static_cast<DWORD>(std::wcstoul(argv[1], nullptr, 10));
  mode.dmPelsHeight = static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10));
  mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
  const LONG result = ChangeDisplaySettingsW(&mode, 0);
  if (result == DISP_CHANGE_SUCCESSFUL) return 0;
  std::printf("ChangeDisplaySettingsW: %ld\n", result);
  return 1;
}
