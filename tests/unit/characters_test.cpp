// Typed characters and message text: the code point a provider reports becomes the KeyAscii the
// key handler receives, and a NUL in a message stays visible.

#include <gtest/gtest.h>

#include <string>

#include "runtime/events.h"
#include "runtime/text.h"

namespace tarvelin {
namespace {

using namespace std::string_literals;

TEST(KeyAscii, IsTheWindows1252Code) {
  EXPECT_EQ(KeyAscii(U'\x1B'), 27);  // Escape
  EXPECT_EQ(KeyAscii(U'\r'), 13);
  EXPECT_EQ(KeyAscii(U'\0'), 0);
  EXPECT_EQ(KeyAscii(U'a'), 97);
  EXPECT_EQ(KeyAscii(U'\x7F'), 127);
  EXPECT_EQ(KeyAscii(U'€'), 0x80);
  EXPECT_EQ(KeyAscii(U'Ÿ'), 0x9F);
  EXPECT_EQ(KeyAscii(U'\xA0'), 0xA0);
  EXPECT_EQ(KeyAscii(U'é'), 0xE9);
  EXPECT_EQ(KeyAscii(U'ÿ'), 0xFF);
  // The five bytes the code page leaves undefined stand for the control characters of their value.
  EXPECT_EQ(KeyAscii(U'\x81'), 0x81);
  EXPECT_EQ(KeyAscii(U'\x9D'), 0x9D);
}

TEST(KeyAscii, CharactersTheCodePageLacksAreQuestionMarks) {
  // None of these may pass for Escape, whatever their low bits.
  for (const char32_t c : {U'\x80', U'\x9F', U'\x11B', U'ж', U'\x201B', U'\xFFFD', U'\x1001B', char32_t{0xFFFF001B},
                           char32_t{0x110000}, char32_t{0xD800}})
    EXPECT_EQ(KeyAscii(c), 63) << static_cast<unsigned long>(c);
}

TEST(Windows1252Byte, UndoesWindows1252ToUtf8ForEveryByte) {
  for (int byte = 0; byte < 256; ++byte) {
    const std::u32string decoded = CodePoints(Windows1252ToUtf8(std::string(1, static_cast<char>(byte))));
    ASSERT_EQ(decoded.size(), 1u) << byte;
    EXPECT_EQ(Windows1252Byte(decoded[0]), byte) << byte;
  }
  EXPECT_FALSE(Windows1252Byte(U'ж'));
  EXPECT_FALSE(Windows1252Byte(U'\x100'));
}

TEST(CodePoints, DecodesUtf8AndReplacesWhatIsNot) {
  EXPECT_EQ(CodePoints("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"), U"aé€\x1F600");
  EXPECT_EQ(CodePoints("\0x"s), U"\0x"s);
  EXPECT_EQ(CodePoints(""), U"");
  // A stray continuation byte, a cut sequence, an overlong form and a surrogate: one U+FFFD a byte.
  EXPECT_EQ(CodePoints("\x80" "a"), U"\xFFFD" U"a");
  EXPECT_EQ(CodePoints("\xE2\x82"), U"\xFFFD\xFFFD");
  EXPECT_EQ(CodePoints("\xC0\xAF"), U"\xFFFD\xFFFD");
  EXPECT_EQ(CodePoints("\xED\xA0\x80"), U"\xFFFD\xFFFD\xFFFD");
}

TEST(CodePoints, KeepsEveryCharacterAndReplacesEveryBadByte) {
  EXPECT_EQ(CodePoints("caf\xC3\xA9 \xE4\xB8\xAD \xF0\x9F\x98\x80"), U"caf\u00E9 \u4E2D \U0001F600");
  // Windows-1252 e acute, a lone continuation byte, an overlong slash, a surrogate, a cut character.
  EXPECT_EQ(CodePoints("mis\xE9ing"), U"mis\uFFFDing");
  EXPECT_EQ(CodePoints("a\x80z"), U"a\uFFFDz");
  EXPECT_EQ(CodePoints("\xC0\xAF"), U"\uFFFD\uFFFD");
  EXPECT_EQ(CodePoints("\xED\xA0\x80"), U"\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(CodePoints("end\xE4\xB8"), U"end\uFFFD\uFFFD");
}

TEST(Utf16, NamesKeepLoneSurrogatesThroughUtf8) {
  // Windows file names are UTF-16 that need not be valid: a half of a pair alone, a pair reversed.
  const std::u16string names[] = {u"C:\\Disc\\x\xD800y", u"\xDC00", u"end\xD83D", u"\xDE00\xD83D",
                                  u"\xD800\xD83D\xDE00", u"Men\x00FC \x20AC \xD83D\xDE00"};
  for (const std::u16string& name : names) {
    const std::string utf8 = Utf16ToUtf8(name, LoneSurrogates::Keep);
    EXPECT_EQ(Utf8ToUtf16(utf8), name) << "as UTF-8: " << ::testing::PrintToString(utf8);
  }
  EXPECT_EQ(Utf16ToUtf8(u"a\xD83D\xDE00", LoneSurrogates::Keep), "a\xF0\x9F\x98\x80");  // a pair is one character
  EXPECT_EQ(Utf16ToUtf8(u"a\xD800", LoneSurrogates::Keep), "a\xED\xA0\x80");
}

TEST(Utf16, TextShowsLoneSurrogatesAsReplacementCharacters) {
  EXPECT_EQ(Utf16ToUtf8(u"\xD800y\xDC00\xD83D\xDE00\xDE00\xD83D", LoneSurrogates::Replace),
            "\xEF\xBF\xBDy\xEF\xBF\xBD\xF0\x9F\x98\x80\xEF\xBF\xBD\xEF\xBF\xBD");
  // Bytes that are not UTF-8 have no UTF-16 of their own.
  EXPECT_EQ(Utf8ToUtf16("a\xFF" "b\xC0\xAF\xC3"), u"a\xFFFD" u"b\xFFFD\xFFFD\xFFFD");
}

TEST(WithVisibleNul, ShowsEveryNulAsAReplacementCharacter) {
  EXPECT_EQ(WithVisibleNul("The file missing\0tail.exe could not be found."s),
            "The file missing\xEF\xBF\xBDtail.exe could not be found.");
  EXPECT_EQ(WithVisibleNul("\0\0"s), "\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(WithVisibleNul("caf\xC3\xA9"), "caf\xC3\xA9");
  EXPECT_EQ(WithVisibleNul(""), "");
}

}  // namespace
}  // namespace tarvelin
