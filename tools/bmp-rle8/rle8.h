#pragma once

// Run-length encoding of 8-bit pictures as Windows bitmaps (BI_RLE8): what the build stores the
// menu's pictures as, so the program carries them in a fraction of their size. The output is a
// standard bitmap file that Windows, resource editors and the program's own decoder read.

#include <cstdint>
#include <vector>

#include "runtime/picture.h"

namespace tarvelin {

// The RLE8 data of a picture: bottom row first, as RLE8 requires, every row as the shortest mix
// of runs (two bytes for up to 255 equal pixels) and literal stretches (two bytes and the pixels,
// padded to an even count, for 3 to 255 pixels), each row closed by an end-of-line mark and the
// whole by an end-of-bitmap mark. No delta marks: every pixel is written.
std::vector<std::uint8_t> EncodeRle8(const Picture& picture);

// A complete bitmap file (file header, 40-byte info header, the first |colours| entries of the
// colour table, RLE8 data) for a picture. |colours| is 1 to 256.
std::vector<std::uint8_t> Rle8BitmapFile(const Picture& picture, int colours);

}  // namespace tarvelin
