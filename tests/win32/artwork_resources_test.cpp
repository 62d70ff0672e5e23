#include "runtime/win32/artwork_resources.h"

#include <gtest/gtest.h>

using namespace tarvelin;

namespace {

// A bitmap file as a bitmap resource holds it: without the 14-byte file header.
std::vector<std::uint8_t> DibOf(std::span<const std::uint8_t> file) { return {file.begin() + 14, file.end()}; }

void ExpectSamePicture(const Picture& a, const Picture& b) {
  EXPECT_EQ(a.width, b.width);
  EXPECT_EQ(a.height, b.height);
  EXPECT_EQ(a.palette, b.palette);
  EXPECT_EQ(a.pixels, b.pixels);
}

}  // namespace

TEST(BitmapFileFromDib, RebuildsTheFileTheResourceCameFrom) {
  for (const auto file : {BuiltInBackgroundBitmap(), BuiltInHighlightBitmap()}) {
    const std::vector<std::uint8_t> rebuilt = BitmapFileFromDib(DibOf(file));
    ASSERT_EQ(rebuilt.size(), file.size());
    // Same header fields that matter (signature, size, pixel offset) and the same bytes after it.
    EXPECT_TRUE(std::equal(rebuilt.begin(), rebuilt.begin() + 6, file.begin()));
    EXPECT_TRUE(std::equal(rebuilt.begin() + 10, rebuilt.end(), file.begin() + 10));
  }
}

TEST(BitmapFileFromDib, ColourCountInTheHeaderSetsThePixelOffset) {
  std::vector<std::uint8_t> dib(40 + 16 * 4 + 4, 0);
  dib[0] = 40;           // info header size
  dib[4] = 1;            // width 1
  dib[8] = 1;            // height 1
  dib[12] = 1;           // planes
  dib[14] = 8;           // bits per pixel
  dib[32] = 16;          // 16 colours used
  dib[40 + 16 * 4] = 7;  // the one pixel: colour 7
  const std::vector<std::uint8_t> file = BitmapFileFromDib(dib);
  const DecodedBitmap decoded = DecodeBitmap(file);
  ASSERT_TRUE(decoded) << Describe(decoded.error);
  EXPECT_EQ(decoded.picture.Index(0, 0), 7);
}

TEST(BitmapFileFromDib, TooShortGivesNothing) {
  EXPECT_TRUE(BitmapFileFromDib(std::vector<std::uint8_t>(39, 0)).empty());
  EXPECT_TRUE(BitmapFileFromDib({}).empty());
}

TEST(BitmapFileFromDib, MalformedResourceIsRefusedByTheDecoder) {
  std::vector<std::uint8_t> dib = DibOf(BuiltInBackgroundBitmap());
  dib.resize(2000);  // the pixels are cut off
  EXPECT_FALSE(DecodeBitmap(BitmapFileFromDib(dib)));
  std::vector<std::uint8_t> huge_table(40, 0);
  huge_table[0] = 40, huge_table[4] = 1, huge_table[8] = 1, huge_table[12] = 1, huge_table[14] = 8;
  huge_table[32] = 0xFF, huge_table[33] = 0xFF, huge_table[34] = 0xFF, huge_table[35] = 0xFF;
  EXPECT_FALSE(DecodeBitmap(BitmapFileFromDib(huge_table)));
}

TEST(LoadArtwork, TakesThePicturesFromTheBitmapResources) {
  // This test program carries the art folder's pictures as IDB_BACKGROUND and IDB_HIGHLIGHT.
  const Artwork art = LoadArtwork(GetModuleHandleW(nullptr));
  const Artwork built_in = BuiltInArtwork();
  ExpectSamePicture(art.background, built_in.background);
  ExpectSamePicture(art.highlight, built_in.highlight);
  EXPECT_NE(art.background.pixels, art.highlight.pixels);
}

TEST(LoadArtwork, ModuleWithoutThePicturesFallsBackToTheBuiltInPair) {
  const Artwork art = LoadArtwork(GetModuleHandleW(L"kernel32.dll"));
  const Artwork built_in = BuiltInArtwork();
  ExpectSamePicture(art.background, built_in.background);
  ExpectSamePicture(art.highlight, built_in.highlight);
}

TEST(LoadArtwork, PairThatNoLongerFitsFallsBackToTheBuiltInPair) {
  // mismatched_art.dll, beside this program, pairs the background with a 4 x 2 picture of another
  // colour table: each decodes, but together they would draw garbage.
  std::wstring path(MAX_PATH, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
  path = path.substr(0, path.find_last_of(L'\\') + 1) + L"mismatched_art.dll";
  HMODULE resources = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(resources, nullptr);
  const Artwork art = LoadArtwork(resources);
  FreeLibrary(resources);
  const Artwork built_in = BuiltInArtwork();
  ExpectSamePicture(art.background, built_in.background);
  ExpectSamePicture(art.highlight, built_in.highlight);
}
