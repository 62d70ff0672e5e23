#include "runtime/win32/wide_text.h"

#include <windows.h>

#include <climits>

#include "runtime/text.h"

namespace tarvelin {

std::wstring Utf8ToWide(std::string_view text) {
  const std::u16string units = Utf8ToUtf16(text);
  return std::wstring(units.begin(), units.end());
}

std::string WideToUtf8(std::wstring_view text) {
  return Utf16ToUtf8(std::u16string(text.begin(), text.end()), LoneSurrogates::Keep);
}

std::string CodePageToUtf8(std::string_view bytes, unsigned code_page) {
  // The callers never pass more than a small file, far below what an int counts.
  if (bytes.empty() || bytes.size() > INT_MAX) return {};
  const int size = static_cast<int>(bytes.size());
  const int units = MultiByteToWideChar(code_page, 0, bytes.data(), size, nullptr, 0);
  if (units <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(code_page, 0, bytes.data(), size, wide.data(), units);
  return WideToUtf8(wide);
}

std::string AnsiToUtf8(std::string_view bytes) { return CodePageToUtf8(bytes, CP_ACP); }

}  // namespace tarvelin
