#include "runtime/sdl/message_box_picture.h"

#include <algorithm>
#include <cstring>

#include "runtime/little_endian.h"
#include "runtime/text.h"

namespace tarvelin {

std::span<const std::uint8_t> BoxFontFile();  // art/box-font.bin, embedded by the build

namespace {

constexpr int kHeaderSize = 10, kEntrySize = 6;
constexpr char32_t kLineFeed = U'\n', kSpace = U' ', kTab = U'\t';

// The box's measures, in picture pixels.
constexpr int kBorder = 1;
constexpr int kTitleBar = 22;
constexpr int kTitleLeft = 8;
constexpr int kTextMargin = 16;       // left and right of the text
constexpr int kTextGap = 14;          // above and below the text
constexpr int kMaxTextWidth = 400;
constexpr int kMinWidth = 240;
constexpr int kButtonW = 75, kButtonH = 23, kButtonBelow = 12;

// The menu's colours.
constexpr std::uint32_t kFace = 0x102A4A;
constexpr std::uint32_t kTitleFace = 0x06142A;
constexpr std::uint32_t kEdge = 0x5FB3FF;
constexpr std::uint32_t kInk = 0xE2EBF5;
constexpr std::uint32_t kButtonFace = 0x14406F;

std::uint32_t Blend(std::uint32_t paper, std::uint32_t ink, unsigned coverage) {
  std::uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const int p = (paper >> shift) & 0xFF, i = (ink >> shift) & 0xFF;
    out |= static_cast<std::uint32_t>(p + ((i - p) * static_cast<int>(coverage) + 127) / 255) << shift;
  }
  return out;
}

void FillRect(MessageBoxPicture& picture, PixelRect r, std::uint32_t colour) {
  for (int y = std::max(r.y, 0); y < std::min(r.y + r.h, picture.size.h); ++y)
    for (int x = std::max(r.x, 0); x < std::min(r.x + r.w, picture.size.w); ++x)
      picture.pixels[static_cast<std::size_t>(y) * picture.size.w + x] = colour;
}

void FrameRect(MessageBoxPicture& picture, PixelRect r, std::uint32_t colour) {
  FillRect(picture, {r.x, r.y, r.w, 1}, colour);
  FillRect(picture, {r.x, r.y + r.h - 1, r.w, 1}, colour);
  FillRect(picture, {r.x, r.y, 1, r.h}, colour);
  FillRect(picture, {r.x + r.w - 1, r.y, 1, r.h}, colour);
}

void DrawText(const BoxFont& font, MessageBoxPicture& picture, std::u32string_view text, int x, int y) {
  for (const char32_t c : text) {
    font.Draw(c, kInk, picture.pixels, picture.size.w, picture.size.h, x, y);
    x += font.Advance(c);
  }
}

// Cuts |line| so that "..." fits after it within |max_width|, and appends it.
// The text with each tab drawn as spaces up to the next column that is a multiple of eight
// characters, as a terminal shows it; the font has no glyph for a tab.
std::u32string TabsAsSpaces(std::u32string_view text) {
  constexpr std::size_t kTabColumns = 8;
  std::u32string spaced;
  std::size_t column = 0;
  for (const char32_t c : text) {
    if (c != kTab) {
      spaced.push_back(c);
      column = c == kLineFeed ? 0 : column + 1;
      continue;
    }
    do {
      spaced.push_back(kSpace);
    } while (++column % kTabColumns != 0);
  }
  return spaced;
}

std::u32string WithEllipsis(const BoxFont& font, std::u32string line, int max_width) {
  const std::u32string ellipsis = U"...";
  while (!line.empty() && font.Width(line) + font.Width(ellipsis) > max_width) line.pop_back();
  return line + ellipsis;
}

}  // namespace

std::optional<BoxFont> BoxFont::Parse(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kHeaderSize || std::memcmp(bytes.data(), "TVF1", 4) != 0) return std::nullopt;
  BoxFont font;
  font.height_ = static_cast<int>(ReadLe16(bytes, 4));
  const std::size_t count = ReadLe16(bytes, 8);
  if (font.height_ == 0 || count == 0 || bytes.size() < kHeaderSize + count * kEntrySize) return std::nullopt;
  long long strip_width = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = kHeaderSize + i * kEntrySize;
    const Glyph glyph{static_cast<char32_t>(ReadLe32(bytes, at)), static_cast<int>(ReadLe16(bytes, at + 4)),
                      static_cast<int>(strip_width)};
    if (!font.glyphs_.empty() && glyph.code <= font.glyphs_.back().code) return std::nullopt;  // not sorted
    font.glyphs_.push_back(glyph);
    strip_width += glyph.advance;
  }
  const std::size_t strip_at = kHeaderSize + count * kEntrySize;
  if (static_cast<unsigned long long>(strip_width) * font.height_ != bytes.size() - strip_at) return std::nullopt;
  font.strip_width_ = static_cast<int>(strip_width);
  font.strip_ = bytes.subspan(strip_at);
  if (!font.Has(kReplacement)) return std::nullopt;
  return font;
}

const BoxFont* BoxFont::BuiltIn() {
  static const std::optional<BoxFont> font = Parse(BoxFontFile());
  return font ? &*font : nullptr;
}

bool BoxFont::Has(char32_t c) const {
  const auto it = std::lower_bound(glyphs_.begin(), glyphs_.end(), c, [](const Glyph& g, char32_t v) { return g.code < v; });
  return it != glyphs_.end() && it->code == c;
}

const BoxFont::Glyph& BoxFont::Find(char32_t c) const {
  const auto by_code = [](const Glyph& g, char32_t v) { return g.code < v; };
  auto it = std::lower_bound(glyphs_.begin(), glyphs_.end(), c, by_code);
  if (it == glyphs_.end() || it->code != c) it = std::lower_bound(glyphs_.begin(), glyphs_.end(), kReplacement, by_code);
  return *it;
}

int BoxFont::Advance(char32_t c) const { return Find(c).advance; }

int BoxFont::Width(std::u32string_view text) const {
  int width = 0;
  for (const char32_t c : text) width += Advance(c);
  return width;
}

void BoxFont::Draw(char32_t c, std::uint32_t ink, std::span<std::uint32_t> pixels, int stride, int rows, int x,
                   int y) const {
  const Glyph& glyph = Find(c);
  for (int row = 0; row < height_; ++row) {
    if (y + row < 0 || y + row >= rows) continue;
    for (int column = 0; column < glyph.advance; ++column) {
      if (x + column < 0 || x + column >= stride) continue;
      const unsigned coverage = strip_[static_cast<std::size_t>(row) * strip_width_ + glyph.offset + column];
      std::uint32_t& pixel = pixels[static_cast<std::size_t>(y + row) * stride + x + column];
      pixel = Blend(pixel, ink, coverage);
    }
  }
}

std::vector<std::u32string> WrapText(const BoxFont& font, std::u32string_view text, int max_width, int max_lines) {
  max_lines = std::max(max_lines, 1);
  std::vector<std::u32string> lines(1);
  int width = 0;
  bool cut = false;
  const auto new_line = [&] {
    if (static_cast<int>(lines.size()) == max_lines) return false;
    lines.emplace_back();
    width = 0;
    return true;
  };
  for (std::size_t i = 0; i < text.size() && !cut; ++i) {
    const char32_t c = text[i];
    if (c == kLineFeed) {
      cut = !new_line();
      continue;
    }
    const int advance = font.Advance(c);
    if (width + advance <= max_width || lines.back().empty()) {
      lines.back().push_back(c);
      width += advance;
      continue;
    }
    // The character does not fit: a space simply ends the line; otherwise the line breaks at its
    // last space, if it has one, and the character is placed again on the next line, after the
    // rest of its word.
    if (c == kSpace) {
      cut = !new_line();
      continue;
    }
    std::u32string& line = lines.back();
    const std::size_t space = line.rfind(kSpace);
    std::u32string carried;
    if (space != std::u32string::npos) {
      carried = line.substr(space + 1);
      line.erase(space);
    }
    if (!new_line()) {
      cut = true;
      break;
    }
    lines.back() = carried;
    width = font.Width(carried);
    --i;
  }
  if (cut) lines.back() = WithEllipsis(font, lines.back(), max_width);
  return lines;
}

MessageBoxPicture DrawMessageBox(const BoxFont& font, std::string_view title, std::string_view prompt, int max_height) {
  const int line = font.LineHeight();
  const int chrome = 2 * kBorder + kTitleBar + 2 * kTextGap + kButtonH + kButtonBelow;
  const std::vector<std::u32string> lines =
      WrapText(font, TabsAsSpaces(CodePoints(prompt)), kMaxTextWidth, (max_height - chrome) / line);
  int text_width = 0;
  for (const std::u32string& l : lines) text_width = std::max(text_width, font.Width(l));

  MessageBoxPicture picture;
  picture.size = {0, 0, std::max(kMinWidth, text_width + 2 * (kBorder + kTextMargin)),
                  chrome + static_cast<int>(lines.size()) * line};
  picture.pixels.assign(static_cast<std::size_t>(picture.size.w) * picture.size.h, kFace);
  FillRect(picture, {0, 0, picture.size.w, kBorder + kTitleBar}, kTitleFace);
  FrameRect(picture, picture.size, kEdge);
  const std::u32string title_text = WrapText(font, TabsAsSpaces(CodePoints(title)), picture.size.w - 2 * kTitleLeft, 1).front();
  DrawText(font, picture, title_text, kBorder + kTitleLeft, kBorder + (kTitleBar - line) / 2);

  int y = kBorder + kTitleBar + kTextGap;
  for (const std::u32string& l : lines) {
    DrawText(font, picture, l, kBorder + kTextMargin, y);
    y += line;
  }

  picture.ok_button = {(picture.size.w - kButtonW) / 2, picture.size.h - kBorder - kButtonBelow - kButtonH, kButtonW,
                       kButtonH};
  FillRect(picture, picture.ok_button, kButtonFace);
  FrameRect(picture, picture.ok_button, kEdge);
  const std::u32string ok = U"OK";
  DrawText(font, picture, ok, picture.ok_button.x + (kButtonW - font.Width(ok)) / 2,
           picture.ok_button.y + (kButtonH - line) / 2);
  return picture;
}

}  // namespace tarvelin
