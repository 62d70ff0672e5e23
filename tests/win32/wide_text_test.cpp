#include "runtime/win32/wide_text.h"

#include <windows.h>

#include <gtest/gtest.h>

using namespace tarvelin;

TEST(WideText, Utf8AndUtf16RoundTrip) {
  const std::string text = "Men\xC3\xBC \xE2\x82\xAC 5 \xF0\x9F\x98\x80";  // "Menü € 5 😀"
  const std::wstring wide = Utf8ToWide(text);
  EXPECT_EQ(wide, L"Men\x00FC \x20AC 5 \xD83D\xDE00");
  EXPECT_EQ(WideToUtf8(wide), text);
}

TEST(WideText, InvalidUtf8BecomesReplacementCharacters) {
  EXPECT_EQ(Utf8ToWide("a\xFF" "b"), L"a\xFFFD" L"b");
  EXPECT_EQ(Utf8ToWide("\xC3"), L"\xFFFD");                  // cut short
  EXPECT_EQ(Utf8ToWide("\xC0\xAF"), L"\xFFFD\xFFFD");        // overlong "/"
  EXPECT_EQ(Utf8ToWide("\xF4\x90\x80\x80"), L"\xFFFD\xFFFD\xFFFD\xFFFD");  // beyond U+10FFFF
}

TEST(WideText, UnpairedSurrogateInAFileNameSurvivesTheRoundTrip) {
  const std::wstring name = L"C:\\Disc\\x\xD800y";
  EXPECT_EQ(Utf8ToWide(WideToUtf8(name)), name);
}

TEST(WideText, Windows1252BytesDecode) {
  // The options file of a disc made on a Western European Windows.
  EXPECT_EQ(CodePageToUtf8("Caf\xE9 \x80 \x93quoted\x94", 1252), "Caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cquoted\xE2\x80\x9D");
  EXPECT_EQ(CodePageToUtf8("", 1252), "");
}

TEST(WideText, OtherCodePagesDecode) {
  EXPECT_EQ(CodePageToUtf8("\xCF\xF0\xE8\xE2\xE5\xF2", 1251), "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82");  // "Привет"
  EXPECT_EQ(CodePageToUtf8("\x93\xFA\x96\x7B", 932), "\xE6\x97\xA5\xE6\x9C\xAC");  // "日本" in Shift JIS
}

TEST(WideText, SystemCodePageIsTheOneAnsiTextUses) {
  const std::string bytes = "Men\xFC";
  EXPECT_EQ(AnsiToUtf8(bytes), CodePageToUtf8(bytes, GetACP()));
}

TEST(WideText, NulBytesAreOrdinaryCharacters) {
  EXPECT_EQ(CodePageToUtf8(std::string("a\0b", 3), 1252), std::string("a\0b", 3));
}
