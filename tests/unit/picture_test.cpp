// The bitmap decoder: well-formed 8-bit bitmaps decode to the right pixels and colours; malformed
// ones are rejected with the error that names what is wrong.

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

#include "runtime/picture.h"

namespace tarvelin {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::size_t at, std::uint16_t v) {
  b[at] = v & 0xFF;
  b[at + 1] = v >> 8;
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 0xFF;
}

// Offsets of the fields the tests corrupt.
constexpr std::size_t kSignature = 0, kPixelOffset = 10, kHeaderSize = 14, kWidth = 18, kHeight = 22, kPlanes = 26,
                      kBits = 28, kCompression = 30, kColoursUsed = 46;

// A bitmap file with |colours| palette entries (entry i is 0x00RRGGBB = i * 0x010203) and the given
// pixel data (already in file order and padded).
Bytes MakeBitmap(std::int32_t width, std::int32_t height, const Bytes& data, std::uint32_t colours = 4,
                 std::uint32_t compression = 0, std::uint32_t header_size = 40) {
  const std::size_t table_at = 14 + header_size;
  const std::size_t pixels_at = table_at + 4 * colours;
  Bytes b(pixels_at, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, static_cast<std::uint32_t>(pixels_at + data.size()));
  Put32(b, kPixelOffset, static_cast<std::uint32_t>(pixels_at));
  Put32(b, kHeaderSize, header_size);
  Put32(b, kWidth, static_cast<std::uint32_t>(width));
  Put32(b, kHeight, static_cast<std::uint32_t>(height));
  Put16(b, kPlanes, 1);
  Put16(b, kBits, 8);
  Put32(b, kCompression, compression);
  Put32(b, 34, static_cast<std::uint32_t>(data.size()));
  Put32(b, kColoursUsed, colours);
  for (std::uint32_t i = 0; i < colours; ++i) {
    const std::uint32_t rgb = i * 0x010203;
    b[table_at + 4 * i] = rgb & 0xFF;              // blue
    b[table_at + 4 * i + 1] = (rgb >> 8) & 0xFF;   // green
    b[table_at + 4 * i + 2] = (rgb >> 16) & 0xFF;  // red
  }
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

// 5 x 3, rows bottom first, each padded to 8 bytes.
const Bytes kSmallRows = {
    2, 2, 2, 2, 3, 0, 0, 0,  // bottom row
    1, 1, 1, 1, 1, 0, 0, 0,  //
    0, 1, 2, 3, 0, 0, 0, 0,  // top row
};
Bytes SmallBitmap() { return MakeBitmap(5, 3, kSmallRows); }

std::vector<std::uint8_t> Row(const Picture& p, int y) {
  return {p.pixels.begin() + y * p.width, p.pixels.begin() + (y + 1) * p.width};
}

BitmapError ErrorOf(const Bytes& file) { return DecodeBitmap(file).error; }

TEST(DecodeBitmap, UncompressedBottomUpWithPaddedRows) {
  const DecodedBitmap bmp = DecodeBitmap(SmallBitmap());
  ASSERT_TRUE(bmp) << Describe(bmp.error);
  EXPECT_EQ(bmp.picture.width, 5);
  EXPECT_EQ(bmp.picture.height, 3);
  EXPECT_EQ(Row(bmp.picture, 0), (std::vector<std::uint8_t>{0, 1, 2, 3, 0}));
  EXPECT_EQ(Row(bmp.picture, 1), (std::vector<std::uint8_t>{1, 1, 1, 1, 1}));
  EXPECT_EQ(Row(bmp.picture, 2), (std::vector<std::uint8_t>{2, 2, 2, 2, 3}));
  EXPECT_EQ(bmp.picture.palette[3], 0x030609u);
  EXPECT_EQ(bmp.picture.palette[4], 0u);  // not in the file's table: black
  EXPECT_EQ(bmp.picture.Colour(4, 2), 0x030609u);
}

TEST(DecodeBitmap, TopDownRowsComeFirstRowFirst) {
  const DecodedBitmap bmp = DecodeBitmap(MakeBitmap(5, -3, kSmallRows));
  ASSERT_TRUE(bmp) << Describe(bmp.error);
  EXPECT_EQ(bmp.picture.height, 3);
  EXPECT_EQ(Row(bmp.picture, 0), (std::vector<std::uint8_t>{2, 2, 2, 2, 3}));
  EXPECT_EQ(Row(bmp.picture, 2), (std::vector<std::uint8_t>{0, 1, 2, 3, 0}));
}

TEST(DecodeBitmap, AcceptsVersion4And5Headers) {
  for (std::uint32_t header : {108u, 124u}) {
    const DecodedBitmap bmp = DecodeBitmap(MakeBitmap(5, 3, kSmallRows, 4, 0, header));
    ASSERT_TRUE(bmp) << header << ": " << Describe(bmp.error);
    EXPECT_EQ(Row(bmp.picture, 0), (std::vector<std::uint8_t>{0, 1, 2, 3, 0}));
    EXPECT_EQ(bmp.picture.palette[2], 0x020406u);
  }
}

TEST(DecodeBitmap, EveryTruncationIsRejected) {
  const Bytes full = SmallBitmap();
  const std::size_t table_end = 14 + 40 + 4 * 4;
  ASSERT_TRUE(DecodeBitmap(full));
  for (std::size_t length = 0; length < full.size(); ++length) {
    const Bytes prefix(full.begin(), full.begin() + length);
    const BitmapError expected = length < table_end ? BitmapError::Truncated : BitmapError::PixelsOutsideFile;
    EXPECT_EQ(ErrorOf(prefix), expected) << "first " << length << " bytes";
  }
}

TEST(DecodeBitmap, RejectsWrongSignature) {
  for (const char* signature : {"BA", "MB", "\0\0", "bm"}) {
    Bytes file = SmallBitmap();
    file[kSignature] = signature[0];
    file[kSignature + 1] = signature[1];
    EXPECT_EQ(ErrorOf(file), BitmapError::NotABitmap) << signature;
  }
}

TEST(DecodeBitmap, RejectsOtherHeaderSizes) {
  for (std::uint32_t size : {0u, 12u, 39u, 41u, 52u, 56u, 64u, 0xFFFFFFFFu}) {
    Bytes file = SmallBitmap();
    Put32(file, kHeaderSize, size);
    EXPECT_EQ(ErrorOf(file), BitmapError::UnsupportedHeader) << size;
  }
}

TEST(DecodeBitmap, RejectsBadDimensions) {
  const std::int32_t widths[] = {0, -1, -5, INT_MIN, kMaxBitmapSide + 1, INT_MAX};
  for (std::int32_t width : widths) {
    Bytes file = SmallBitmap();
    Put32(file, kWidth, static_cast<std::uint32_t>(width));
    EXPECT_EQ(ErrorOf(file), BitmapError::BadDimensions) << "width " << width;
  }
  const std::int32_t heights[] = {0, INT_MIN, -kMaxBitmapSide - 1, kMaxBitmapSide + 1, INT_MAX};
  for (std::int32_t height : heights) {
    Bytes file = SmallBitmap();
    Put32(file, kHeight, static_cast<std::uint32_t>(height));
    EXPECT_EQ(ErrorOf(file), BitmapError::BadDimensions) << "height " << height;
  }
}

TEST(DecodeBitmap, LargestAcceptedSideDecodes) {
  const DecodedBitmap bmp = DecodeBitmap(MakeBitmap(kMaxBitmapSide, 1, Bytes(kMaxBitmapSide, 3)));
  ASSERT_TRUE(bmp) << Describe(bmp.error);
  EXPECT_EQ(bmp.picture.Index(kMaxBitmapSide - 1, 0), 3);
}

TEST(DecodeBitmap, HugeDimensionsWithTooLittleDataAreRejected) {
  Bytes file = SmallBitmap();
  Put32(file, kWidth, kMaxBitmapSide);
  Put32(file, kHeight, kMaxBitmapSide);
  EXPECT_EQ(ErrorOf(file), BitmapError::PixelsOutsideFile);
}

TEST(DecodeBitmap, RejectsAnythingButOnePlaneOfEightBits) {
  for (std::uint16_t bits : {1, 4, 16, 24, 32, 0}) {
    Bytes file = SmallBitmap();
    Put16(file, kBits, bits);
    EXPECT_EQ(ErrorOf(file), BitmapError::NotEightBit) << bits << " bits";
  }
  Bytes two_planes = SmallBitmap();
  Put16(two_planes, kPlanes, 2);
  EXPECT_EQ(ErrorOf(two_planes), BitmapError::NotEightBit);
}

TEST(DecodeBitmap, RejectsOtherCompressions) {
  for (std::uint32_t compression : {2u, 3u, 4u, 5u, 0xFFFFFFFFu}) {
    Bytes file = SmallBitmap();
    Put32(file, kCompression, compression);
    EXPECT_EQ(ErrorOf(file), BitmapError::UnsupportedCompression) << compression;
  }
}

TEST(DecodeBitmap, RejectsBadColourTables) {
  for (std::uint32_t count : {257u, 1000u, 0x40000000u, 0xFFFFFFFFu}) {
    Bytes file = SmallBitmap();
    Put32(file, kColoursUsed, count);
    EXPECT_EQ(ErrorOf(file), BitmapError::BadColourCount) << count << " colours";
  }
  // A table of 8 entries runs into the pixels of this 4-entry file.
  Bytes into_pixels = SmallBitmap();
  Put32(into_pixels, kColoursUsed, 8);
  EXPECT_EQ(ErrorOf(into_pixels), BitmapError::BadColourCount);
  // A table of 256 entries (the count 0) runs past the end of the file.
  Bytes past_end = SmallBitmap();
  Put32(past_end, kColoursUsed, 0);
  EXPECT_EQ(ErrorOf(past_end), BitmapError::Truncated);
  // Pixels that start inside the colour table.
  Bytes overlapping = SmallBitmap();
  Put32(overlapping, kPixelOffset, 14 + 40 + 4);
  EXPECT_EQ(ErrorOf(overlapping), BitmapError::BadColourCount);
}

TEST(DecodeBitmap, RejectsPixelDataOutsideTheFile) {
  const Bytes valid = SmallBitmap();
  for (std::uint32_t offset : {static_cast<std::uint32_t>(valid.size()) - 1, static_cast<std::uint32_t>(valid.size()) + 1,
                               0x7FFFFFFFu, 0xFFFFFFFFu}) {
    Bytes file = valid;
    Put32(file, kPixelOffset, offset);
    EXPECT_EQ(ErrorOf(file), BitmapError::PixelsOutsideFile) << "offset " << offset;
  }
}

// RLE8 data of a 5 x 2 picture: bottom row 7 7 7 9 9, top row 1 2 3 4 4.
const Bytes kRle = {
    3, 7, 2, 9, 0, 0,        // run of three 7s, run of two 9s, end of line
    0, 3, 1, 2, 3, 0, 2, 4,  // three literal pixels (padded to an even count), run of two 4s
    0, 1,                    // end of bitmap
};

TEST(DecodeBitmap, Rle8Decodes) {
  const DecodedBitmap bmp = DecodeBitmap(MakeBitmap(5, 2, kRle, 16, 1));
  ASSERT_TRUE(bmp) << Describe(bmp.error);
  EXPECT_EQ(Row(bmp.picture, 0), (std::vector<std::uint8_t>{1, 2, 3, 4, 4}));
  EXPECT_EQ(Row(bmp.picture, 1), (std::vector<std::uint8_t>{7, 7, 7, 9, 9}));
}

TEST(DecodeBitmap, Rle8DeltaSkipsPixelsLeavingColourZero) {
  const Bytes data = {0, 2, 1, 1, 2, 5, 0, 1};  // move right 1 and up 1 row, two 5s, end
  const DecodedBitmap bmp = DecodeBitmap(MakeBitmap(4, 3, data, 16, 1));
  ASSERT_TRUE(bmp) << Describe(bmp.error);
  EXPECT_EQ(Row(bmp.picture, 2), (std::vector<std::uint8_t>{0, 0, 0, 0}));
  EXPECT_EQ(Row(bmp.picture, 1), (std::vector<std::uint8_t>{0, 5, 5, 0}));
  EXPECT_EQ(Row(bmp.picture, 0), (std::vector<std::uint8_t>{0, 0, 0, 0}));
}

TEST(DecodeBitmap, Rle8WritingOutsideThePictureIsRejected) {
  const struct {
    const char* name;
    Bytes data;
  } cases[] = {
      {"run past the row end", {6, 1, 0, 1}},
      {"run continuing past the row end", {3, 1, 3, 1, 0, 1}},
      {"literal past the row end", {0, 6, 1, 2, 3, 4, 5, 6, 0, 1}},
      {"run below the last row", {0, 0, 0, 0, 1, 1, 0, 1}},
      {"literal below the last row", {0, 0, 0, 0, 0, 3, 1, 2, 3, 0, 0, 1}},
      {"delta beyond the picture", {0, 2, 0, 3, 0, 1}},
      {"delta beyond the row end", {0, 2, 6, 0, 0, 1}},
      {"no end of bitmap", {3, 7, 0, 0}},
      {"cut inside a run", {3}},
      {"cut inside a literal", {0, 4, 1, 2}},
      {"cut inside a delta", {0, 2, 1}},
      {"empty", {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ErrorOf(MakeBitmap(5, 2, c.data, 16, 1)), BitmapError::BadRunLength) << c.name;
}

TEST(DecodeBitmap, Rle8TopDownIsRejected) {
  EXPECT_EQ(ErrorOf(MakeBitmap(5, -2, kRle, 16, 1)), BitmapError::TopDownCompressed);
}

TEST(DecodeBitmap, EveryPrefixOfCompressedDataIsAnErrorOrAPicture) {
  const Bytes full = MakeBitmap(5, 2, kRle, 16, 1);
  for (std::size_t length = 0; length < full.size(); ++length) {
    const DecodedBitmap bmp = DecodeBitmap(Bytes(full.begin(), full.begin() + length));
    EXPECT_FALSE(bmp) << "first " << length << " bytes";
    EXPECT_EQ(bmp.picture.pixels.size(), 0u);
  }
}

TEST(DecodeBitmap, PrefixesOfTheRealArtworkAreRejected) {
  std::ifstream in(TARVELIN_ART_DIR "/background.bmp", std::ios::binary);
  const Bytes full{std::istreambuf_iterator<char>(in), {}};
  ASSERT_EQ(full.size(), 173878u);
  for (std::size_t length = 0; length < full.size(); length += length < 1100 ? 1 : 4999) {
    const DecodedBitmap bmp = DecodeBitmap(Bytes(full.begin(), full.begin() + length));
    EXPECT_FALSE(bmp) << "first " << length << " bytes";
  }
}

TEST(DecodeBitmap, CorruptedBytesNeverCrash) {
  // Every header byte set to a few telling values: each gives an error or a picture of the size
  // its pixels fill.
  const Bytes valid = SmallBitmap();
  for (std::size_t at = 0; at < 14 + 40 + 16; ++at) {
    for (std::uint8_t value : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
      Bytes file = valid;
      file[at] = value;
      const DecodedBitmap bmp = DecodeBitmap(file);
      if (bmp)
        EXPECT_EQ(bmp.picture.pixels.size(), static_cast<std::size_t>(bmp.picture.width) * bmp.picture.height);
      else
        EXPECT_TRUE(bmp.picture.pixels.empty());
    }
  }
}

TEST(SameSizeAndColours, ComparesSizeAndTable) {
  const Picture a = DecodeBitmap(SmallBitmap()).picture;
  Picture b = a;
  b.pixels[0] = 3;
  EXPECT_TRUE(SameSizeAndColours(a, b));
  b.palette[200] = 1;
  EXPECT_FALSE(SameSizeAndColours(a, b));
  EXPECT_FALSE(SameSizeAndColours(a, DecodeBitmap(MakeBitmap(4, 3, Bytes(12, 0))).picture));
}

}  // namespace
}  // namespace tarvelin
