// A stand-in for a program on the disc: adds where and how it was started to standin-record.txt
// beside itself (UTF-8), three lines a start: the current directory, the command line, and the
// window state it was asked to show (STARTUPINFO wShowWindow, or "default").

#include <windows.h>

#include <string>

#include "utf8.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  std::wstring directory(32768, L'\0');
  directory.resize(GetCurrentDirectoryW(static_cast<DWORD>(directory.size()), directory.data()));
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  GetStartupInfoW(&startup);
  const std::string show =
      startup.dwFlags & STARTF_USESHOWWINDOW ? std::to_string(startup.wShowWindow) : std::string("default");

  std::wstring record(32768, L'\0');
  record.resize(GetModuleFileNameW(nullptr, record.data(), static_cast<DWORD>(record.size())));
  // Wine gives a program on a share its path as "UNC\server\share\...".
  if (record.starts_with(L"UNC\\")) record.replace(0, 3, L"\\");
  record.resize(record.find_last_of(L'\\') + 1);
  record += L"standin-record.txt";

  const std::string text = Utf8(directory) + "\n" + Utf8(GetCommandLineW()) + "\n" + show + "\n";
  // Starts close together take turns at the file.
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 500 && file == INVALID_HANDLE_VALUE; ++attempt) {
    file = CreateFileW(record.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION) Sleep(10);
    else break;
  }
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == text.size() ? 0 : 1;
}
