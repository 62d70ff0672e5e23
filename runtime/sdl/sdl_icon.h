#pragma once

#include <cstdint>
#include <span>

struct SDL_Surface;

namespace tarvelin {

// The first image of a Windows icon file (1, 4 or 8 bits per pixel with its AND mask) as an ARGB
// surface, masked pixels transparent; nullptr when the file is malformed or of another kind.
// The caller frees the surface.
SDL_Surface* CreateIconSurface(std::span<const std::uint8_t> icon_file);

}  // namespace tarvelin
