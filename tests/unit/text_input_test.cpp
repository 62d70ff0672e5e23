// The options.ini field reader, and the Windows-1252 text it is given.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "runtime/text.h"
#include "runtime/text_input.h"

namespace tarvelin {
namespace {

// Reads fields as start-up does: the end-of-file test before every read. A read error ends the
// list with "<error>".
std::vector<std::string> ReadAll(std::string text, bool complete = true) {
  TextInput input(std::move(text), complete);
  std::vector<std::string> fields;
  while (!input.AtEnd() && fields.size() < 100) {
    std::optional<std::string> field = input.ReadField();
    if (!field) {
      fields.push_back("<error>");
      break;
    }
    fields.push_back(*field);
  }
  return fields;
}

using Fields = std::vector<std::string>;

TEST(TextInput, LineEndsAreCrLfCrOrLf) {
  EXPECT_EQ(ReadAll("a\r\nb\rc\nd"), (Fields{"a", "b", "c", "d"}));
  EXPECT_EQ(ReadAll("a\r\n"), (Fields{"a"}));
  EXPECT_EQ(ReadAll("a\n\rb"), (Fields{"a", "", "b"}));  // LF then CR are two line ends
}

// The example the README gives disc authors reads as it says.
TEST(TextInput, TheDocumentedExampleReadsAsDocumented) {
  EXPECT_EQ(ReadAll("My Product 2.0\r\nguide\\guide\r\nbrowser\\setup /silent\r\n"
                    "\"websrv\\setup /modules=http,ftp\"\r\ndevkit\\setup \"Developer Kit\"\r\n"
                    "docs\\manual.pdf\r\n"),
            (Fields{"My Product 2.0", "guide\\guide", "browser\\setup /silent", "websrv\\setup /modules=http,ftp",
                    "devkit\\setup \"Developer Kit\"", "docs\\manual.pdf"}));
}

TEST(TextInput, BlankLineIsAnEmptyField) {
  EXPECT_EQ(ReadAll("a\r\n\r\nb"), (Fields{"a", "", "b"}));
  EXPECT_EQ(ReadAll("\n\n"), (Fields{"", ""}));
  EXPECT_EQ(ReadAll("a,,b"), (Fields{"a", "", "b"}));
}

TEST(TextInput, CommaEndsAnUnquotedField) {
  EXPECT_EQ(ReadAll("Title, more\r\ncmd"), (Fields{"Title", "more", "cmd"}));
  EXPECT_EQ(ReadAll("a,"), (Fields{"a"}));
}

TEST(TextInput, SpacesAndTabsBeforeAFieldAreSkipped) {
  EXPECT_EQ(ReadAll("  \t a b\r\n\t\"q\""), (Fields{"a b", "q"}));
}

TEST(TextInput, TrailingSpacesAreDroppedAndTabsKept) {
  EXPECT_EQ(ReadAll("abc   \r\nabc\t \r\nabc \t"), (Fields{"abc", "abc\t", "abc \t"}));
}

TEST(TextInput, OnlyBlanksBeforeTheEndGiveAnEmptyField) {
  EXPECT_EQ(ReadAll("a\r\n  \t"), (Fields{"a", ""}));
}

TEST(TextInput, QuotedFieldKeepsCommasAndLineEnds) {
  EXPECT_EQ(ReadAll("\"a, b\r\nc\"\r\nd"), (Fields{"a, b\r\nc", "d"}));
  EXPECT_EQ(ReadAll("\"\"\r\nx"), (Fields{"", "x"}));
  EXPECT_EQ(ReadAll("  \"  padded  \"  "), (Fields{"  padded  "}));
}

TEST(TextInput, AfterClosingQuoteBlanksThenOneSeparatorAreConsumed) {
  EXPECT_EQ(ReadAll("\"abc\"   ,def"), (Fields{"abc", "def"}));
  EXPECT_EQ(ReadAll("\"abc\" \t\r\ndef"), (Fields{"abc", "def"}));
  EXPECT_EQ(ReadAll("\"abc\",,def"), (Fields{"abc", "", "def"}));
}

TEST(TextInput, TextRightAfterClosingQuoteStartsTheNextField) {
  EXPECT_EQ(ReadAll("\"abc\"def"), (Fields{"abc", "def"}));
  EXPECT_EQ(ReadAll("\"abc\"\"def\""), (Fields{"abc", "def"}));
}

TEST(TextInput, QuoteInsideAnUnquotedFieldIsText) {
  EXPECT_EQ(ReadAll("say \"hi\", x"), (Fields{"say \"hi\"", "x"}));
}

TEST(TextInput, UnterminatedQuoteTakesTheRestOfTheFile) {
  EXPECT_EQ(ReadAll("t\r\n\"abc,def\r\nghi"), (Fields{"t", "abc,def\r\nghi"}));
  EXPECT_EQ(ReadAll("\""), (Fields{""}));
}

TEST(TextInput, NulAndOtherBytesAreText) {
  EXPECT_EQ(ReadAll(std::string("a\0b\x01,\xFF", 6)), (Fields{std::string("a\0b\x01", 4), "\xFF"}));
}

TEST(TextInput, FieldOverTheLimitIsAReadError) {
  const std::string longest(kMaxFieldBytes, 'x');
  EXPECT_EQ(ReadAll(longest + "\r\nnext"), (Fields{longest, "next"}));
  EXPECT_EQ(ReadAll("first\r\n" + longest + "x\r\nnext"), (Fields{"first", "<error>"}));
  EXPECT_EQ(ReadAll("\"" + longest + "\"\r\nnext"), (Fields{longest, "next"}));
  EXPECT_EQ(ReadAll("\"" + longest + "x\"\r\nnext"), (Fields{"<error>"}));
  EXPECT_EQ(ReadAll("\"" + longest + "x"), (Fields{"<error>"}));
}

TEST(TextInput, FieldRunningPastTheTextReadIsAReadError) {
  // The file goes on beyond the text given: a field that reaches its end was cut.
  EXPECT_EQ(ReadAll("abc", false), (Fields{"<error>"}));
  EXPECT_EQ(ReadAll("Title\r\ncmd,partial", false), (Fields{"Title", "cmd", "<error>"}));
  EXPECT_EQ(ReadAll("Title\r\n\"quoted, partial", false), (Fields{"Title", "<error>"}));
  EXPECT_EQ(ReadAll("Title\r\n", false), (Fields{"Title", "<error>"}));
}

TEST(TextInput, AtEndOnlyWhenNothingIsLeft) {
  TextInput empty("", true);
  EXPECT_TRUE(empty.AtEnd());

  TextInput input("a\r\nb\r\n", true);
  EXPECT_FALSE(input.AtEnd());
  EXPECT_EQ(input.ReadField(), "a");
  EXPECT_FALSE(input.AtEnd());
  EXPECT_EQ(input.ReadField(), "b");
  EXPECT_TRUE(input.AtEnd());  // the last line end was consumed with its field

  TextInput cut("", false);
  EXPECT_FALSE(cut.AtEnd());  // more of the file follows what was read
  EXPECT_EQ(cut.ReadField(), std::nullopt);
}

TEST(TextInput, ReadingPastTheEndGivesEmptyFieldsWithoutFailing) {
  TextInput input("a", true);
  EXPECT_EQ(input.ReadField(), "a");
  EXPECT_TRUE(input.AtEnd());
  EXPECT_EQ(input.ReadField(), "");
  EXPECT_TRUE(input.AtEnd());
}

TEST(Windows1252, DecodesEveryByteToUtf8) {
  EXPECT_EQ(Windows1252ToUtf8("plain ASCII, 0-9"), "plain ASCII, 0-9");
  EXPECT_EQ(Windows1252ToUtf8("\x80"), "\xE2\x82\xAC");                  // euro sign
  EXPECT_EQ(Windows1252ToUtf8("\x93\x94"), "\xE2\x80\x9C\xE2\x80\x9D");  // curly quotes
  EXPECT_EQ(Windows1252ToUtf8("\x9F"), "\xC5\xB8");                      // Y with diaeresis
  EXPECT_EQ(Windows1252ToUtf8("\x81\x8D\x8F\x90\x9D"), "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");  // undefined
  EXPECT_EQ(Windows1252ToUtf8("\xA0\xE9\xFF"), "\xC2\xA0\xC3\xA9\xC3\xBF");
  EXPECT_EQ(Windows1252ToUtf8(std::string("\0", 1)), std::string("\0", 1));
  // Every byte gives one well-formed character.
  for (int b = 0; b < 256; ++b) {
    const std::string utf8 = Windows1252ToUtf8(std::string(1, static_cast<char>(b)));
    const auto lead = static_cast<unsigned char>(utf8[0]);
    const std::size_t expected_length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : 3;
    EXPECT_EQ(utf8.size(), expected_length) << "byte " << b;
  }
}

std::string MarkCodePage(std::string_view bytes) { return "<code page>" + std::string(bytes); }

std::string Decode(std::string_view bytes, bool complete = true) { return DecodeTextFile(bytes, complete, MarkCodePage); }

TEST(DecodeTextFile, ByteOrderMarksChooseTheEncodingAndAreDropped) {
  EXPECT_EQ(Decode("\xEF\xBB\xBF" "Caf\xC3\xA9\r\n"), "Caf\xC3\xA9\r\n");
  EXPECT_EQ(Decode("\xEF\xBB\xBF" "plain"), "plain");
  const std::string little("\xFF\xFE" "T\0\xE9\0\r\0\n\0" "\x3D\xD8\x00\xDE", 14);
  EXPECT_EQ(Decode(little), "T\xC3\xA9\r\n\xF0\x9F\x98\x80");
  const std::string big("\xFE\xFF" "\0T\0\xE9\xD8\x3D\xDE\x00", 10);
  EXPECT_EQ(Decode(big), "T\xC3\xA9\xF0\x9F\x98\x80");
}

TEST(DecodeTextFile, BrokenTextAfterAMarkBecomesReplacementCharacters) {
  EXPECT_EQ(Decode("\xEF\xBB\xBF" "a\xFF" "b\xC3"), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
  EXPECT_EQ(Decode(std::string("\xFF\xFE" "\x3D\xD8" "a\0", 6)), "\xEF\xBF\xBD" "a");  // unpaired surrogate
  EXPECT_EQ(Decode(std::string("\xFF\xFE" "\x00\xDE", 4)), "\xEF\xBF\xBD");
  EXPECT_EQ(Decode(std::string("\xFF\xFE" "a\0b", 5)), "a");  // odd last byte
}

TEST(DecodeTextFile, UnmarkedUtf8IsRecognisedAndEverythingElseIsTheCodePage) {
  EXPECT_EQ(Decode("Men\xC3\xBC \xE2\x82\xAC"), "Men\xC3\xBC \xE2\x82\xAC");
  EXPECT_EQ(Decode("plain ASCII"), "<code page>plain ASCII");
  EXPECT_EQ(Decode("Caf\xE9"), "<code page>Caf\xE9");
  EXPECT_EQ(Decode("\xC3\xA9 then \xE9"), "<code page>\xC3\xA9 then \xE9");  // one bad byte spoils it
  EXPECT_EQ(Decode("\xC0\xAF"), "<code page>\xC0\xAF");                        // overlong
  EXPECT_EQ(Decode("\xED\xA0\x80"), "<code page>\xED\xA0\x80");              // a surrogate
  EXPECT_EQ(Decode("\xF4\x90\x80\x80"), "<code page>\xF4\x90\x80\x80");    // beyond U+10FFFF
  EXPECT_EQ(Decode(""), "<code page>");
}

TEST(DecodeTextFile, CharacterCutByTheEndCountsOnlyWhenTheFileGoesOn) {
  EXPECT_EQ(Decode("\xC3\xA9\xE2\x82", false), "\xC3\xA9\xE2\x82");
  EXPECT_EQ(Decode("\xC3\xA9\xE2\x82", true), "<code page>\xC3\xA9\xE2\x82");
}

}  // namespace
}  // namespace tarvelin
