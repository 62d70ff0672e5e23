/* A stand-in for a program of the demo disc on Windows: a box saying what would start here and
   from which directory, as the shell scripts beside it do on Linux. Built once per entry, with
   STANDS_IN_FOR naming the program it stands in for. */

#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR command_line, int show) {
  (void)instance, (void)previous, (void)command_line, (void)show;
  static wchar_t directory[32768];
  static wchar_t text[32768 + 256];
  const DWORD length = GetCurrentDirectoryW(32768, directory);
  if (length == 0 || length >= 32768) directory[0] = L'\0';
  lstrcpyW(text, L"Tarvelin demo disc\n\nThis entry would start ");
  lstrcatW(text, STANDS_IN_FOR);
  lstrcatW(text, L".\nIt was started from: ");
  lstrcatW(text, directory);
  MessageBoxW(NULL, text, STANDS_IN_FOR, MB_OK | MB_ICONINFORMATION);
  return 0;
}
