#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "runtime/artwork.h"

namespace tarvelin {

// A bitmap resource is a bitmap file without its 14-byte file header; this puts the header back,
// pointing at the pixels after the info header and colour table. Bytes too short to hold an info
// header give nothing.
std::vector<std::uint8_t> BitmapFileFromDib(std::span<const std::uint8_t> dib);

// Reads a picture file as the options file is read: from a disk file only (never a device or a
// pipe), refused unread when larger than kMaxArtFileBytes. Absent when nothing has the name.
ArtFile ReadArtFile(const std::string& path);

// The pictures the menu shows, the first pair that fits the menu (FitArtwork) of: background.bmp
// and highlight.bmp in |directory| (the program's own), so a disc author only copies them there;
// the module's bitmap resources IDB_BACKGROUND and IDB_HIGHLIGHT, which a resource editor can
// swap; the pictures compiled into the program. A pair fits when |design|'s hot spots lie on it.
Artwork LoadArtwork(HMODULE module, const std::string& directory, std::span<const HotSpotDesign> design);

}  // namespace tarvelin
