#pragma once

#include <cstdint>
#include <span>

#include "runtime/sdl/sdl_handles.h"

namespace tarvelin {

// The first image of a Windows icon file (1, 4 or 8 bits per pixel with its AND mask) as an ARGB
// surface, masked pixels transparent; none when the file is malformed or of another kind.
SdlSurface CreateIconSurface(std::span<const std::uint8_t> icon_file);

}  // namespace tarvelin
