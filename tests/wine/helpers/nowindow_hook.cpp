// Installs nowindow.dll's hook for every program of the session, so that no menu window can be
// created, prints "ready" and keeps the hook for the given number of seconds.
//   nowindow_hook SECONDS

#include <windows.h>

#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  std::wstring dll(MAX_PATH, L'\0');
  dll.resize(GetModuleFileNameW(nullptr, dll.data(), MAX_PATH));
  dll = dll.substr(0, dll.find_last_of(L'\\') + 1) + L"nowindow.dll";
  HMODULE module = LoadLibraryW(dll.c_str());
  const FARPROC proc = module ? GetProcAddress(module, "CbtProc") : nullptr;
  if (!proc) return 1;
  HHOOK hook = SetWindowsHookExW(WH_CBT, reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(proc)), module, 0);
  if (!hook) return 1;
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), "ready\n", 6, &written, nullptr);
  const DWORD end = GetTickCount() + static_cast<DWORD>(_wtoi(argv[1])) * 1000;
  MSG message;
  while (static_cast<LONG>(end - GetTickCount()) > 0) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  UnhookWindowsHookEx(hook);
  return 0;
}
