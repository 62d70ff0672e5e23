#include "png.h"

#include <png.h>

namespace tarvelin {

Outcome<std::string> EncodePng(int width, int height, const std::vector<std::uint32_t>& pixels) {
  std::vector<std::uint8_t> rgb;
  rgb.reserve(pixels.size() * 3);
  for (const std::uint32_t p : pixels) {
    rgb.push_back(static_cast<std::uint8_t>(p >> 16));
    rgb.push_back(static_cast<std::uint8_t>(p >> 8));
    rgb.push_back(static_cast<std::uint8_t>(p));
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGB;
  // Asked once for the size, then to write.
  png_alloc_size_t size = 0;
  if (png_image_write_get_memory_size(image, size, 0, rgb.data(), 0, nullptr)) {
    std::string png(size, '\0');
    if (png_image_write_to_memory(&image, png.data(), &size, 0, rgb.data(), 0, nullptr)) {
      png.resize(size);
      return png;
    }
  }
  const std::string reason = image.message;
  png_image_free(&image);
  return Fault{"the preview cannot be encoded: " + reason};
}

}  // namespace tarvelin
