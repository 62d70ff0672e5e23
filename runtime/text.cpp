#include "runtime/text.h"

#include <array>
#include <cstdint>

namespace tarvelin {
namespace {

// Code points of the bytes 0x80 to 0x9F; the rest of the code page equals Latin-1.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char32_t kReplacement = 0xFFFD;

}  // namespace

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

Utf8Character Utf8CharacterAt(std::string_view s, std::size_t at, bool keep_surrogates) {
  const auto lead = static_cast<std::uint8_t>(s[at]);
  int length;
  char32_t min;
  if (lead < 0x80) return {lead, 1};
  if (lead >= 0xC2 && lead <= 0xDF) length = 2, min = 0x80;
  else if (lead >= 0xE0 && lead <= 0xEF) length = 3, min = 0x800;
  else if (lead >= 0xF0 && lead <= 0xF4) length = 4, min = 0x10000;
  else return {};
  char32_t c = lead & (0x3F >> (length - 1));
  for (int i = 1; i < length; ++i) {
    if (at + i >= s.size()) return {0, -1};
    const auto next = static_cast<std::uint8_t>(s[at + i]);
    if ((next & 0xC0) != 0x80) return {};
    c = (c << 6) | (next & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (!keep_surrogates && c >= 0xD800 && c <= 0xDFFF)) return {};
  return {c, length};
}

namespace {

// The length of the valid UTF-8 sequence at |at|, 0 when invalid; -1 when it is cut by the end.
int Utf8SequenceLength(std::string_view s, std::size_t at) { return Utf8CharacterAt(s, at).length; }

// True when the bytes are valid UTF-8 and not plain ASCII.
bool IsUtf8BeyondAscii(std::string_view s, bool complete) {
  bool beyond_ascii = false;
  for (std::size_t at = 0; at < s.size();) {
    const int length = Utf8SequenceLength(s, at);
    if (length == -1) return !complete && beyond_ascii;
    if (length == 0) return false;
    beyond_ascii |= length > 1;
    at += static_cast<std::size_t>(length);
  }
  return beyond_ascii;
}

// The bytes of a UTF-16 file as code units; an odd last byte is no unit.
std::u16string Utf16Units(std::string_view s, bool big_endian) {
  std::u16string units;
  units.reserve(s.size() / 2);
  for (std::size_t at = 0; at + 1 < s.size(); at += 2) {
    const auto a = static_cast<std::uint8_t>(s[at]), b = static_cast<std::uint8_t>(s[at + 1]);
    units += static_cast<char16_t>(big_endian ? (a << 8) | b : (b << 8) | a);
  }
  return units;
}

void AppendUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  }
}

// UTF-8 with every invalid byte replaced by U+FFFD.
std::string ValidUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t at = 0; at < s.size();) {
    const int length = Utf8SequenceLength(s, at);
    if (length <= 0) {
      AppendUtf8(out, kReplacement);
      ++at;
    } else {
      out.append(s.substr(at, static_cast<std::size_t>(length)));
      at += static_cast<std::size_t>(length);
    }
  }
  return out;
}

}  // namespace

std::string Utf16ToUtf8(std::u16string_view units, LoneSurrogates lone) {
  std::string out;
  out.reserve(units.size());
  for (std::size_t at = 0; at < units.size(); ++at) {
    char32_t c = units[at];
    if (IsHighSurrogate(c) && at + 1 < units.size() && IsLowSurrogate(units[at + 1])) {
      c = CombineSurrogates(c, units[at + 1]);
      ++at;
    } else if ((IsHighSurrogate(c) || IsLowSurrogate(c)) && lone == LoneSurrogates::Replace) {
      c = kReplacement;
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (std::size_t at = 0; at < utf8.size();) {
    const Utf8Character c = Utf8CharacterAt(utf8, at, true);
    if (c.length > 0) {
      AppendUtf16(out, c.code_point);
      at += static_cast<std::size_t>(c.length);
    } else {
      out += static_cast<char16_t>(kReplacement);
      ++at;
    }
  }
  return out;
}

std::string Windows1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const char ch : bytes) {
    const auto b = static_cast<std::uint8_t>(ch);
    AppendUtf8(out, b >= 0x80 && b < 0xA0 ? kHighControls[b - 0x80] : char32_t{b});
  }
  return out;
}

std::u32string CodePoints(std::string_view utf8) {
  std::u32string out;
  for (std::size_t at = 0; at < utf8.size();) {
    const Utf8Character c = Utf8CharacterAt(utf8, at);
    if (c.length <= 0) {
      out += kReplacement;
      ++at;
      continue;
    }
    out += c.code_point;
    at += static_cast<std::size_t>(c.length);
  }
  return out;
}

std::optional<unsigned char> Windows1252Byte(char32_t code_point) {
  if (code_point < 0x80 || (code_point >= 0xA0 && code_point <= 0xFF)) return static_cast<unsigned char>(code_point);
  for (std::size_t at = 0; at < kHighControls.size(); ++at)
    if (kHighControls[at] == code_point) return static_cast<unsigned char>(0x80 + at);
  return std::nullopt;
}

std::string WithVisibleNul(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char ch : text) {
    if (ch == '\0') AppendUtf8(out, kReplacement);
    else out += ch;
  }
  return out;
}

std::string DecodeTextFile(std::string_view bytes, bool complete, CodePageDecoder code_page) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return ValidUtf8(bytes.substr(3));
  if (bytes.starts_with("\xFF\xFE")) return Utf16ToUtf8(Utf16Units(bytes.substr(2), false), LoneSurrogates::Replace);
  if (bytes.starts_with("\xFE\xFF")) return Utf16ToUtf8(Utf16Units(bytes.substr(2), true), LoneSurrogates::Replace);
  if (IsUtf8BeyondAscii(bytes, complete)) return std::string(bytes);
  return code_page(bytes);
}

}  // namespace tarvelin
