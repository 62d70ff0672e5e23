#include "runtime/win32/menu_claim.h"

#include <cstdint>

#include "runtime/win32/wide_text.h"

namespace tarvelin {
namespace {

constexpr wchar_t kNamePrefix[] = L"Tarvelin.Menu.";
// How long a later start waits for the window of a menu that is still starting.
constexpr DWORD kWindowWaitMilliseconds = 5000;
constexpr DWORD kWindowPollMilliseconds = 50;

// The folder's path as the file system compares names, without case and without a closing
// separator, hashed (FNV-1a): a mutex name holds at most MAX_PATH characters.
std::wstring NameFor(const std::string& directory) {
  std::wstring folded = Utf8ToWide(directory);
  while (folded.size() > 1 && (folded.back() == L'\\' || folded.back() == L'/')) folded.pop_back();
  if (!folded.empty()) CharUpperBuffW(folded.data(), static_cast<DWORD>(folded.size()));
  std::uint64_t hash = 14695981039346656037ULL;
  for (const wchar_t unit : folded) {
    hash ^= static_cast<std::uint16_t>(unit);
    hash *= 1099511628211ULL;
  }
  std::wstring name = kNamePrefix;
  for (int shift = 60; shift >= 0; shift -= 4) name += L"0123456789abcdef"[(hash >> shift) & 0xF];
  return name;
}

struct Search {
  const wchar_t* mark;
  HWND found;
};

BOOL CALLBACK FindMarked(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<Search*>(parameter);
  if (!GetPropW(window, search->mark)) return TRUE;
  search->found = window;
  return FALSE;
}

}  // namespace

MenuClaim::MenuClaim(const std::string& directory) : name_(NameFor(directory)) {
  // Local\: the user's own session; a second user's menu of the same medium is that user's own.
  const std::wstring mutex_name = L"Local\\" + name_;
  mutex_ = CreateMutexW(nullptr, FALSE, mutex_name.c_str());
  held_elsewhere_ = mutex_ && GetLastError() == ERROR_ALREADY_EXISTS;
}

MenuClaim::~MenuClaim() {
  if (mutex_) CloseHandle(mutex_);
}

UINT MenuClaim::ComeForwardMessage() {
  // Registered once; a plain static, as the program has one thread and no guard code for statics.
  static UINT message = 0;
  if (!message) message = RegisterWindowMessageW(L"Tarvelin.ComeForward");
  return message;
}

void MenuClaim::Mark(HWND window) const { SetPropW(window, name_.c_str(), reinterpret_cast<HANDLE>(1)); }

void MenuClaim::Unmark(HWND window) const { RemovePropW(window, name_.c_str()); }

void MenuClaim::BringHolderForward() const {
  const UINT message = ComeForwardMessage();
  if (!message) return;
  for (DWORD waited = 0; waited <= kWindowWaitMilliseconds; waited += kWindowPollMilliseconds) {
    Search search{name_.c_str(), nullptr};
    EnumWindows(FindMarked, reinterpret_cast<LPARAM>(&search));
    if (search.found) {
      DWORD holder = 0;
      GetWindowThreadProcessId(search.found, &holder);
      if (holder) AllowSetForegroundWindow(holder);
      PostMessageW(search.found, message, 0, 0);
      return;
    }
    Sleep(kWindowPollMilliseconds);
  }
}

}  // namespace tarvelin
