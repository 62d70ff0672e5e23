#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "runtime/picture.h"

namespace tarvelin {

// The two pictures the window is drawn from: the menu as it rests, and the same menu with every
// entry highlighted. They share one size and one colour table.
struct Artwork {
  Picture background;
  Picture highlight;
};

// Decodes a pair of bitmaps; nothing unless both decode and they share size and colour table.
std::optional<Artwork> DecodeArtwork(std::span<const std::uint8_t> background, std::span<const std::uint8_t> highlight);

// The pair compiled into the program.
Artwork BuiltInArtwork();

// The files compiled into the program from the art folder at build time: the two pictures as RLE8
// bitmap files of the same pictures and colour table (a fifth of the size), the icon as it is.
std::span<const std::uint8_t> BuiltInBackgroundBitmap();
std::span<const std::uint8_t> BuiltInHighlightBitmap();
std::span<const std::uint8_t> BuiltInIcon();

}  // namespace tarvelin
