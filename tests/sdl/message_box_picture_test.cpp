// The Linux message box's picture: which letters it has, how the message is broken into lines,
// and what the drawn box holds.

#include "runtime/sdl/message_box_picture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "runtime/text.h"

namespace tarvelin {
namespace {

const BoxFont& Font() {
  const BoxFont* font = BoxFont::BuiltIn();
  if (!font) throw std::runtime_error("the built-in font does not load");
  return *font;
}

std::u32string Join(const std::vector<std::u32string>& lines, std::u32string_view separator) {
  std::u32string joined;
  for (std::size_t i = 0; i < lines.size(); ++i) joined += (i ? std::u32string(separator) : U"") + lines[i];
  return joined;
}

TEST(BoxFont, HasLatin1AndLatinExtendedAAndShowsReplacementForTheRest) {
  ASSERT_NE(BoxFont::BuiltIn(), nullptr);
  const BoxFont& font = Font();
  for (char32_t c = 0x20; c < 0x7F; ++c) EXPECT_TRUE(font.Has(c)) << std::hex << static_cast<std::uint32_t>(c);
  for (char32_t c = 0xA0; c < 0x180; ++c) EXPECT_TRUE(font.Has(c)) << std::hex << static_cast<std::uint32_t>(c);
  for (char32_t c : {U'\u4E2D', U'\u0416', U'\u20AC', U'\U0001F600', U'\t'}) {
    EXPECT_FALSE(font.Has(c)) << std::hex << static_cast<std::uint32_t>(c);
    EXPECT_EQ(font.Advance(c), font.Advance(BoxFont::kReplacement));
  }
  // Proportional letters: a W is wider than an i, and no letter is empty.
  EXPECT_GT(font.Advance(U'W'), font.Advance(U'i'));
  for (char32_t c : {U'a', U'\u00E9', U'\u0161', U' '}) EXPECT_GT(font.Advance(c), 0);
}

TEST(BoxFont, RejectsDamagedFontFiles) {
  EXPECT_FALSE(BoxFont::Parse({}));
  const std::vector<std::uint8_t> wrong_magic = {'T', 'V', 'F', '2', 15, 0, 12, 0, 0, 0};
  EXPECT_FALSE(BoxFont::Parse(wrong_magic));
  // One glyph, U+0041, 2 pixels wide and 1 high: a whole font except that U+FFFD is missing.
  std::vector<std::uint8_t> no_replacement = {'T', 'V', 'F', '1', 1, 0, 1, 0, 1, 0, 0x41, 0, 0, 0, 2, 0, 255, 0};
  EXPECT_FALSE(BoxFont::Parse(no_replacement));
  // The same with U+FFFD, then cut short by a byte, then one byte too long.
  std::vector<std::uint8_t> whole = {'T', 'V', 'F', '1', 1, 0, 1, 0, 1, 0, 0xFD, 0xFF, 0, 0, 2, 0, 255, 0};
  EXPECT_TRUE(BoxFont::Parse(whole));
  std::vector<std::uint8_t> cut(whole.begin(), whole.end() - 1);
  EXPECT_FALSE(BoxFont::Parse(cut));
  whole.push_back(0);
  EXPECT_FALSE(BoxFont::Parse(whole));
}

TEST(WrapText, BreaksAtSpacesWithinTheWidthAndLosesNoText) {
  const BoxFont& font = Font();
  const std::u32string text =
      U"The file setup\\install the \u00E9dition compl\u00E8te of \u0160koda's guide could not be found.";
  const int width = font.Width(U"The file setup\\install the");
  const std::vector<std::u32string> lines = WrapText(font, text, width, 100);
  ASSERT_GT(lines.size(), 2u);
  for (const std::u32string& line : lines) {
    EXPECT_LE(font.Width(line), width) << "a line of " << line.size() << " characters";
    EXPECT_FALSE(line.empty());
    EXPECT_NE(line.front(), U' ');
  }
  EXPECT_EQ(lines.front(), U"The file setup\\install the");
  // Each break took exactly one space.
  EXPECT_EQ(Join(lines, U" "), text);
}

TEST(WrapText, BreaksAWordWiderThanTheLineInsideIt) {
  const BoxFont& font = Font();
  const std::u32string word(60, U'W');
  const int width = font.Width(std::u32string(25, U'W'));
  const std::vector<std::u32string> lines = WrapText(font, U"The file " + word + U" could", width, 100);
  for (const std::u32string& line : lines) EXPECT_LE(font.Width(line), width);
  EXPECT_EQ(Join(lines, U""), U"The file" + word + U" could");
}

TEST(WrapText, StartsANewLineAfterEveryLineFeed) {
  const BoxFont& font = Font();
  EXPECT_EQ(WrapText(font, U"one\ntwo\n\nthree", 400, 10), (std::vector<std::u32string>{U"one", U"two", U"", U"three"}));
}

TEST(WrapText, EndsTextThatDoesNotFitWithAnEllipsis) {
  const BoxFont& font = Font();
  std::u32string text;
  for (int i = 0; i < 2000; ++i) text += U"word ";
  const int width = 200;
  const std::vector<std::u32string> lines = WrapText(font, text, width, 3);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines.back().substr(lines.back().size() - 3), U"...");
  EXPECT_LE(font.Width(lines.back()), width);
  // No room for even one line still gives one.
  EXPECT_EQ(WrapText(font, text, width, 0).size(), 1u);
  EXPECT_EQ(WrapText(font, text, width, -5).size(), 1u);
}

class MessageBoxPictureTest : public ::testing::Test {
 protected:
  // Pixels of the light text: the box's faces and edges are all dark in red, the text is not.
  static int InkPixels(const MessageBoxPicture& picture, PixelRect area) {
    int count = 0;
    for (int y = area.y; y < area.y + area.h; ++y)
      for (int x = area.x; x < area.x + area.w; ++x)
        count += (picture.pixels[static_cast<std::size_t>(y) * picture.size.w + x] >> 16) > 0x90;
    return count;
  }
};

TEST_F(MessageBoxPictureTest, HoldsTitleMessageAndOkButtonInsideTheBox) {
  const MessageBoxPicture picture =
      DrawMessageBox(Font(), "Tarvelin", "The file tools\\missing.exe could not be found.", 1000);
  ASSERT_EQ(picture.pixels.size(), static_cast<std::size_t>(picture.size.w) * picture.size.h);
  EXPECT_GE(picture.size.w, 240);
  EXPECT_LE(picture.size.w, 440);
  // One line of text: title bar, text, button.
  EXPECT_EQ(picture.size.h, 2 + 22 + 14 + Font().LineHeight() + 14 + 23 + 12);
  const PixelRect ok = picture.ok_button;
  EXPECT_EQ(ok.w, 75);
  EXPECT_EQ(ok.h, 23);
  EXPECT_EQ(ok.x + ok.w / 2, picture.size.w / 2);  // centred
  EXPECT_LE(ok.y + ok.h, picture.size.h);
  // Ink in the title bar, in the text's place and on the button; none between text and button.
  EXPECT_GT(InkPixels(picture, {0, 0, picture.size.w, 23}), 20);
  EXPECT_GT(InkPixels(picture, {17, 37, picture.size.w - 34, Font().LineHeight()}), 150);
  EXPECT_GT(InkPixels(picture, ok), 8);
  EXPECT_EQ(InkPixels(picture, {0, 23, 17, picture.size.h - 23}), 0);  // the text's left margin
  EXPECT_EQ(InkPixels(picture, {2, 37 + Font().LineHeight(), picture.size.w - 4, 10}), 0);
}

TEST_F(MessageBoxPictureTest, ALongerMessageGrowsTheBoxDownwardsWithinTheHeightGiven) {
  std::string command;
  for (int i = 0; i < 40; ++i) command += "setup\\part" + std::to_string(i) + ".exe ";
  const MessageBoxPicture one_line = DrawMessageBox(Font(), "Tarvelin", "The file x could not be found.", 1000);
  const MessageBoxPicture tall = DrawMessageBox(Font(), "Tarvelin", "The file " + command + "could not be found.", 1000);
  EXPECT_GT(tall.size.h, one_line.size.h + 4 * Font().LineHeight());
  EXPECT_LE(tall.size.w, 440);
  const MessageBoxPicture capped =
      DrawMessageBox(Font(), "Tarvelin", "The file " + std::string(32768, 'x') + " could not be found.", 300);
  EXPECT_LE(capped.size.h, 300);
  EXPECT_LE(capped.size.w, 440);
}

TEST_F(MessageBoxPictureTest, NonAsciiLettersTakeTheirOwnWidthNotAReplacement) {
  // The same message with a Latin-1, a Latin Extended-A and a CJK letter in the command.
  const auto text_width = [](const char* letter) {
    return Font().Width(CodePoints(std::string("The file mis") + letter + "ing.exe could not be found."));
  };
  const int ascii = text_width("s");
  EXPECT_NEAR(text_width("\xC3\xA9"), ascii, 3);  // e acute
  EXPECT_NEAR(text_width("\xC5\xA1"), ascii, 3);  // s caron
  EXPECT_EQ(text_width("\xE4\xB8\xAD"), ascii - Font().Advance(U's') + Font().Advance(BoxFont::kReplacement));
}

TEST_F(MessageBoxPictureTest, ATabIsDrawnAsSpacesToTheNextEighthColumn) {
  // "The file " is nine characters: the tab after "a", the tenth, moves "b" on to the seventeenth.
  const MessageBoxPicture tabbed = DrawMessageBox(Font(), "Tarvelin", "The file a\tb\tc could not be found.", 1000);
  const MessageBoxPicture spaced =
      DrawMessageBox(Font(), "Tarvelin", "The file a      b       c could not be found.", 1000);
  EXPECT_EQ(tabbed.size, spaced.size);
  EXPECT_TRUE(tabbed.pixels == spaced.pixels) << "a tab is not drawn as the spaces up to its column";
  // Each line counts its own columns.
  const MessageBoxPicture lines = DrawMessageBox(Font(), "Tarvelin", "The file\n\tx", 1000);
  const MessageBoxPicture lines_spaced = DrawMessageBox(Font(), "Tarvelin", "The file\n        x", 1000);
  EXPECT_TRUE(lines.pixels == lines_spaced.pixels);
}

}  // namespace
}  // namespace tarvelin
