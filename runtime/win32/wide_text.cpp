#include "runtime/win32/wide_text.h"

#include <windows.h>

#include <climits>

#include "runtime/text.h"

namespace tarvelin {
namespace {

constexpr wchar_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

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
    const auto lead = static_cast<unsigned char>(text[at]);
    int length = 0;
    char32_t c = 0, min = 0;
    if (lead < 0x80) length = 1, c = lead;
    else if (lead >= 0xC2 && lead <= 0xDF) length = 2, c = lead & 0x1F, min = 0x80;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3, c = lead & 0x0F, min = 0x800;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4, c = lead & 0x07, min = 0x10000;
    bool valid = length > 0 && at + length <= text.size();
    for (int i = 1; valid && i < length; ++i) {
      const auto next = static_cast<unsigned char>(text[at + i]);
      valid = IsContinuation(next);
      c = (c << 6) | (next & 0x3F);
    }
    if (valid && c >= min && c <= 0x10FFFF) {
      AppendUtf16(out, c);
      at += static_cast<std::size_t>(length);
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
