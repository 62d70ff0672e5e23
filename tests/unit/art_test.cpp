// The artwork: the two pictures match outside the six hot spots and differ inside each of them;
// the files are uncompressed 8-bit bitmaps, which the program carries as RLE8 bitmaps.

#include <fstream>
#include <iterator>
#include <map>

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

ArtworkFit Fit(const Bytes& background, const Bytes& highlight) {
  return FitArtwork(background, "background.bmp", highlight, "highlight.bmp", kHotSpotLayout);
}

void Put32(Bytes& b, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A bitmap with the art's colour table declaring |width| x |height| RLE8 pixels, all of them left
// at colour 0 by one end-of-bitmap code: a few bytes for a picture of any size.
Bytes TinyRle8(std::int32_t width, std::int32_t height) {
  Bytes b = ReadArtFile("background.bmp");
  b.resize(1078);
  Put32(b, 18, static_cast<std::uint32_t>(width));
  Put32(b, 22, static_cast<std::uint32_t>(height));
  Put32(b, 30, 1);  // BI_RLE8
  b.insert(b.end(), {0, 1});
  Put32(b, 2, static_cast<std::uint32_t>(b.size()));
  return b;
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
  const std::optional<Artwork> files = Fit(ReadArtFile("background.bmp"), ReadArtFile("highlight.bmp")).art;
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
  EXPECT_EQ(Fit(background, other_colours).fault,
            "highlight.bmp: its colour table differs from the one of background.bmp");
  Bytes truncated = background;
  truncated.resize(1000);
  EXPECT_EQ(Fit(truncated, background).fault, "background.bmp: the file is shorter than its headers");
  const ArtworkFit same = Fit(background, background);
  ASSERT_TRUE(same.art);
  EXPECT_EQ(same.fault, "");
  EXPECT_EQ(same.art->background.pixels, same.art->highlight.pixels);
}

TEST(Artwork, EveryRuleNamesTheFileAndTheFault) {
  const Bytes background = ReadArtFile("background.bmp");
  Bytes deep = background;
  deep[28] = 24;  // bits per pixel
  EXPECT_EQ(Fit(background, deep).fault, "highlight.bmp: 24 bits per pixel; the menu needs 8");
  EXPECT_EQ(Fit(Bytes{'G', 'I', 'F'}, background).fault, "background.bmp: not a Windows bitmap (no BM signature)");
  EXPECT_EQ(Fit(background, TinyRle8(480, 300)).fault, "highlight.bmp: 480 x 300, but background.bmp is 480 x 360");
  // Of one size and colour table, but too short for the exit button's bottom edge at 340.
  EXPECT_EQ(Fit(TinyRle8(480, 339), TinyRle8(480, 339)).fault,
            "background.bmp: hot spot 8 (386, 318, 82 x 22) lies outside the 480 x 339 picture");
  EXPECT_EQ(Fit(TinyRle8(439, 360), TinyRle8(439, 360)).fault,
            "background.bmp: hot spot 1 (60, 93, 380 x 22) lies outside the 439 x 360 picture");
}

TEST(Artwork, HotSpotsTouchingTheEdgesFit) {
  // The exit button ends at (468, 340) and the entries at x = 440.
  EXPECT_TRUE(Fit(TinyRle8(468, 340), TinyRle8(468, 340)).art);
  const HotSpotDesign left_of_the_picture[] = {{1, -1, 0, 10, 10, ""}};
  EXPECT_EQ(FitArtwork(TinyRle8(20, 20), "b", TinyRle8(20, 20), "h", left_of_the_picture).fault,
            "b: hot spot 1 (-1, 0, 10 x 10) lies outside the 20 x 20 picture");
}

TEST(Artwork, HugePicturesAreRefusedByTheirHeaderAlone) {
  // 1080 bytes declaring 8192 x 8192 pixels would cost 64 MiB to decode, and four times that to draw.
  EXPECT_EQ(Fit(TinyRle8(8192, 8192), TinyRle8(8192, 8192)).fault,
            "background.bmp: 8192 x 8192 pixels; the menu takes pictures of at most 4096 x 4096");
  EXPECT_EQ(Fit(ReadArtFile("background.bmp"), TinyRle8(480, -5000)).fault,
            "highlight.bmp: 480 x 5000 pixels; the menu takes pictures of at most 4096 x 4096");
  EXPECT_TRUE(Fit(TinyRle8(4096, 4096), TinyRle8(4096, 4096)).art);
  EXPECT_FALSE(Fit(TinyRle8(4097, 400), TinyRle8(4097, 400)).art);
}

// A folder of files as a provider reads it.
struct Folder {
  std::map<std::string, ArtFile> files;
  ArtFileReader Reader() const {
    return [this](const std::string& path) {
      const auto found = files.find(path);
      return found == files.end() ? ArtFile{} : found->second;
    };
  }
};

ArtFile Present(Bytes bytes) { return {ArtFile::State::Read, std::move(bytes), ""}; }

TEST(ArtworkInFolder, TakesAFittingPairAndSaysNothingWithoutOne) {
  Folder folder;
  std::string fault;
  EXPECT_FALSE(ArtworkInFolder("/disc", '/', folder.Reader(), kHotSpotLayout, fault));
  EXPECT_EQ(fault, "");
  folder.files["/disc/background.bmp"] = Present(ReadArtFile("highlight.bmp"));
  folder.files["/disc/highlight.bmp"] = Present(ReadArtFile("background.bmp"));
  const std::optional<Artwork> art = ArtworkInFolder("/disc/", '/', folder.Reader(), kHotSpotLayout, fault);
  ASSERT_TRUE(art);
  EXPECT_EQ(fault, "");
  EXPECT_EQ(art->background.pixels, Art().highlight.pixels);
  EXPECT_EQ(art->highlight.pixels, Art().background.pixels);
  // No folder known: the current directory is never read instead.
  EXPECT_FALSE(ArtworkInFolder("", '/', folder.Reader(), kHotSpotLayout, fault));
}

TEST(ArtworkInFolder, APairThatCannotBeUsedSaysWhy) {
  Folder folder;
  std::string fault;
  folder.files["D:\\background.bmp"] = Present(ReadArtFile("background.bmp"));
  EXPECT_FALSE(ArtworkInFolder("D:\\", '\\', folder.Reader(), kHotSpotLayout, fault));
  EXPECT_EQ(fault, "D:\\highlight.bmp: missing, though D:\\background.bmp is there");
  folder.files["D:\\highlight.bmp"] = {ArtFile::State::Refused, {}, "not a regular file"};
  EXPECT_FALSE(ArtworkInFolder("D:", '\\', folder.Reader(), kHotSpotLayout, fault));
  EXPECT_EQ(fault, "D:\\highlight.bmp: not a regular file");
  folder.files["D:\\highlight.bmp"] = Present(TinyRle8(480, 300));
  EXPECT_FALSE(ArtworkInFolder("D:", '\\', folder.Reader(), kHotSpotLayout, fault));
  EXPECT_EQ(fault, "D:\\highlight.bmp: 480 x 300, but D:\\background.bmp is 480 x 360");
}

}  // namespace
}  // namespace tarvelin::testing
