#pragma once

// The picture of the Linux program's own message box, drawn without any window system: a title
// bar, the message wrapped into lines, and an OK button, in the menu's colours. Its letters come
// from a font of glyph pictures built with the program (art/make-box-font.sh), so the text shows the
// same in every locale: ASCII, Latin-1 and Latin Extended-A as themselves, any other character as
// U+FFFD.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/form.h"

namespace tarvelin {

// The letters of art/box-font.bin (its layout is described in art/make-box-font.sh).
class BoxFont {
 public:
  static constexpr char32_t kReplacement = 0xFFFD;

  // Nothing when the bytes are not a whole font with a U+FFFD glyph.
  static std::optional<BoxFont> Parse(std::span<const std::uint8_t> bytes);
  // The font built into the program.
  static const BoxFont* BuiltIn();

  int LineHeight() const { return height_; }
  bool Has(char32_t c) const;
  // The glyph's width; U+FFFD's for characters the font lacks.
  int Advance(char32_t c) const;
  int Width(std::u32string_view text) const;
  // Blends the glyph of |c| in |ink| over what |pixels| (|stride| a row, |rows| rows) holds, its
  // top-left corner at x, y; clipped to the pixels.
  void Draw(char32_t c, std::uint32_t ink, std::span<std::uint32_t> pixels, int stride, int rows, int x, int y) const;

 private:
  struct Glyph {
    char32_t code;
    int advance;
    int offset;  // column in the strip
  };
  const Glyph& Find(char32_t c) const;

  int height_ = 0;
  int strip_width_ = 0;
  std::vector<Glyph> glyphs_;
  std::span<const std::uint8_t> strip_;
};

// The text in lines no wider than |max_width|: broken at spaces (the space where a line breaks is
// not shown), inside words only when a word alone is wider, and after every line feed. At most
// |max_lines| lines (at least one); text that does not fit then ends in "...".
std::vector<std::u32string> WrapText(const BoxFont& font, std::u32string_view text, int max_width, int max_lines);

struct MessageBoxPicture {
  PixelRect size;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, size.w a row
  PixelRect ok_button;
};

// The box for |prompt| under |title|, no taller than |max_height| pixels where it can be done.
MessageBoxPicture DrawMessageBox(const BoxFont& font, std::string_view title, std::string_view prompt, int max_height);

}  // namespace tarvelin
