#pragma once

// The bitmap decoder: 8-bit indexed BMP files, uncompressed or RLE8, into one picture type; a
// damaged file gives an error value, never a crash.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tarvelin {

// An 8-bit indexed picture with its 256-entry colour table.
struct Picture {
  int width = 0;
  int height = 0;
  std::array<std::uint32_t, 256> palette{};  // 0x00RRGGBB; entries the file does not give are black
  std::vector<std::uint8_t> pixels;          // width * height indices, top row first

  std::uint8_t Index(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
  std::uint32_t Colour(int x, int y) const { return palette[Index(x, y)]; }
};

enum class BitmapError {
  None,
  Truncated,           // shorter than its headers say
  NotABitmap,          // no "BM" signature
  UnsupportedHeader,   // not a 40-, 108- or 124-byte info header
  BadDimensions,       // zero, negative width, or larger than the decoder accepts
  NotEightBit,         // not 1 plane of 8 bits per pixel
  UnsupportedCompression,
  TopDownCompressed,   // RLE8 with a negative height, which Windows bitmaps do not allow
  BadColourCount,      // more than 256 colours, or a colour table outside the file
  PixelsOutsideFile,   // pixel data does not fit in the file
  BadRunLength,        // a compressed run writes outside the picture or the data ends early
};

// A human-readable reason, for tools and messages.
const char* Describe(BitmapError error);

struct DecodedBitmap {
  Picture picture;
  BitmapError error = BitmapError::None;
  explicit operator bool() const { return error == BitmapError::None; }
};

// The largest picture the menu takes, in either direction, and the largest the decoder accepts:
// one limit for the build, the author's tool and both programs. The window is as large as the
// picture (times the screen's whole scale factor), and a borderless window larger than the screen
// cannot be used: 4096 is the widest screen made (DCI 4K) and leaves room for every tall one. It
// also bounds what a few bytes of RLE8 can make the menu allocate: at most 16 MiB a picture, 64 MiB
// for the frame drawn from them.
inline constexpr int kMaxBitmapSide = 4096;

// Decodes a Windows bitmap file (8 bits per pixel, uncompressed or RLE8). Every size and offset
// is checked against the bytes given, so a malformed file is an error value, never a bad read.
DecodedBitmap DecodeBitmap(std::span<const std::uint8_t> file);

// What a bitmap file's header declares, read without decoding anything: for refusing a picture by
// its size before its pixels cost memory, and for naming the size or depth in a message. The
// height is the number of rows, whichever way up they are stored.
struct BitmapHeader {
  std::int64_t width = 0, height = 0;
  int bits = 0;
};
// Nothing when the file is not a bitmap or too short to hold these fields.
std::optional<BitmapHeader> ReadBitmapHeader(std::span<const std::uint8_t> file);

// True when both pictures have the same size and the same colour table.
bool SameSizeAndColours(const Picture& a, const Picture& b);

}  // namespace tarvelin
