#pragma once

// Whole numbers as bitmap, icon and font files store them: least significant byte first. A reader
// or an in-place writer's caller has checked that the bytes are there.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tarvelin {

inline std::uint16_t ReadLe16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

inline std::uint32_t ReadLe32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return ReadLe16(bytes, at) | static_cast<std::uint32_t>(ReadLe16(bytes, at + 2)) << 16;
}

inline void WriteLe32(std::span<std::uint8_t> bytes, std::size_t at, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline void AppendLe16(std::vector<std::uint8_t>& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

inline void AppendLe32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  AppendLe16(out, static_cast<std::uint16_t>(value));
  AppendLe16(out, static_cast<std::uint16_t>(value >> 16));
}

}  // namespace tarvelin
