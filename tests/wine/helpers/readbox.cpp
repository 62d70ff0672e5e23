// Finds the message box titled "Tarvelin" (or TITLE), prints its text (UTF-8) on standard output
// and, with --dismiss, presses its OK button and waits for the box to go, so that whatever the
// caller does next reaches the window the box gave the keyboard back to, not the box. Waits up to
// the given number of seconds for the box to show, and as long again for it to go.
// readbox SECONDS [--dismiss] [--title TITLE]; exit status 0 when the box was found (and went), 1
// when not found, 2 on bad usage, 3 when a dismissed box stayed.

#include <windows.h>

#include <cwchar>
#include <string>

#include "utf8.h"

namespace {

struct Found {
  std::wstring text;
  int texts = 0;  // visible text controls; a message box has exactly one
  int icons = 0;  // visible icon controls holding an icon; the menu's box shows none
};

BOOL CALLBACK InspectControl(HWND control, LPARAM context) {
  auto& found = *reinterpret_cast<Found*>(context);
  wchar_t class_name[64] = {};
  GetClassNameW(control, class_name, 64);
  if (_wcsicmp(class_name, L"Static") != 0 || !IsWindowVisible(control)) return TRUE;
  if ((GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
    if (SendMessageW(control, STM_GETICON, 0, 0)) ++found.icons;
    return TRUE;
  }
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  found.text = text;
  ++found.texts;
  return TRUE;
}

void Print(const std::string& text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const DWORD seconds = static_cast<DWORD>(_wtoi(argv[1]));
  bool dismiss = false;
  std::wstring title = L"Tarvelin";
  for (int i = 2; i < argc; ++i) {
    if (std::wstring(argv[i]) == L"--dismiss") dismiss = true;
    else if (std::wstring(argv[i]) == L"--title" && i + 1 < argc) title = argv[++i];
    else return 2;
  }
  const ULONGLONG deadline = GetTickCount64() + seconds * 1000ull;
  HWND box = nullptr;
  // The dialog class, so a main window that happens to be titled "Tarvelin" is never taken for it.
  // Shown only once its controls are made: a box found while it is being created has no text yet.
  while (!((box = FindWindowW(L"#32770", title.c_str())) && IsWindowVisible(box)) && GetTickCount64() < deadline)
    Sleep(100);
  if (!box || !IsWindowVisible(box)) return 1;
  Found found;
  EnumChildWindows(box, InspectControl, reinterpret_cast<LPARAM>(&found));
  Print("text=" + Utf8(found.text) + "\n");
  Print("texts=" + std::to_string(found.texts) + "\n");
  Print("icons=" + std::to_string(found.icons) + "\n");
  Print(std::string("owned=") + (GetWindow(box, GW_OWNER) ? "yes" : "no") + "\n");
  if (!dismiss) return 0;
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  const ULONGLONG gone_deadline = GetTickCount64() + seconds * 1000ull;
  while (IsWindow(box) && GetTickCount64() < gone_deadline) Sleep(20);
  return IsWindow(box) ? 3 : 0;
}
