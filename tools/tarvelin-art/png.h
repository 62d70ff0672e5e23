#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarvelin {

// A PNG file of an RGB picture (0x00RRGGBB pixels, top row first), written without compression:
// a preview needs no small file, and this needs no library.
std::string EncodePng(int width, int height, const std::vector<std::uint32_t>& pixels);

}  // namespace tarvelin
