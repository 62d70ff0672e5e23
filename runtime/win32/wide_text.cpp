#include "runtime/win32/wide_text.h"

#include <windows.h>

#include <climits>

#include "runtime/text.h"

namespace tarvelin {
namespace {

constexpr wchar_t kReplacement = 0xFFFD;

void AppendUtf16(std::wstring& out, char32_t c) {
  if (c < 0x10000) {
    out += static_cast<wchar_t>(c);
  } else {
    c -= 0x10000;
    out += static_cast<wchar_t>(0xD800 + (c >> 10));
    out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
  }
}

}  // namespace

std::wstring Utf8ToWide(std::string_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const Utf8Character c = Utf8CharacterAt(text, at, true);
    if (c.length > 0) {
      AppendUtf16(out, c.code_point);
      at += static_cast<std::size_t>(c.length);
    } else {
      out += kReplacement;
      ++at;
    }
  }
  return out;
}

std::string WideToUtf8(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size(); ++at) {
    char32_t c = static_cast<char16_t>(text[at]);
    if (c >= 0xD800 && c <= 0xDBFF && at + 1 < text.size()) {
      const char32_t low = static_cast<char16_t>(text[at + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++at;
      }
    }
    AppendUtf8(out, c);
  }
  return out;
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
