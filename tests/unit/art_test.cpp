// The artwork: the two pictures match outside the six hot spots and differ inside each of them;
// the files are uncompressed 8-bit bitmaps, which the program carries as RLE8 bitmaps.

#include <fstream>
#include <iterator>

#include "menu_harness.h"

namespace tarvelin::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadArtFile(const char* name) {
  std::ifstream in(std::string(TARVELIN_ART_DIR) + "/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::uint32_t U32(const Bytes& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

bool InsideAHotSpot(int x, int y) {
  for (std::int16_t index : kHotSpotIndices)
    if (RectOf(index).Contains(x, y)) return true;
  return false;
}

void ExpectPairDiffersOnlyInsideEachHotSpot(const Picture& background, const Picture& highlight) {
  ASSERT_EQ(background.width, 480);
  ASSERT_EQ(background.height, 360);
  ASSERT_TRUE(SameSizeAndColours(background, highlight));
  int outside = 0;
  for (int y = 0; y < 360; ++y)
    for (int x = 0; x < 480; ++x)
      if (!InsideAHotSpot(x, y) && background.Index(x, y) != highlight.Index(x, y)) ++outside;
  EXPECT_EQ(outside, 0) << "pixels that differ outside the hot spots";
  for (std::int16_t index : kHotSpotIndices) {
    const PixelRect r = RectOf(index);
    int inside = 0;
    for (int y = r.y; y < r.y + r.h; ++y)
      for (int x = r.x; x < r.x + r.w; ++x) inside += background.Colour(x, y) != highlight.Colour(x, y);
    EXPECT_GT(inside, 0) << "hot spot " << index << " looks the same in both pictures";
  }
}

TEST(Artwork, BuiltInPairDiffersOnlyInsideEachHotSpot) {
  ExpectPairDiffersOnlyInsideEachHotSpot(Art().background, Art().highlight);
}

TEST(Artwork, FilesDifferOnlyInsideEachHotSpot) {
  const std::optional<Artwork> files = DecodeArtwork(ReadArtFile("background.bmp"), ReadArtFile("highlight.bmp"));
  ASSERT_TRUE(files);
  ExpectPairDiffersOnlyInsideEachHotSpot(files->background, files->highlight);
}

TEST(Artwork, FilesAreUncompressedEightBitBitmaps) {
  for (const char* name : {"background.bmp", "highlight.bmp"}) {
    SCOPED_TRACE(name);
    const Bytes file = ReadArtFile(name);
    ASSERT_EQ(file.size(), 173878u);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(U32(file, 2), 173878u);       // size in the file header
    EXPECT_EQ(U32(file, 10), 1078u);        // header and colour table, then the pixels
    EXPECT_EQ(U32(file, 14), 40u);          // info header
    EXPECT_EQ(U32(file, 18), 480u);
    EXPECT_EQ(U32(file, 22), 360u);         // positive: bottom row first
    EXPECT_EQ(file[28] | file[29] << 8, 8);  // bits per pixel
    EXPECT_EQ(U32(file, 30), 0u);           // no compression
    const DecodedBitmap bmp = DecodeBitmap(file);
    EXPECT_TRUE(bmp) << Describe(bmp.error);
  }
}

TEST(Artwork, IconIsThirtyTwoPixelsWithSixteenColours) {
  const Bytes icon = ReadArtFile("tarvelin.ico");
  ASSERT_GE(icon.size(), 6u + 16u);
  EXPECT_EQ(icon[2] | icon[3] << 8, 1);  // an icon, not a cursor
  EXPECT_GE(icon[4] | icon[5] << 8, 1);
  EXPECT_EQ(icon[6], 32);   // width
  EXPECT_EQ(icon[7], 32);   // height
  EXPECT_EQ(icon[8], 16);   // colours
  const std::uint32_t size = U32(icon, 14), offset = U32(icon, 18);
  EXPECT_LE(std::uint64_t{offset} + size, icon.size());
}

TEST(Artwork, ProgramCarriesThePicturesOfTheArtFolderAsRle8Bitmaps) {
  // The pictures are stored compressed: RLE8 bitmap files of the same picture and colour table.
  const struct {
    std::span<const std::uint8_t> built_in;
    const char* name;
  } pictures[] = {{BuiltInBackgroundBitmap(), "background.bmp"}, {BuiltInHighlightBitmap(), "highlight.bmp"}};
  for (const auto& [built_in, name] : pictures) {
    SCOPED_TRACE(name);
    const Bytes stored(built_in.begin(), built_in.end());
    ASSERT_GE(stored.size(), 54u);
    EXPECT_EQ(U32(stored, 30), 1u);  // BI_RLE8
    EXPECT_LT(stored.size(), 173878u / 4);
    const DecodedBitmap carried = DecodeBitmap(stored);
    const DecodedBitmap file = DecodeBitmap(ReadArtFile(name));
    ASSERT_TRUE(carried) << Describe(carried.error);
    ASSERT_TRUE(file);
    EXPECT_TRUE(SameSizeAndColours(carried.picture, file.picture));
    EXPECT_EQ(carried.picture.pixels, file.picture.pixels);
  }
  const std::span<const std::uint8_t> icon = BuiltInIcon();
  const Bytes icon_file = ReadArtFile("tarvelin.ico");
  EXPECT_TRUE(std::equal(icon.begin(), icon.end(), icon_file.begin(), icon_file.end()));
}

TEST(Artwork, PairsThatDoNotMatchAreRefused) {
  const Bytes background = ReadArtFile("background.bmp");
  Bytes other_colours = ReadArtFile("highlight.bmp");
  other_colours[54 + 4 * 7] ^= 0xFF;  // one colour table entry
  EXPECT_FALSE(DecodeArtwork(background, other_colours));
  Bytes truncated = background;
  truncated.resize(1000);
  EXPECT_FALSE(DecodeArtwork(truncated, background));
  EXPECT_TRUE(DecodeArtwork(background, background));
}

}  // namespace
}  // namespace tarvelin::testing
