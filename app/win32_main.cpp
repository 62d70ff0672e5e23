// tarvelin.exe: the menu on Windows.

#include <windows.h>

#include "menu/frmMain.h"
#include "menu/layout.h"
#include "runtime/win32/artwork_resources.h"
#include "runtime/win32/menu_claim.h"
#include "runtime/win32/wide_text.h"
#include "runtime/win32/win32_provider.h"
#include "runtime/win32/win32_system.h"

namespace {

// A program run from a disc or stick must never load a DLL that someone put beside it: from here
// on, DLLs load from the system directory only. Windows without the function (Vista, 7 without
// update KB2533623) at least leaves the current directory out of the search.
void LoadDllsFromSystemDirectoryOnly() {
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  const FARPROC found = kernel32 ? GetProcAddress(kernel32, "SetDefaultDllDirectories") : nullptr;
  if (found && reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void*>(found))(
                   LOAD_LIBRARY_SEARCH_SYSTEM32))
    return;
  SetDllDirectoryW(L"");
}

// Tells the user, in a box with the menu's title, that the menu cannot start and what failed.
void ShowStartFailure(const std::string& what) {
  const std::wstring text = tarvelin::Utf8ToWide("The menu cannot start: " + what + ".");
  MessageBoxW(nullptr, text.c_str(), tarvelin::Utf8ToWide(tarvelin::kAppTitle).c_str(),
              MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  LoadDllsFromSystemDirectoryOnly();
  tarvelin::Win32System system;
  const tarvelin::MenuClaim claim(system.AppPath());
  if (claim.HeldElsewhere()) {
    claim.BringHolderForward();
    return 0;
  }
  tarvelin::Artwork art = tarvelin::LoadArtwork(instance, system.AppPath(), tarvelin::kHotSpotLayout);
  tarvelin::Win32Provider runtime(instance, std::move(art), tarvelin::kHotSpotLayout, system);
  runtime.AnswerLaterStarts(claim);
  tarvelin::frmMain menu(runtime);
  const int status = runtime.Run(menu);
  if (!runtime.Failure().empty()) ShowStartFailure(runtime.Failure());
  return status;
}
