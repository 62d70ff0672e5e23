#pragma once

// The author's picture files, read into the colours the menu would show. Every fault names the
// file and says what is wrong in the author's terms, the same whichever decoder reads the file.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tools/common/outcome.h"

namespace tarvelin {

// What the tool reads, as --help and the faults say it.
inline constexpr const char* kFormatsRead = "PNG, JPEG, BMP and GIF";

// 8-bit RGB pixels, three bytes each, top row first.
struct Rgb {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bytes;

  std::uint8_t* At(int x, int y) { return &bytes[(static_cast<std::size_t>(y) * width + x) * 3]; }
  const std::uint8_t* At(int x, int y) const { return &bytes[(static_cast<std::size_t>(y) * width + x) * 3]; }
};

struct DecodedPicture {
  Rgb rgb;
  std::vector<std::string> warnings;  // "FILE: what the author should know", the picture used all the same
};

// The picture in |bytes|, named |name| in faults and warnings: a raster picture in one of the
// formats read, whole, |width| x |height| once turned upright as its EXIF orientation says. A
// picture with transparent pixels is refused unless |matte| (0xRRGGBB) says what shows through.
// Of an animation or a file of several pictures, the first is taken, with a warning.
Outcome<DecodedPicture> DecodePicture(std::span<const std::uint8_t> bytes, const std::string& name, int width,
                                      int height, std::optional<std::uint32_t> matte);

// The same for the file at |path|.
Outcome<DecodedPicture> ReadPicture(const std::string& path, int width, int height, std::optional<std::uint32_t> matte);

// 8-bit RGBA pixels, four bytes each, top row first, not premultiplied.
struct Rgba {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bytes;
};

// The picture in the file at |path| as ReadPicture reads it, of any size up to the menu's largest,
// transparent pixels and all: for an icon.
Outcome<Rgba> ReadPictureWithAlpha(const std::string& path);

// A colour as the author writes it ("#ffcc00", "gold", "rgb(255,204,0)"), as 0xRRGGBB.
Outcome<std::uint32_t> ParseColour(const std::string& colour);

}  // namespace tarvelin
