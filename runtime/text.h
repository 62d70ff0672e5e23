#pragma once

// Text decoding: the menu's strings are UTF-8 whatever the encoding of the file they came from.

#include <optional>
#include <string>
#include <string_view>

namespace tarvelin {

// Text from an 8-bit file in the Windows-1252 code page, as UTF-8. The five bytes that code page
// leaves undefined map to the control characters of the same value, as Windows itself does.
std::string Windows1252ToUtf8(std::string_view bytes);

// One character read from UTF-8 text: its code point and the bytes it takes; a length of 0 when the
// bytes there are not a valid sequence, -1 when the text ends inside one.
struct Utf8Character {
  char32_t code_point = 0;
  int length = 0;
};

// The character at |at|. A surrogate written as three bytes is refused, unless
// |keep_surrogates|: a name the system holds as unpaired UTF-16 comes through UTF-8 that way.
Utf8Character Utf8CharacterAt(std::string_view utf8, std::size_t at, bool keep_surrogates = false);

// The code points of UTF-8 text; each byte that is not part of a valid sequence is one U+FFFD.
std::u32string CodePoints(std::string_view utf8);

// The Windows-1252 byte for a code point; nothing for characters that code page lacks.
std::optional<unsigned char> Windows1252Byte(char32_t code_point);

// Text for an interface that ends a string at its first NUL (a message box, standard error): each
// NUL becomes U+FFFD, so all of the text shows and the NUL stays visible.
std::string WithVisibleNul(std::string_view text);

// Appends one code point as UTF-8. A lone surrogate is written as its own three bytes, so a name
// the system holds that way survives the trip through UTF-8.
void AppendUtf8(std::string& out, char32_t code_point);

// --- UTF-16: the system's own text on Windows, and one encoding of text files.

inline bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
inline bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
// The character a high and a low surrogate stand for together.
inline char32_t CombineSurrogates(char32_t high, char32_t low) {
  return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
}

// What becomes of a half of a surrogate pair without its other half. A name the system holds (a
// file, a folder) keeps it, written as its own three bytes, so that the name still finds what it
// names; text read for the user shows U+FFFD.
enum class LoneSurrogates { Keep, Replace };

// UTF-16 code units as UTF-8.
std::string Utf16ToUtf8(std::u16string_view units, LoneSurrogates lone);

// UTF-8 as UTF-16 code units; a byte that is not part of a valid sequence becomes U+FFFD. A
// surrogate written as three bytes (a lone one kept by Utf16ToUtf8) comes back as the same unit.
std::u16string Utf8ToUtf16(std::string_view utf8);

// How a platform reads bytes in its own 8-bit code page, into UTF-8.
using CodePageDecoder = std::string (*)(std::string_view bytes);

// The text of a file as UTF-8, whatever editor wrote it: a UTF-8 byte-order mark means UTF-8 and a
// UTF-16 LE or BE mark means UTF-16 (the mark is not part of the text, and bytes
// that are not UTF-8 after the mark become U+FFFD); otherwise bytes that form
// valid UTF-8 with at least one non-ASCII character are UTF-8, and anything else is the platform's
// code page. |complete| is false when the bytes are only the start of the file: a character cut at
// the end then does not count against UTF-8. Unpaired UTF-16 surrogates become U+FFFD.
std::string DecodeTextFile(std::string_view bytes, bool complete, CodePageDecoder code_page);

}  // namespace tarvelin
