#include "runtime/text.h"
#include "runtime/win32/wide_text.h"
#include "runtime/win32/win32_provider.h"

namespace tarvelin {

void Win32Provider::MsgBox(const std::string& prompt, const std::string& title) {
  // Without a title Windows would write "Error"; a message box takes the application's title then.
  const std::wstring caption = title.empty() ? std::wstring(L"Tarvelin") : Utf8ToWide(title);
  MessageBoxW(window_, Utf8ToWide(WithVisibleNul(prompt)).c_str(), caption.c_str(), MB_OK);
}

}  // namespace tarvelin
