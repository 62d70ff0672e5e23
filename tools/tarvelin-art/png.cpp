#include "png.h"

#include <Magick++.h>

namespace tarvelin {

Outcome<std::string> EncodePng(int width, int height, const std::vector<std::uint32_t>& pixels) {
  // Initializing again is harmless: ImageMagick starts once however often it is asked.
  static const bool initialized = (Magick::InitializeMagick("tarvelin-art"), true);
  (void)initialized;
  std::vector<std::uint8_t> rgb;
  rgb.reserve(pixels.size() * 3);
  for (const std::uint32_t p : pixels) {
    rgb.push_back(static_cast<std::uint8_t>(p >> 16));
    rgb.push_back(static_cast<std::uint8_t>(p >> 8));
    rgb.push_back(static_cast<std::uint8_t>(p));
  }
  try {
    Magick::Image image(static_cast<std::size_t>(width), static_cast<std::size_t>(height), "RGB", Magick::CharPixel,
                        rgb.data());
    image.depth(8);
    Magick::Blob png;
    image.write(&png, "PNG");
    return std::string(static_cast<const char*>(png.data()), png.length());
  } catch (const Magick::Exception& error) {
    return Fault{std::string("the preview cannot be encoded: ") + error.what()};
  }
}

}  // namespace tarvelin
