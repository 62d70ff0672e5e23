#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "runtime/artwork.h"
#include "runtime/sdl/sdl_icon.h"

using namespace tarvelin;

namespace {

using Surface = SdlSurface;

Surface Decode(const std::vector<std::uint8_t>& file) { return CreateIconSurface(file); }

std::uint32_t Pixel(const SDL_Surface& surface, int x, int y) {
  return reinterpret_cast<const std::uint32_t*>(static_cast<const std::uint8_t*>(surface.pixels) +
                                                y * surface.pitch)[x];
}

void Put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
  out[at] = value & 0xFF;
  out[at + 1] = (value >> 8) & 0xFF;
}

void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
  Put16(out, at, value & 0xFFFF);
  Put16(out, at + 2, value >> 16);
}

// An icon file with one image, as Windows writes it: colour rows then mask rows, bottom row first,
// each row padded to 4 bytes. |indices| and |masked| are given top row first.
struct IconSpec {
  int width = 3, height = 2, bits = 4;
  std::vector<std::uint32_t> palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};  // 0xRRGGBB
  std::vector<std::vector<unsigned>> indices = {{1, 2, 3}, {3, 2, 1}};
  std::vector<std::vector<bool>> masked = {{false, false, true}, {false, false, false}};
  std::uint32_t colours_used = 0;  // 0: as many as |palette| has
};

constexpr std::size_t kImageOffset = 6 + 16, kHeaderSize = 40;

std::vector<std::uint8_t> MakeIcon(const IconSpec& spec) {
  const std::size_t colour_row = (spec.width * spec.bits + 31) / 32 * 4, mask_row = (spec.width + 31) / 32 * 4;
  const std::size_t image_size =
      kHeaderSize + spec.palette.size() * 4 + (colour_row + mask_row) * static_cast<std::size_t>(spec.height);
  std::vector<std::uint8_t> file(kImageOffset + image_size, 0);
  Put16(file, 2, 1);  // an icon
  Put16(file, 4, 1);  // one image
  file[6] = static_cast<std::uint8_t>(spec.width);
  file[7] = static_cast<std::uint8_t>(spec.height);
  Put16(file, 6 + 4, 1);
  Put16(file, 6 + 6, spec.bits);
  Put32(file, 6 + 8, static_cast<std::uint32_t>(image_size));
  Put32(file, 6 + 12, kImageOffset);
  const std::size_t header = kImageOffset;
  Put32(file, header, kHeaderSize);
  Put32(file, header + 4, spec.width);
  Put32(file, header + 8, spec.height * 2);
  Put16(file, header + 12, 1);
  Put16(file, header + 14, spec.bits);
  // A full colour table is written as 0 colours used, as Windows does.
  const auto table_size = static_cast<std::uint32_t>(spec.palette.size());
  Put32(file, header + 32, spec.colours_used ? spec.colours_used : table_size == (1u << spec.bits) ? 0 : table_size);
  std::size_t at = header + kHeaderSize;
  for (const std::uint32_t rgb : spec.palette) {
    file[at++] = rgb & 0xFF;
    file[at++] = (rgb >> 8) & 0xFF;
    file[at++] = (rgb >> 16) & 0xFF;
    file[at++] = 0;
  }
  const std::size_t colour_start = at, mask_start = at + colour_row * spec.height;
  for (int y = 0; y < spec.height; ++y) {
    const std::size_t file_row = static_cast<std::size_t>(spec.height - 1 - y);
    for (int x = 0; x < spec.width; ++x) {
      const std::size_t bit = static_cast<std::size_t>(x) * spec.bits;
      file[colour_start + file_row * colour_row + bit / 8] |=
          static_cast<std::uint8_t>(spec.indices[y][x] << (8 - spec.bits - bit % 8));
      if (spec.masked[y][x]) file[mask_start + file_row * mask_row + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
  }
  return file;
}

TEST(SdlIcon, DecodesColoursMaskAndRowOrder) {
  const Surface icon = Decode(MakeIcon({}));
  ASSERT_TRUE(icon);
  EXPECT_EQ(icon->w, 3);
  EXPECT_EQ(icon->h, 2);
  EXPECT_EQ(icon->format->format, SDL_PIXELFORMAT_ARGB8888);
  EXPECT_EQ(Pixel(*icon, 0, 0), 0xFFFF0000u);
  EXPECT_EQ(Pixel(*icon, 1, 0), 0xFF00FF00u);
  EXPECT_EQ(Pixel(*icon, 2, 0), 0x00000000u) << "masked pixels are transparent";
  EXPECT_EQ(Pixel(*icon, 0, 1), 0xFF0000FFu);
  EXPECT_EQ(Pixel(*icon, 1, 1), 0xFF00FF00u);
  EXPECT_EQ(Pixel(*icon, 2, 1), 0xFFFF0000u);
}

TEST(SdlIcon, DecodesOneAndEightBitsPerPixel) {
  IconSpec one_bit;
  one_bit.bits = 1;
  one_bit.palette = {0x000000, 0xFFFFFF};
  one_bit.indices = {{1, 0, 1}, {0, 1, 0}};
  const Surface mono = Decode(MakeIcon(one_bit));
  ASSERT_TRUE(mono);
  EXPECT_EQ(Pixel(*mono, 0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(Pixel(*mono, 1, 0), 0xFF000000u);
  EXPECT_EQ(Pixel(*mono, 1, 1), 0xFFFFFFFFu);

  IconSpec eight_bit;
  eight_bit.bits = 8;
  eight_bit.palette.assign(256, 0);
  eight_bit.palette[200] = 0x123456;
  eight_bit.indices = {{200, 0, 0}, {0, 0, 200}};
  const Surface rich = Decode(MakeIcon(eight_bit));
  ASSERT_TRUE(rich);
  EXPECT_EQ(Pixel(*rich, 0, 0), 0xFF123456u);
  EXPECT_EQ(Pixel(*rich, 2, 1), 0xFF123456u);
}

TEST(SdlIcon, IndexPastTheGivenColoursIsBlack) {
  IconSpec spec;
  spec.palette = {0xFF0000, 0x00FF00};
  spec.colours_used = 2;
  spec.indices = {{1, 3, 0}, {0, 0, 0}};
  const Surface icon = Decode(MakeIcon(spec));
  ASSERT_TRUE(icon);
  EXPECT_EQ(Pixel(*icon, 0, 0), 0xFF00FF00u);
  EXPECT_EQ(Pixel(*icon, 1, 0), 0xFF000000u);
}

TEST(SdlIcon, BuiltInIconIs32By32WithTransparentCorners) {
  const auto bytes = BuiltInIcon();
  const Surface icon = Decode({bytes.begin(), bytes.end()});
  ASSERT_TRUE(icon);
  EXPECT_EQ(icon->w, 32);
  EXPECT_EQ(icon->h, 32);
  EXPECT_EQ(Pixel(*icon, 0, 0) >> 24, 0u);
  EXPECT_EQ(Pixel(*icon, 16, 16) >> 24, 0xFFu);
}

TEST(SdlIcon, EveryTruncationIsRejected) {
  const std::vector<std::uint8_t> whole = MakeIcon({});
  ASSERT_TRUE(Decode(whole));
  for (std::size_t size = 0; size < whole.size(); ++size)
    EXPECT_FALSE(Decode({whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size)})) << size << " bytes";
}

TEST(SdlIcon, MalformedHeadersAreRejected) {
  struct Case {
    const char* what;
    std::size_t at;
    std::uint32_t value;
    int bytes;
  };
  const std::size_t header = kImageOffset;
  const Case cases[] = {
      {"reserved field set", 0, 1, 2},
      {"a cursor, not an icon", 2, 2, 2},
      {"no images", 4, 0, 2},
      {"image size past the file", 6 + 8, 0x1000, 4},
      {"image offset past the file", 6 + 12, 0x1000, 4},
      {"offset and size that wrap around", 6 + 12, 0xFFFFFFF0u, 4},
      {"header too small", header, 12, 4},
      {"header larger than the image", header, 0x10000, 4},
      {"zero width", header + 4, 0, 4},
      {"negative width", header + 4, 0xFFFFFFFDu, 4},
      {"width over 256", header + 4, 257, 4},
      {"negative height", header + 8, 0xFFFFFFFCu, 4},
      {"odd height", header + 8, 3, 4},
      {"height over 2 x 256", header + 8, 514, 4},
      {"two planes", header + 12, 2, 2},
      {"24 bits per pixel", header + 14, 24, 2},
      {"compressed", header + 16, 1, 4},
      {"more colours than the depth allows", header + 32, 17, 4},
      {"more colours than the file holds", header + 32, 16, 4},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> file = MakeIcon({});
    if (c.bytes == 2) Put16(file, c.at, c.value);
    else Put32(file, c.at, c.value);
    EXPECT_FALSE(Decode(file)) << c.what;
  }
}

TEST(SdlIcon, PngImageIsRejected) {
  std::vector<std::uint8_t> file = MakeIcon({});
  const std::uint8_t png[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  std::copy(std::begin(png), std::end(png), file.begin() + kImageOffset);
  EXPECT_FALSE(Decode(file));
}

}  // namespace
