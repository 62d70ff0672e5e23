// A DLL planted beside the menu under the name of one the system looks for. Being loaded into a
// process at all is the fault: it records that in "<its name>-loaded.txt" beside itself.

#include <windows.h>

#include <string>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(instance, path.data(), static_cast<DWORD>(path.size())));
  path += L"-loaded.txt";
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  // Refusing to load keeps the process working, as the real DLL is then looked for elsewhere.
  return FALSE;
}
