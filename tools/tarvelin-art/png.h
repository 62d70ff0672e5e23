#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/common/outcome.h"

namespace tarvelin {

// A PNG file of an RGB picture (0x00RRGGBB pixels, top row first), for the author's eyes: the
// same pixels, every one.
Outcome<std::string> EncodePng(int width, int height, const std::vector<std::uint32_t>& pixels);

}  // namespace tarvelin
