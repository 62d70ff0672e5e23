#include "convert.h"

#include <Magick++.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "menu/layout.h"
#include "runtime/artwork.h"
#include "runtime/picture.h"

namespace tarvelin {
namespace {

// A design-size picture in any common format is far below this; a larger file is not one.
constexpr std::uintmax_t kMaxPictureFileBytes = 64 * 1024 * 1024;

// The highlight drawn from a background: the spot brightened and tinted with the colour, inside a
// one-pixel outline of the colour.
constexpr double kBrighten = 0.25;
constexpr double kTint = 0.35;

// Refining steps after the quantizer; the error hardly drops after a few.
constexpr int kRefiningSteps = 4;

// 8-bit RGB pixels, three bytes each, top row first.
struct Rgb {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bytes;

  std::uint8_t* At(int x, int y) { return &bytes[(static_cast<std::size_t>(y) * width + x) * 3]; }
  const std::uint8_t* At(int x, int y) const { return &bytes[(static_cast<std::size_t>(y) * width + x) * 3]; }
};

struct Spot {
  int left, top, width, height;
};

std::vector<Spot> HotSpots() {
  std::vector<Spot> spots;
  for (const HotSpotDesign& s : kHotSpotLayout)
    spots.push_back({static_cast<int>(s.Left), static_cast<int>(s.Top), static_cast<int>(s.Width),
                     static_cast<int>(s.Height)});
  return spots;
}

std::string SizeText(std::size_t width, std::size_t height) {
  return std::to_string(width) + " x " + std::to_string(height);
}

// Reads the first frame of a picture file, refusing it before decoding its pixels unless it has
// the menu's size. ImageMagick gets the bytes rather than the name, so no name is ever taken as a
// format prefix or frame selector.
std::optional<Magick::Image> ReadPicture(const std::string& path, int width, int height, std::string& error) {
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  std::ifstream in(path, std::ios::binary);
  if (ec || !in) {
    error = path + ": cannot be read";
    return std::nullopt;
  }
  if (size > kMaxPictureFileBytes) {
    error = path + ": " + std::to_string(size) + " bytes, too large for a " + SizeText(width, height) + " picture";
    return std::nullopt;
  }
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const Magick::Blob blob(bytes.data(), bytes.size());
  Magick::Image image;
  image.quiet(true);  // a warning (an odd colour profile, say) is no reason to refuse a picture
  try {
    image.ping(blob);
    if (image.columns() != static_cast<std::size_t>(width) || image.rows() != static_cast<std::size_t>(height)) {
      error = path + ": " + SizeText(image.columns(), image.rows()) + "; the menu needs " + SizeText(width, height) +
              " (pictures are not scaled)";
      return std::nullopt;
    }
    image.read(blob);
  } catch (const Magick::Exception& e) {
    error = path + ": not a picture that can be read (" + e.what() + ")";
    return std::nullopt;
  }
  return image;
}

// The picture's colours as 8-bit sRGB, transparent parts over black.
Rgb ToRgb(Magick::Image image) {
  image.colorSpace(Magick::sRGBColorspace);
  if (image.matte()) {
    Magick::Image canvas(Magick::Geometry(image.columns(), image.rows()), Magick::Color(0, 0, 0));
    canvas.composite(image, 0, 0, Magick::OverCompositeOp);
    image = canvas;
  }
  Rgb rgb{static_cast<int>(image.columns()), static_cast<int>(image.rows()), {}};
  rgb.bytes.resize(static_cast<std::size_t>(rgb.width) * rgb.height * 3);
  image.write(0, 0, rgb.width, rgb.height, "RGB", Magick::CharPixel, rgb.bytes.data());
  return rgb;
}

Magick::Image ToImage(const Rgb& rgb) {
  return Magick::Image(rgb.width, rgb.height, "RGB", Magick::CharPixel, rgb.bytes.data());
}

Rgb DrawHighlight(const Rgb& background, const Magick::ColorRGB& colour) {
  const std::array<double, 3> tint = {colour.red() * 255, colour.green() * 255, colour.blue() * 255};
  Rgb lit = background;
  for (const Spot& s : HotSpots())
    for (int y = s.top; y < s.top + s.height; ++y)
      for (int x = s.left; x < s.left + s.width; ++x) {
        const bool edge = y == s.top || y == s.top + s.height - 1 || x == s.left || x == s.left + s.width - 1;
        std::uint8_t* p = lit.At(x, y);
        for (int c = 0; c < 3; ++c) {
          const double bright = p[c] + (255 - p[c]) * kBrighten;
          p[c] = static_cast<std::uint8_t>(std::lround(edge ? tint[c] : bright * (1 - kTint) + tint[c] * kTint));
        }
      }
  return lit;
}

std::uint32_t Packed(const std::uint8_t* p) { return static_cast<std::uint32_t>(p[0]) << 16 | p[1] << 8 | p[2]; }

// The pixels that show: the whole background, and each hot-spot piece of the highlight.
std::vector<Rgb> Shown(const Rgb& background, const Rgb& highlight) {
  std::vector<Rgb> shown = {background};
  for (const Spot& s : HotSpots()) {
    Rgb piece{s.width, s.height, {}};
    for (int y = s.top; y < s.top + s.height; ++y) {
      const std::uint8_t* from = highlight.At(s.left, y);
      piece.bytes.insert(piece.bytes.end(), from, from + static_cast<std::size_t>(s.width) * 3);
    }
    shown.push_back(std::move(piece));
  }
  return shown;
}

// One pixel of each colour of |images|, in a row.
Rgb ColoursOf(const std::vector<Rgb>& images) {
  std::unordered_set<std::uint32_t> seen;
  Rgb row{0, 1, {}};
  for (const Rgb& image : images)
    for (std::size_t i = 0; i < image.bytes.size(); i += 3)
      if (seen.insert(Packed(&image.bytes[i])).second)
        row.bytes.insert(row.bytes.end(), image.bytes.begin() + i, image.bytes.begin() + i + 3);
  row.width = static_cast<int>(row.bytes.size() / 3);
  return row;
}

// |images| with every pixel replaced by its nearest colour of |table|, as ImageMagick's remap finds it.
std::vector<Rgb> Remapped(const std::vector<Rgb>& images, const Magick::Image& table) {
  std::vector<Rgb> remapped;
  for (const Rgb& image : images) {
    Magick::Image copy = ToImage(image);
    copy.map(table, false);
    remapped.push_back(ToRgb(copy));
  }
  return remapped;
}

// The colour table for the pixels that show, as a row of its colours. ImageMagick's octree
// quantizer chooses one table for all of them; each refining step then moves every colour to the
// mean of the pixels that ImageMagick's remap gives it (a k-means step), which lowers the error of
// both pictures rather than trading one against the other.
Magick::Image ChooseColours(const std::vector<Rgb>& shown) {
  std::vector<Magick::Image> images;
  for (const Rgb& rgb : shown) images.push_back(ToImage(rgb));
  images.front().quantizeColors(256);
  images.front().quantizeDither(false);
  Magick::quantizeImages(images.begin(), images.end());
  std::vector<Rgb> assigned;
  for (const Magick::Image& image : images) assigned.push_back(ToRgb(image));
  Magick::Image table = ToImage(ColoursOf(assigned));
  for (int step = 0; step < kRefiningSteps; ++step) {
    assigned = Remapped(shown, table);
    std::unordered_map<std::uint32_t, std::array<double, 4>> sums;  // red, green, blue, count
    for (std::size_t n = 0; n < shown.size(); ++n)
      for (std::size_t i = 0; i < shown[n].bytes.size(); i += 3) {
        std::array<double, 4>& sum = sums[Packed(&assigned[n].bytes[i])];
        for (int c = 0; c < 3; ++c) sum[c] += shown[n].bytes[i + c];
        sum[3] += 1;
      }
    Rgb means{static_cast<int>(sums.size()), 1, {}};
    for (const auto& [colour, sum] : sums)
      for (int c = 0; c < 3; ++c) means.bytes.push_back(static_cast<std::uint8_t>(std::lround(sum[c] / sum[3])));
    table = ToImage(means);
  }
  return table;
}

// The picture's pixels as indices into |palette|, every colour of which the remap put there.
std::optional<std::vector<std::uint8_t>> Indices(const Rgb& rgb,
                                                 const std::unordered_map<std::uint32_t, std::uint8_t>& palette) {
  std::vector<std::uint8_t> indices;
  indices.reserve(static_cast<std::size_t>(rgb.width) * rgb.height);
  for (std::size_t i = 0; i < rgb.bytes.size(); i += 3) {
    const auto found = palette.find(Packed(&rgb.bytes[i]));
    if (found == palette.end()) return std::nullopt;
    indices.push_back(found->second);
  }
  return indices;
}

// Peak signal-to-noise ratio over the given rectangles, every channel counted; 99 dB when equal.
double Psnr(const Rgb& a, const Rgb& b, const std::vector<Spot>& areas) {
  double squares = 0;
  std::size_t samples = 0;
  for (const Spot& s : areas)
    for (int y = s.top; y < s.top + s.height; ++y)
      for (int x = s.left; x < s.left + s.width; ++x)
        for (int c = 0; c < 3; ++c) {
          const double d = static_cast<double>(a.At(x, y)[c]) - b.At(x, y)[c];
          squares += d * d;
          ++samples;
        }
  if (squares == 0) return 99;
  return 10 * std::log10(255.0 * 255.0 * static_cast<double>(samples) / squares);
}

void Put16(std::string& out, unsigned value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>(value >> 8 & 0xFF));
}
void Put32(std::string& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

// An uncompressed 8-bit Windows bitmap with a full 256-entry colour table, bottom row first.
std::string EncodeBitmap(const Picture& picture) {
  constexpr std::uint32_t kHeaderBytes = 14 + 40 + 256 * 4;
  const std::uint32_t stride = (static_cast<std::uint32_t>(picture.width) + 3) & ~3u;
  const std::uint32_t pixel_bytes = stride * static_cast<std::uint32_t>(picture.height);
  std::string out = "BM";
  Put32(out, kHeaderBytes + pixel_bytes);
  Put32(out, 0);
  Put32(out, kHeaderBytes);
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(picture.width));
  Put32(out, static_cast<std::uint32_t>(picture.height));
  Put16(out, 1);  // planes
  Put16(out, 8);  // bits per pixel
  Put32(out, 0);  // BI_RGB
  Put32(out, pixel_bytes);
  Put32(out, 2835);  // 72 dots per inch
  Put32(out, 2835);
  Put32(out, 256);
  Put32(out, 0);
  for (std::uint32_t colour : picture.palette) Put32(out, colour);  // 0x00RRGGBB is B, G, R, 0 in the file
  for (int y = picture.height - 1; y >= 0; --y) {
    out.append(reinterpret_cast<const char*>(&picture.pixels[static_cast<std::size_t>(y) * picture.width]),
               static_cast<std::size_t>(picture.width));
    out.append(stride - static_cast<std::uint32_t>(picture.width), '\0');
  }
  return out;
}

std::optional<std::string> WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) return path.string() + ": cannot be written";
  return std::nullopt;
}

void InitializeMagickOnce() {
  static const bool initialized = (Magick::InitializeMagick("tarvelin-art"), true);
  (void)initialized;
}

Conversion Convert(const std::string& background_path, const std::optional<std::string>& highlight_path,
                   const ConversionStyle& style, const std::string& out_dir);

}  // namespace

std::optional<std::string> CheckColour(const std::string& colour) {
  InitializeMagickOnce();
  try {
    Magick::Color parsed(colour);
    if (!parsed.isValid()) return "not a colour";
  } catch (const Magick::Exception&) {
    return "not a colour";
  }
  return std::nullopt;
}

Conversion ConvertPair(const std::string& background_path, const std::optional<std::string>& highlight_path,
                       const ConversionStyle& style, const std::string& out_dir) {
  InitializeMagickOnce();
  try {
    return Convert(background_path, highlight_path, style, out_dir);
  } catch (const Magick::Exception& e) {  // out of memory or a resource limit, say
    Conversion result;
    result.error = background_path + ": cannot be converted (" + e.what() + ")";
    return result;
  }
}

namespace {

Conversion Convert(const std::string& background_path, const std::optional<std::string>& highlight_path,
                   const ConversionStyle& style, const std::string& out_dir) {
  Conversion result;
  const Artwork design = BuiltInArtwork();
  const int width = design.background.width, height = design.background.height;

  std::optional<Magick::Image> background_image = ReadPicture(background_path, width, height, result.error);
  if (!background_image) return result;
  const Rgb background = ToRgb(*background_image);
  Rgb highlight;
  if (highlight_path) {
    std::optional<Magick::Image> highlight_image = ReadPicture(*highlight_path, width, height, result.error);
    if (!highlight_image) return result;
    highlight = ToRgb(*highlight_image);
  } else {
    highlight = DrawHighlight(background, Magick::ColorRGB(style.highlight_colour));
  }

  const Magick::Image map = ChooseColours(Shown(background, highlight));
  const Rgb map_rgb = ToRgb(map);

  Picture back_out, high_out;
  back_out.width = high_out.width = width;
  back_out.height = high_out.height = height;
  std::unordered_map<std::uint32_t, std::uint8_t> palette;
  for (std::size_t i = 0; i < map_rgb.bytes.size(); i += 3) {
    const std::uint32_t colour = Packed(&map_rgb.bytes[i]);
    if (palette.contains(colour)) continue;
    if (palette.size() == back_out.palette.size()) {
      result.error = background_path + ": the colour reduction left more than 256 colours";
      return result;
    }
    back_out.palette[palette.size()] = colour;
    palette.emplace(colour, static_cast<std::uint8_t>(palette.size()));
  }
  high_out.palette = back_out.palette;

  auto remap = [&](const Rgb& rgb) {
    Magick::Image image = ToImage(rgb);
    image.quantizeDitherMethod(Magick::FloydSteinbergDitherMethod);
    image.map(map, style.dither);
    return ToRgb(image);
  };
  const Rgb back_remapped = remap(background);
  const Rgb high_remapped = remap(highlight);
  std::optional<std::vector<std::uint8_t>> back_indices = Indices(back_remapped, palette);
  std::optional<std::vector<std::uint8_t>> high_indices = Indices(high_remapped, palette);
  if (!back_indices || !high_indices) {
    result.error = background_path + ": the colour reduction gave colours outside its own table";
    return result;
  }
  back_out.pixels = std::move(*back_indices);
  // Outside the hot spots the highlight picture never shows; it repeats the background there.
  high_out.pixels = back_out.pixels;
  for (const Spot& s : HotSpots())
    for (int y = s.top; y < s.top + s.height; ++y)
      for (int x = s.left; x < s.left + s.width; ++x) {
        const std::size_t at = static_cast<std::size_t>(y) * width + x;
        high_out.pixels[at] = (*high_indices)[at];
      }

  result.background_psnr = Psnr(background, back_remapped, {{0, 0, width, height}});
  result.highlight_psnr = Psnr(highlight, high_remapped, HotSpots());

  const std::filesystem::path dir(out_dir);
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  for (const auto& [name, picture] : {std::pair{"background.bmp", &back_out}, std::pair{"highlight.bmp", &high_out}})
    if (std::optional<std::string> error = WriteFile(dir / name, EncodeBitmap(*picture))) {
      result.error = *error;
      return result;
    }
  return result;
}

}  // namespace
}  // namespace tarvelin
