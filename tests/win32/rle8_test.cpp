// The encoder the build packs the pictures with: whatever the picture, its RLE8 bitmap decodes to
// the same picture, is accepted by Windows itself, and is no longer than need be.

#include "tools/common/bitmap_file.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <random>

using namespace tarvelin;

namespace {

Picture MakePicture(int width, int height) {
  Picture p;
  p.width = width;
  p.height = height;
  for (int i = 0; i < 256; ++i) p.palette[i] = static_cast<std::uint32_t>(i * 0x010203) & 0xFFFFFF;
  p.pixels.assign(static_cast<std::size_t>(width) * height, 0);
  return p;
}

void ExpectRoundTrip(const Picture& picture) {
  const std::vector<std::uint8_t> file = BitmapFile(picture, 256, BitmapCompression::kRle8);
  const DecodedBitmap decoded = DecodeBitmap(file);
  ASSERT_TRUE(decoded) << Describe(decoded.error);
  EXPECT_TRUE(SameSizeAndColours(decoded.picture, picture));
  EXPECT_EQ(decoded.picture.pixels, picture.pixels);
}

// The picture as Windows itself draws the RLE8 bitmap, read back as palette indices: the file's
// colour table is swapped for one that paints index i as blue i, on a 32-bit picture.
std::vector<std::uint8_t> DecodedByWindows(const std::vector<std::uint8_t>& file, const Picture& picture) {
  std::vector<std::uint8_t> dib(file.begin() + 14, file.end());  // the file without its file header
  auto* info = reinterpret_cast<BITMAPINFO*>(dib.data());
  const int colours = static_cast<int>(info->bmiHeader.biClrUsed);
  for (int i = 0; i < colours; ++i) info->bmiColors[i] = {static_cast<BYTE>(i), 0, 0, 0};
  const std::uint8_t* bits = dib.data() + sizeof(BITMAPINFOHEADER) + colours * sizeof(RGBQUAD);

  BITMAPINFO target{};
  target.bmiHeader = {sizeof(BITMAPINFOHEADER), picture.width, -picture.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* pixels = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &target, DIB_RGB_COLORS, &pixels, nullptr, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  SetDIBitsToDevice(dc, 0, 0, picture.width, picture.height, 0, 0, 0, picture.height, bits, info, DIB_RGB_COLORS);
  GdiFlush();
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i < picture.pixels.size(); ++i) out.push_back(static_cast<const std::uint8_t*>(pixels)[i * 4]);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bitmap);
  return out;
}

}  // namespace

TEST(Rle8, RunsLiteralsAndTheirLimitsRoundTrip) {
  Picture p = MakePicture(700, 4);
  // Row 0: one run longer than 255; row 1: literal longer than 255; row 2: odd and even literals
  // between runs of one, two and three; row 3: alternating pairs.
  for (int x = 0; x < 700; ++x) {
    p.pixels[x] = 9;
    p.pixels[700 + x] = static_cast<std::uint8_t>(x * 7);
    p.pixels[1400 + x] = static_cast<std::uint8_t>(x % 11 < 3 ? 5 : x % 11 < 5 ? x : x % 11 < 6 ? 0 : 200 + x % 4);
    p.pixels[2100 + x] = static_cast<std::uint8_t>((x / 2) % 2);
  }
  ExpectRoundTrip(p);
}

TEST(Rle8, SmallAndOddPicturesRoundTrip) {
  for (const auto& [w, h] : {std::pair{1, 1}, std::pair{2, 1}, std::pair{3, 3}, std::pair{255, 2}, std::pair{256, 2},
                             std::pair{257, 1}, std::pair{510, 1}, std::pair{511, 2}}) {
    SCOPED_TRACE(testing::Message() << w << "x" << h);
    Picture p = MakePicture(w, h);
    for (std::size_t i = 0; i < p.pixels.size(); ++i) p.pixels[i] = static_cast<std::uint8_t>(i % 3 == 0 ? 1 : i);
    ExpectRoundTrip(p);
  }
}

TEST(Rle8, RandomPicturesRoundTripAndWindowsReadsThemAlike) {
  std::mt19937 random(7);
  for (int round = 0; round < 20; ++round) {
    Picture p = MakePicture(1 + static_cast<int>(random() % 600), 1 + static_cast<int>(random() % 40));
    // Stretches of noise and of one colour, as in real pictures.
    std::uint8_t value = 0;
    for (auto& pixel : p.pixels) {
      if (random() % 8 == 0) value = static_cast<std::uint8_t>(random());
      pixel = random() % 3 == 0 ? static_cast<std::uint8_t>(random()) : value;
    }
    SCOPED_TRACE(testing::Message() << p.width << "x" << p.height);
    ExpectRoundTrip(p);
    EXPECT_EQ(DecodedByWindows(BitmapFile(p, 256, BitmapCompression::kRle8), p), p.pixels);
  }
}

TEST(Rle8, OneColourIsTwoBytesPer255Pixels) {
  const Picture p = MakePicture(510, 3);
  // Two runs and an end of line a row, then the end of the bitmap.
  EXPECT_EQ(EncodeRle8(p).size(), 3u * (2 + 2 + 2) + 2);
}

TEST(Rle8, NoisyRowIsOneLiteralNotManyRuns) {
  Picture p = MakePicture(8, 1);
  for (int x = 0; x < 8; ++x) p.pixels[x] = static_cast<std::uint8_t>(x + 1);
  // 0, 8, the eight pixels; end of line; end of bitmap.
  EXPECT_EQ(EncodeRle8(p), (std::vector<std::uint8_t>{0, 8, 1, 2, 3, 4, 5, 6, 7, 8, 0, 0, 0, 1}));
}

TEST(Rle8, FileKeepsTheColourCountAsked) {
  Picture p = MakePicture(4, 2);
  const std::vector<std::uint8_t> file = BitmapFile(p, 16, BitmapCompression::kRle8);
  EXPECT_EQ(file[46], 16);
  EXPECT_EQ(file[10], 14 + 40 + 16 * 4);
  const DecodedBitmap decoded = DecodeBitmap(file);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded.picture.palette[15], p.palette[15]);
  EXPECT_EQ(decoded.picture.palette[16], 0u);
}
