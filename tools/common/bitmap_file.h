#pragma once

// 8-bit pictures as Windows bitmap files: uncompressed, as the author tool writes the menu's pair,
// or run-length encoded (BI_RLE8), as the build stores them so that the program carries them in a
// fraction of their size. Both are standard files that Windows, resource editors and the
// program's own decoder read.

#include <cstdint>
#include <vector>

#include "runtime/picture.h"

namespace tarvelin {

enum class BitmapCompression : std::uint32_t { kNone = 0, kRle8 = 1 };

// The RLE8 data of a picture: bottom row first, as RLE8 requires, every row as the shortest mix
// of runs (two bytes for up to 255 equal pixels) and literal stretches (two bytes and the pixels,
// padded to an even count, for 3 to 255 pixels), each row closed by an end-of-line mark and the
// whole by an end-of-bitmap mark. No delta marks: every pixel is written.
std::vector<std::uint8_t> EncodeRle8(const Picture& picture);

// A complete bitmap file (file header, 40-byte info header, the first |colours| entries of the
// colour table, the pixels bottom row first) for a picture. |colours| is 1 to 256.
std::vector<std::uint8_t> BitmapFile(const Picture& picture, int colours, BitmapCompression compression);

}  // namespace tarvelin
