// A hook DLL that keeps the menu's window from being created, as a system short of window handles
// or desktop heap would: nowindow_hook.exe installs CbtProc for every program of the session, and
// it refuses the window of a menu started from a folder named "nowindow".

#include <windows.h>

#include <cwchar>

namespace {

// Only a program in a folder named "nowindow" is hindered, so a hook outliving its case leaves the
// other cases' menus alone.
bool InNoWindowFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::wcsstr(path, L"\\nowindow\\") != nullptr;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK CbtProc(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_CREATEWND && InNoWindowFolder()) {
    wchar_t class_name[64] = {};
    GetClassNameW(reinterpret_cast<HWND>(wparam), class_name, 64);
    if (std::wcscmp(class_name, L"Tarvelin") == 0) return 1;  // refused
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
