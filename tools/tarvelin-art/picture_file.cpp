#include "picture_file.h"

#include <algorithm>
#include <string_view>

#include "decoders.h"
#include "runtime/artwork.h"
#include "tools/common/capped_file.h"

namespace tarvelin {
namespace {

// How far into a file to look for the start of an SVG drawing.
constexpr std::size_t kVectorSniffBytes = 4096;

struct Format {
  const char* name;
  std::string_view signature;
  Outcome<Raster> (*decode)(std::span<const std::uint8_t>, const SizeCheck&);
};
constexpr Format kFormats[] = {
    {"PNG", {"\x89PNG\r\n\x1a\n", 8}, DecodePng}, {"JPEG", {"\xFF\xD8\xFF", 3}, DecodeJpeg},
    {"BMP", {"BM", 2}, DecodeBmp},                 {"GIF", {"GIF87a", 6}, DecodeGif},
    {"GIF", {"GIF89a", 6}, DecodeGif},
};

std::string_view Text(std::span<const std::uint8_t> bytes, std::size_t limit) {
  return {reinterpret_cast<const char*>(bytes.data()), std::min(bytes.size(), limit)};
}

// The format by the file's first bytes, never by its name: a file is read only as what it is.
const Format* FormatOf(std::span<const std::uint8_t> bytes) {
  for (const Format& format : kFormats)
    if (Text(bytes, format.signature.size()) == format.signature) return &format;
  return nullptr;
}

bool IsVectorDrawing(std::span<const std::uint8_t> bytes) {
  const std::string_view start = Text(bytes, kVectorSniffBytes);
  return start.starts_with("%PDF") || start.starts_with("%!PS") || start.find("<svg") != std::string_view::npos;
}

std::string SizeText(std::size_t width, std::size_t height) {
  return std::to_string(width) + " x " + std::to_string(height);
}

std::string Damaged(const std::string& name, const Format& format, const std::string& detail) {
  return name + ": a damaged or cut-off " + format.name + " file, pixels are missing (" + detail + ")";
}

std::uint32_t ReadBe32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) << 24 | bytes[at + 1] << 16 | bytes[at + 2] << 8 | bytes[at + 3];
}

// Whether a PNG chunk's stated length runs past the end of the file: the file is cut off, and the
// decoder would first set aside what that length asks for, up to 4 GiB for a few bytes.
bool PngChunkRunsPastTheEnd(std::span<const std::uint8_t> bytes) {
  constexpr std::size_t kChunkFrame = 12;  // length, type and CRC around the data
  for (std::size_t at = 8; at + 8 <= bytes.size();) {
    const std::size_t length = ReadBe32(bytes, at);
    if (length > bytes.size() - at - 8 || bytes.size() - at - 8 - length < 4) return true;
    if (Text(bytes.subspan(at + 4), 4) == "IEND") return false;
    at += kChunkFrame + length;
  }
  return false;
}

// Where the transparent pixels are, for the author to find them.
struct Transparency {
  std::size_t count = 0;
  int left = 0, top = 0, right = -1, bottom = -1;

  void Add(int x, int y) {
    if (count++ == 0) left = right = x, top = bottom = y;
    left = std::min(left, x), right = std::max(right, x);
    top = std::min(top, y), bottom = std::max(bottom, y);
  }
};

// The pixel of |raster| shown at (x, y) once it is turned upright as its EXIF orientation says.
const std::uint8_t* Upright(const Raster& raster, std::size_t x, std::size_t y) {
  const std::size_t w = raster.width, h = raster.height;
  std::size_t from_x = x, from_y = y;
  switch (raster.orientation) {
    case 2: from_x = w - 1 - x; break;                          // mirrored
    case 3: from_x = w - 1 - x, from_y = h - 1 - y; break;      // upside down
    case 4: from_y = h - 1 - y; break;                          // mirrored upside down
    case 5: from_x = y, from_y = x; break;                      // mirrored along the diagonal
    case 6: from_x = y, from_y = h - 1 - x; break;              // to be turned a quarter clockwise
    case 7: from_x = w - 1 - y, from_y = h - 1 - x; break;      // mirrored along the other diagonal
    case 8: from_x = w - 1 - y, from_y = x; break;              // to be turned a quarter anticlockwise
    default: break;
  }
  return &raster.rgba[(from_y * w + from_x) * 4];
}

// The pixels upright, as 8-bit sRGB over |matte|.
Outcome<Rgb> Colours(const Raster& raster, const std::string& name, std::optional<std::uint32_t> matte) {
  const bool turned = raster.orientation >= 5;
  Rgb rgb{static_cast<int>(turned ? raster.height : raster.width), static_cast<int>(turned ? raster.width : raster.height), {}};
  rgb.bytes.resize(static_cast<std::size_t>(rgb.width) * rgb.height * 3);
  Transparency transparency;
  const std::uint8_t under[3] = {static_cast<std::uint8_t>(matte.value_or(0) >> 16),
                                 static_cast<std::uint8_t>(matte.value_or(0) >> 8),
                                 static_cast<std::uint8_t>(matte.value_or(0))};
  for (int y = 0; y < rgb.height; ++y)
    for (int x = 0; x < rgb.width; ++x) {
      const std::uint8_t* in = Upright(raster, static_cast<std::size_t>(x), static_cast<std::size_t>(y));
      const unsigned alpha = raster.has_alpha ? in[3] : 255;
      if (alpha != 255) transparency.Add(x, y);
      std::uint8_t* out = rgb.At(x, y);
      for (int c = 0; c < 3; ++c)
        out[c] = static_cast<std::uint8_t>((in[c] * alpha + under[c] * (255 - alpha) + 127) / 255);
    }
  if (transparency.count > 0 && !matte)
    return Fault{name + ": " + std::to_string(transparency.count) + " pixels are transparent or partly so, from (" +
                 std::to_string(transparency.left) + ", " + std::to_string(transparency.top) + ") to (" +
                 std::to_string(transparency.right) + ", " + std::to_string(transparency.bottom) +
                 "); the menu has nothing behind them: give --matte COLOUR for what shows through"};
  return rgb;
}

}  // namespace

Outcome<DecodedPicture> DecodePicture(std::span<const std::uint8_t> bytes, const std::string& name, int width,
                                      int height, std::optional<std::uint32_t> matte) {
  const Format* format = FormatOf(bytes);
  if (!format && IsVectorDrawing(bytes))
    return Fault{name + ": a vector drawing, which this tool does not draw; export it as a " + SizeText(width, height) +
                 " PNG"};
  if (!format) return Fault{name + ": not a picture this tool reads (it reads " + kFormatsRead + ")"};
  if (std::string_view(format->name) == "PNG" && PngChunkRunsPastTheEnd(bytes))
    return Fault{Damaged(name, *format, "a chunk runs past the end of the file")};
  std::optional<Fault> wrong_size;
  const SizeCheck size_ok = [&](std::size_t shown_width, std::size_t shown_height) {
    if (shown_width == static_cast<std::size_t>(width) && shown_height == static_cast<std::size_t>(height)) return true;
    wrong_size = Fault{name + ": " + SizeText(shown_width, shown_height) + "; the menu needs " + SizeText(width, height) +
                       " (pictures are not scaled)"};
    return false;
  };
  Outcome<Raster> raster = format->decode(bytes, size_ok);
  if (wrong_size) return *wrong_size;
  if (!raster) return Fault{Damaged(name, *format, raster.fault())};

  DecodedPicture decoded;
  if (raster->frames > 1)
    decoded.warnings.push_back(name + ": " + std::to_string(raster->frames) +
                               " pictures in one file (an animation?); the menu shows the first");
  Outcome<Rgb> rgb = Colours(*raster, name, matte);
  if (!rgb) return Fault{rgb.fault()};
  decoded.rgb = std::move(*rgb);
  return decoded;
}

Outcome<DecodedPicture> ReadPicture(const std::string& path, int width, int height,
                                    std::optional<std::uint32_t> matte) {
  Outcome<std::vector<std::uint8_t>> bytes =
      ReadCappedFile(path, kMaxArtFileBytes, "a " + SizeText(width, height) + " picture can take");
  if (!bytes) return Fault{bytes.fault()};
  return DecodePicture(*bytes, path, width, height, matte);
}

Outcome<Rgba> ReadPictureWithAlpha(const std::string& path) {
  Outcome<std::vector<std::uint8_t>> bytes = ReadCappedFile(path, kMaxArtFileBytes, "a picture can take");
  if (!bytes) return Fault{bytes.fault()};
  const Format* format = FormatOf(*bytes);
  if (!format) return Fault{path + ": not a picture this tool reads (it reads " + kFormatsRead + ")"};
  std::optional<Fault> too_large;
  const SizeCheck size_ok = [&](std::size_t width, std::size_t height) {
    if (width <= static_cast<std::size_t>(kMaxBitmapSide) && height <= static_cast<std::size_t>(kMaxBitmapSide))
      return true;
    too_large = Fault{path + ": " + SizeText(width, height) + "; the largest picture read is " +
                      SizeText(kMaxBitmapSide, kMaxBitmapSide)};
    return false;
  };
  Outcome<Raster> raster = format->decode(*bytes, size_ok);
  if (too_large) return *too_large;
  if (!raster) return Fault{Damaged(path, *format, raster.fault())};
  const bool turned = raster->orientation >= 5;
  Rgba rgba{static_cast<int>(turned ? raster->height : raster->width),
            static_cast<int>(turned ? raster->width : raster->height), {}};
  for (int y = 0; y < rgba.height; ++y)
    for (int x = 0; x < rgba.width; ++x) {
      const std::uint8_t* in = Upright(*raster, static_cast<std::size_t>(x), static_cast<std::size_t>(y));
      rgba.bytes.insert(rgba.bytes.end(), {in[0], in[1], in[2], raster->has_alpha ? in[3] : std::uint8_t{255}});
    }
  return rgba;
}

}  // namespace tarvelin
