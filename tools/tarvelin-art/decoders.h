#pragma once

// The decoders of the formats the tool reads, one for each, all on bytes in memory: libpng, libjpeg
// (libjpeg-turbo), giflib, and the tool's own reader of Windows bitmaps. Each one checks the size
// its file declares before it sets aside memory for any pixel, stops at the first sign of damage,
// and gives the pixels as stored; turning them upright and what shows through transparent pixels
// are the caller's (picture_file.cpp).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "tools/common/outcome.h"

namespace tarvelin {

// Asked with the size of the picture as it is shown (turned as its EXIF orientation says) before
// any pixel is decoded; false stops the decoder, which then gives a fault the caller sets aside.
using SizeCheck = std::function<bool(std::size_t width, std::size_t height)>;

// 8-bit RGBA pixels as stored, four bytes each, top row first.
struct Raster {
  std::size_t width = 0;
  std::size_t height = 0;
  std::vector<std::uint8_t> rgba;
  bool has_alpha = false;  // the format or the file can say a pixel is transparent
  std::size_t frames = 1;  // pictures in the file, of which these pixels are the first
  int orientation = 1;     // EXIF: 1 upright, 2 to 8 flipped and/or turned
};

// Each gives the pixels or what is wrong with the file, in a few words ("the file ends too soon").
Outcome<Raster> DecodePng(std::span<const std::uint8_t> bytes, const SizeCheck& size_ok);
Outcome<Raster> DecodeJpeg(std::span<const std::uint8_t> bytes, const SizeCheck& size_ok);
Outcome<Raster> DecodeGif(std::span<const std::uint8_t> bytes, const SizeCheck& size_ok);
Outcome<Raster> DecodeBmp(std::span<const std::uint8_t> bytes, const SizeCheck& size_ok);

// The EXIF orientation (1 to 8) an APP1 segment's data gives, 1 when it gives none or is not EXIF.
int ExifOrientation(std::span<const std::uint8_t> app1);

}  // namespace tarvelin
