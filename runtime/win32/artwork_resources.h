#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <vector>

#include "runtime/artwork.h"

namespace tarvelin {

// A bitmap resource is a bitmap file without its 14-byte file header; this puts the header back,
// pointing at the pixels after the info header and colour table. Bytes too short to hold an info
// header give nothing.
std::vector<std::uint8_t> BitmapFileFromDib(std::span<const std::uint8_t> dib);

// The pictures from the module's bitmap resources IDB_BACKGROUND and IDB_HIGHLIGHT, so a disc
// author can swap them with a resource editor. When either is missing or broken, or the two no
// longer share size and colour table, the pictures compiled into the program are used instead.
Artwork LoadArtwork(HMODULE module);

}  // namespace tarvelin
