#pragma once

// Whole numbers as bitmap and icon files store them: least significant byte first. The caller has
// checked that the bytes are there.

#include <cstddef>
#include <cstdint>
#include <span>

namespace tarvelin {

inline std::uint16_t ReadLe16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

inline std::uint32_t ReadLe32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return ReadLe16(bytes, at) | static_cast<std::uint32_t>(ReadLe16(bytes, at + 2)) << 16;
}

}  // namespace tarvelin
