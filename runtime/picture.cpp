#include "runtime/picture.h"

#include <algorithm>

#include "runtime/little_endian.h"

namespace tarvelin {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;

// Rows arrive bottom first unless the height is negative; |row| counts in file order.
int PictureRow(const Picture& p, bool bottom_up, int row) { return bottom_up ? p.height - 1 - row : row; }

BitmapError DecodeRle8(std::span<const std::uint8_t> data, bool bottom_up, Picture& p) {
  std::size_t at = 0;
  int x = 0, row = 0;
  auto need = [&](std::size_t n) { return at + n <= data.size(); };
  // Runs and literals are written a span at a time: decoding is most of the work the program does
  // before its first picture shows.
  auto line = [&] { return p.pixels.data() + static_cast<std::size_t>(PictureRow(p, bottom_up, row)) * p.width; };
  while (true) {
    if (!need(2)) return BitmapError::BadRunLength;
    const std::uint8_t count = data[at], value = data[at + 1];
    at += 2;
    if (count > 0) {  // a run of |count| copies of |value|
      if (row >= p.height || x + count > p.width) return BitmapError::BadRunLength;
      std::fill_n(line() + x, count, value);
      x += count;
    } else if (value == 0) {  // end of line
      x = 0;
      ++row;
    } else if (value == 1) {  // end of bitmap
      return BitmapError::None;
    } else if (value == 2) {  // move right and down
      if (!need(2)) return BitmapError::BadRunLength;
      x += data[at];
      row += data[at + 1];
      at += 2;
      if (x > p.width || row > p.height) return BitmapError::BadRunLength;
    } else {  // |value| literal pixels, padded to an even count
      const std::size_t padded = value + (value & 1u);
      if (!need(padded) || row >= p.height || x + value > p.width) return BitmapError::BadRunLength;
      std::copy_n(data.data() + at, value, line() + x);
      x += value;
      at += padded;
    }
  }
}

}  // namespace

const char* Describe(BitmapError error) {
  switch (error) {
    case BitmapError::None: return "no error";
    case BitmapError::Truncated: return "the file is shorter than its headers";
    case BitmapError::NotABitmap: return "not a Windows bitmap (no BM signature)";
    case BitmapError::UnsupportedHeader: return "unsupported bitmap header";
    case BitmapError::BadDimensions: return "width or height out of range";
    case BitmapError::NotEightBit: return "not 8 bits per pixel";
    case BitmapError::UnsupportedCompression: return "unsupported compression (only none and RLE8)";
    case BitmapError::TopDownCompressed:
      return "RLE8 pixel data stored top-down (a negative height), which Windows bitmaps do not allow: only "
             "uncompressed ones may be";
    case BitmapError::BadColourCount: return "bad colour table";
    case BitmapError::PixelsOutsideFile: return "pixel data lies outside the file";
    case BitmapError::BadRunLength: return "corrupt RLE8 pixel data";
  }
  return "unknown error";
}

DecodedBitmap DecodeBitmap(std::span<const std::uint8_t> file) {
  DecodedBitmap out;
  auto fail = [&](BitmapError e) {
    out.error = e;
    out.picture = Picture{};
    return out;
  };
  if (file.size() < 2) return fail(BitmapError::Truncated);
  if (file[0] != 'B' || file[1] != 'M') return fail(BitmapError::NotABitmap);
  if (file.size() < kFileHeaderSize + 4) return fail(BitmapError::Truncated);
  const std::uint32_t pixel_offset = ReadLe32(file, 10);
  const std::uint32_t header_size = ReadLe32(file, kFileHeaderSize);
  if (header_size != 40 && header_size != 108 && header_size != 124) return fail(BitmapError::UnsupportedHeader);
  if (file.size() < kFileHeaderSize + header_size) return fail(BitmapError::Truncated);

  const std::int32_t width = static_cast<std::int32_t>(ReadLe32(file, 18));
  const std::int32_t raw_height = static_cast<std::int32_t>(ReadLe32(file, 22));
  const std::uint16_t planes = ReadLe16(file, 26);
  const std::uint16_t bits = ReadLe16(file, 28);
  const std::uint32_t compression = ReadLe32(file, 30);
  const std::uint32_t colours_used = ReadLe32(file, 46);

  // The magnitude test comes before negating, so INT32_MIN never overflows.
  if (width <= 0 || width > kMaxBitmapSide || raw_height == 0 || raw_height > kMaxBitmapSide ||
      raw_height < -kMaxBitmapSide)
    return fail(BitmapError::BadDimensions);
  if (planes != 1 || bits != 8) return fail(BitmapError::NotEightBit);
  if (compression != kBiRgb && compression != kBiRle8) return fail(BitmapError::UnsupportedCompression);
  const bool bottom_up = raw_height > 0;
  const int height = bottom_up ? raw_height : -raw_height;
  if (compression == kBiRle8 && !bottom_up) return fail(BitmapError::TopDownCompressed);

  const std::uint64_t colours = colours_used == 0 ? 256 : colours_used;
  if (colours > 256) return fail(BitmapError::BadColourCount);
  const std::uint64_t table_at = kFileHeaderSize + std::uint64_t{header_size};
  const std::uint64_t table_end = table_at + colours * 4;
  if (table_end > file.size()) return fail(BitmapError::Truncated);
  if (table_end > pixel_offset) return fail(BitmapError::BadColourCount);

  Picture& p = out.picture;
  p.width = width;
  p.height = height;
  for (std::uint64_t i = 0; i < colours; ++i) {
    const std::size_t at = static_cast<std::size_t>(table_at + i * 4);
    p.palette[i] = (std::uint32_t{file[at + 2]} << 16) | (std::uint32_t{file[at + 1]} << 8) | file[at];
  }

  // The size checks come before the picture is allocated, so a few bytes claiming a huge picture
  // cost nothing.
  if (pixel_offset > file.size()) return fail(BitmapError::PixelsOutsideFile);
  const auto data = file.subspan(pixel_offset);
  const std::uint64_t stride = (static_cast<std::uint64_t>(width) + 3) & ~std::uint64_t{3};
  if (compression == kBiRgb && stride * static_cast<std::uint64_t>(height) > data.size())
    return fail(BitmapError::PixelsOutsideFile);
  p.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
  if (compression == kBiRle8) {
    if (const BitmapError e = DecodeRle8(data, bottom_up, p); e != BitmapError::None) return fail(e);
    return out;
  }
  for (int row = 0; row < height; ++row) {
    const auto* src = data.data() + stride * static_cast<std::uint64_t>(row);
    auto* dst = p.pixels.data() + static_cast<std::size_t>(PictureRow(p, bottom_up, row)) * width;
    std::copy(src, src + width, dst);
  }
  return out;
}

std::optional<BitmapHeader> ReadBitmapHeader(std::span<const std::uint8_t> file) {
  if (file.size() < 30 || file[0] != 'B' || file[1] != 'M') return std::nullopt;
  const std::int64_t height = static_cast<std::int32_t>(ReadLe32(file, 22));
  return BitmapHeader{static_cast<std::int32_t>(ReadLe32(file, 18)), height < 0 ? -height : height, ReadLe16(file, 28)};
}

bool SameSizeAndColours(const Picture& a, const Picture& b) {
  return a.width == b.width && a.height == b.height && a.palette == b.palette;
}

}  // namespace tarvelin
