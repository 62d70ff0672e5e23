#include "convert.h"

#include <Magick++.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "menu/layout.h"
#include "picture_file.h"
#include "runtime/artwork.h"
#include "tools/common/bitmap_file.h"

namespace tarvelin {
namespace {

// The highlight drawn from a background: the spot brightened and tinted with the colour, inside a
// one-pixel outline of the colour.
constexpr double kBrighten = 0.25;
constexpr double kTint = 0.35;

// Refining steps after the quantizer; the error hardly drops after a few.
constexpr int kRefiningSteps = 4;

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

// The picture's colours as 8-bit sRGB; the pictures made here are opaque.
Rgb ToRgb(Magick::Image image) {
  image.colorSpace(Magick::sRGBColorspace);
  Rgb rgb{static_cast<int>(image.columns()), static_cast<int>(image.rows()), {}};
  rgb.bytes.resize(static_cast<std::size_t>(rgb.width) * rgb.height * 3);
  image.write(0, 0, image.columns(), image.rows(), "RGB", Magick::CharPixel, rgb.bytes.data());
  return rgb;
}

Magick::Image ToImage(const Rgb& rgb) {
  return Magick::Image(rgb.width, rgb.height, "RGB", Magick::CharPixel, rgb.bytes.data());
}

Rgb DrawHighlight(const Rgb& background, std::uint32_t colour) {
  const std::array<double, 3> tint = {static_cast<double>(colour >> 16 & 0xFF), static_cast<double>(colour >> 8 & 0xFF),
                                      static_cast<double>(colour & 0xFF)};
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

// Where a file of the pair is written before it is renamed into place.
std::filesystem::path Unfinished(const std::filesystem::path& path) {
  return path.parent_path() / ("." + path.filename().string() + ".unfinished");
}

Outcome<> WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) return Fault{path.string() + ": cannot be written"};
  return {};
}

Outcome<ConvertedPair> Convert(const std::string& background_path, const std::optional<std::string>& highlight_path,
                               const ConversionStyle& style);

}  // namespace

Outcome<ConvertedPair> ConvertPair(const std::string& background_path, const std::optional<std::string>& highlight_path,
                                   const ConversionStyle& style) {
  try {
    return Convert(background_path, highlight_path, style);
  } catch (const Magick::Exception& e) {  // out of memory or a resource limit, say
    return Fault{background_path + ": cannot be converted (" + e.what() + ")"};
  }
}

Outcome<> CheckNotOverwritten(const std::string& dir, const std::string& preview,
                              const std::vector<std::string>& pictures) {
  std::vector<std::filesystem::path> outputs = {std::filesystem::path(dir) / "background.bmp",
                                                std::filesystem::path(dir) / "highlight.bmp"};
  if (!preview.empty()) outputs.emplace_back(preview);
  for (const std::filesystem::path& output : outputs)
    for (const std::string& picture : pictures) {
      std::error_code ec;
      if (std::filesystem::equivalent(output, picture, ec))
        return Fault{picture + ": the picture to convert would be written over by " + output.string() +
                     "; write elsewhere (--out, --preview) or move the picture"};
    }
  return {};
}

Outcome<> WritePair(const ConvertedPair& pair, const std::string& dir) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(dir, ec);
  const std::pair<fs::path, const Picture*> files[] = {{fs::path(dir) / "background.bmp", &pair.background},
                                                       {fs::path(dir) / "highlight.bmp", &pair.highlight}};
  auto remove_unfinished = [&files] {
    std::error_code ignored;
    for (const auto& [path, picture] : files) fs::remove(Unfinished(path), ignored);
  };
  for (const auto& [path, picture] : files)
    if (Outcome<> written = WriteFile(Unfinished(path), BitmapFile(*picture, 256, BitmapCompression::kNone));
        !written) {
      remove_unfinished();
      return Fault{path.string() + ": cannot be written; the folder keeps the pictures it held"};
    }
  for (const auto& [path, picture] : files) {
    fs::rename(Unfinished(path), path, ec);
    if (ec) {
      remove_unfinished();
      return Fault{path.string() + ": cannot be put in place (" + ec.message() + ")"};
    }
  }
  return {};
}

namespace {

Outcome<ConvertedPair> Convert(const std::string& background_path, const std::optional<std::string>& highlight_path,
                               const ConversionStyle& style) {
  ConvertedPair result;
  const Artwork design = BuiltInArtwork();
  const int width = design.background.width, height = design.background.height;

  Outcome<DecodedPicture> background_picture = ReadPicture(background_path, width, height, style.matte);
  if (!background_picture) return Fault{background_picture.fault()};
  const Rgb& background = background_picture->rgb;
  result.warnings = background_picture->warnings;
  Rgb highlight;
  if (highlight_path) {
    Outcome<DecodedPicture> highlight_picture = ReadPicture(*highlight_path, width, height, style.matte);
    if (!highlight_picture) return Fault{highlight_picture.fault()};
    highlight = std::move(highlight_picture->rgb);
    result.warnings.insert(result.warnings.end(), highlight_picture->warnings.begin(), highlight_picture->warnings.end());
  } else {
    Outcome<std::uint32_t> colour = ParseColour(style.highlight_colour);
    if (!colour) return Fault{colour.fault()};
    highlight = DrawHighlight(background, *colour);
  }

  const Magick::Image map = ChooseColours(Shown(background, highlight));
  const Rgb map_rgb = ToRgb(map);

  Picture& back_out = result.background;
  Picture& high_out = result.highlight;
  back_out.width = high_out.width = width;
  back_out.height = high_out.height = height;
  std::unordered_map<std::uint32_t, std::uint8_t> palette;
  for (std::size_t i = 0; i < map_rgb.bytes.size(); i += 3) {
    const std::uint32_t colour = Packed(&map_rgb.bytes[i]);
    if (palette.contains(colour)) continue;
    if (palette.size() == back_out.palette.size())
      return Fault{background_path + ": the colour reduction left more than 256 colours"};
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
  if (!back_indices || !high_indices)
    return Fault{background_path + ": the colour reduction gave colours outside its own table"};
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

  return result;
}

}  // namespace
}  // namespace tarvelin
