#pragma once

// Text at the Windows boundary: the menu's strings are UTF-8, the wide-character API takes UTF-16.

#include <string>
#include <string_view>

namespace tarvelin {

// UTF-8 as UTF-16; a byte that is not part of a valid sequence becomes U+FFFD. Surrogates written
// as three bytes (as WideToUtf8 writes an unpaired one) come back as the same code unit, so a file
// name survives the round trip even when it is not valid Unicode.
std::wstring Utf8ToWide(std::string_view text);

// UTF-16 as UTF-8; an unpaired surrogate is written as its own three-byte sequence, never dropped.
std::string WideToUtf8(std::wstring_view text);

// Bytes in the system's ANSI code page (CP_ACP), as UTF-8.
std::string AnsiToUtf8(std::string_view bytes);

// Bytes in the given code page, as UTF-8; an invalid byte becomes the code page's default character.
std::string CodePageToUtf8(std::string_view bytes, unsigned code_page);

}  // namespace tarvelin
