#include "runtime/sdl/sdl_icon.h"

#include <SDL.h>

#include <cstddef>

#include "runtime/little_endian.h"

namespace tarvelin {
namespace {

constexpr std::size_t kDirectorySize = 6, kEntrySize = 16, kInfoHeaderSize = 40;
constexpr int kLargestSide = 256;

std::size_t RowBytes(std::size_t width, std::size_t bits_per_pixel) { return (width * bits_per_pixel + 31) / 32 * 4; }

// A palette index of an indexed row, bottom row first as the file stores it.
unsigned PixelIndex(const std::uint8_t* row, int x, unsigned bits_per_pixel) {
  const unsigned bit = static_cast<unsigned>(x) * bits_per_pixel;
  const unsigned shift = 8 - bits_per_pixel - bit % 8;
  return (row[bit / 8] >> shift) & ((1u << bits_per_pixel) - 1);
}

}  // namespace

SdlSurface CreateIconSurface(std::span<const std::uint8_t> file) {
  if (file.size() < kDirectorySize + kEntrySize) return nullptr;
  if (ReadLe16(file, 0) != 0 || ReadLe16(file, 2) != 1 || ReadLe16(file, 4) == 0) return nullptr;
  const std::size_t image_size = ReadLe32(file, kDirectorySize + 8);
  const std::size_t image_offset = ReadLe32(file, kDirectorySize + 12);
  if (image_offset > file.size() || image_size > file.size() - image_offset) return nullptr;
  const std::span<const std::uint8_t> image = file.subspan(image_offset, image_size);

  // A PNG-compressed image, or any other header, is not an icon this decoder knows.
  if (image.size() < kInfoHeaderSize) return nullptr;
  const std::size_t header_size = ReadLe32(image, 0);
  const auto width = static_cast<std::int32_t>(ReadLe32(image, 4));
  const auto double_height = static_cast<std::int32_t>(ReadLe32(image, 8));
  const unsigned planes = ReadLe16(image, 12), bits_per_pixel = ReadLe16(image, 14);
  const std::uint32_t compression = ReadLe32(image, 16), colours_used = ReadLe32(image, 32);
  if (header_size < kInfoHeaderSize || header_size > image.size()) return nullptr;
  if (width < 1 || width > kLargestSide || double_height < 2 || double_height > 2 * kLargestSide ||
      double_height % 2 != 0)
    return nullptr;
  if (planes != 1 || compression != 0 || (bits_per_pixel != 1 && bits_per_pixel != 4 && bits_per_pixel != 8))
    return nullptr;
  const std::size_t palette_size = 1u << bits_per_pixel;
  const std::size_t colours = colours_used == 0 ? palette_size : colours_used;
  if (colours > palette_size) return nullptr;
  const int height = double_height / 2;

  const std::size_t colour_bytes = image.size() - header_size;
  const std::size_t colour_row = RowBytes(width, bits_per_pixel), mask_row = RowBytes(width, 1);
  const std::size_t needed = colours * 4 + (colour_row + mask_row) * height;
  if (needed > colour_bytes) return nullptr;
  const std::uint8_t* palette = image.data() + header_size;
  const std::uint8_t* colour_rows = palette + colours * 4;
  const std::uint8_t* mask_rows = colour_rows + colour_row * height;

  SdlSurface surface(SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888));
  if (!surface) return nullptr;
  for (int y = 0; y < height; ++y) {
    const std::size_t file_row = static_cast<std::size_t>(height - 1 - y);
    auto* out = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(surface->pixels) + y * surface->pitch);
    for (int x = 0; x < width; ++x) {
      if (PixelIndex(mask_rows + file_row * mask_row, x, 1) != 0) {
        out[x] = 0;  // transparent
        continue;
      }
      const unsigned index = PixelIndex(colour_rows + file_row * colour_row, x, bits_per_pixel);
      const std::uint8_t* bgr = palette + index * 4;
      // An index past the colours the file gives is black, as for the menu pictures.
      out[x] = index < colours ? 0xFF000000u | bgr[2] << 16 | bgr[1] << 8 | bgr[0] : 0xFF000000u;
    }
  }
  return surface;
}

}  // namespace tarvelin
