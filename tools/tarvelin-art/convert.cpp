#include "convert.h"

#include <libimagequant.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <new>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "menu/layout.h"
#include "picture_file.h"
#include "runtime/artwork.h"
#include "tools/common/bitmap_file.h"
#include "tools/common/utf8_path.h"

namespace tarvelin {
namespace {

// The highlight drawn from a background: the spot brightened and tinted with the colour, inside a
// one-pixel outline of the colour.
constexpr double kBrighten = 0.25;
constexpr double kTint = 0.35;

constexpr std::size_t kTableSize = 256;

// Refining steps after libimagequant's choice; the error hardly drops after a few.
constexpr int kRefiningSteps = 2;

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

Rgb Piece(const Rgb& picture, const Spot& s) {
  Rgb piece{s.width, s.height, {}};
  for (int y = s.top; y < s.top + s.height; ++y) {
    const std::uint8_t* from = picture.At(s.left, y);
    piece.bytes.insert(piece.bytes.end(), from, from + static_cast<std::size_t>(s.width) * 3);
  }
  return piece;
}

// The pixels that show: the whole background, and each hot-spot piece of the highlight.
std::vector<Rgb> Shown(const Rgb& background, const Rgb& highlight) {
  std::vector<Rgb> shown = {background};
  for (const Spot& s : HotSpots()) shown.push_back(Piece(highlight, s));
  return shown;
}

// The colours of |images| when there are no more than a table holds, so that such pictures come
// through exactly.
std::optional<std::vector<std::uint32_t>> FewColours(const std::vector<Rgb>& images) {
  std::unordered_set<std::uint32_t> seen;
  std::vector<std::uint32_t> colours;
  for (const Rgb& image : images)
    for (std::size_t i = 0; i < image.bytes.size(); i += 3)
      if (seen.insert(Packed(&image.bytes[i])).second) {
        if (colours.size() == kTableSize) return std::nullopt;
        colours.push_back(Packed(&image.bytes[i]));
      }
  return colours;
}

// libimagequant's objects, each freed by its own function.
template <typename T, void (*Free)(T*)>
struct Freed {
  void operator()(T* object) const { Free(object); }
};
using Attributes = std::unique_ptr<liq_attr, Freed<liq_attr, liq_attr_destroy>>;
using Histogram = std::unique_ptr<liq_histogram, Freed<liq_histogram, liq_histogram_destroy>>;
using QuantImage = std::unique_ptr<liq_image, Freed<liq_image, liq_image_destroy>>;
using Quantized = std::unique_ptr<liq_result, Freed<liq_result, liq_result_destroy>>;

// An opaque picture as libimagequant reads it; |rgba| must outlive the image.
QuantImage ImageOf(const Rgb& rgb, std::vector<std::uint8_t>& rgba, const Attributes& attributes) {
  rgba.clear();
  rgba.reserve(rgb.bytes.size() / 3 * 4);
  for (std::size_t i = 0; i < rgb.bytes.size(); i += 3) {
    rgba.insert(rgba.end(), rgb.bytes.begin() + i, rgb.bytes.begin() + i + 3);
    rgba.push_back(255);
  }
  return QuantImage(liq_image_create_rgba(attributes.get(), rgba.data(), rgb.width, rgb.height, 0));
}

// libimagequant's table for all of |shown| together, as it chooses for one picture.
Outcome<std::vector<std::uint32_t>> ChooseColours(const std::vector<Rgb>& shown) {
  const Attributes attributes(liq_attr_create());
  const Histogram histogram(liq_histogram_create(attributes.get()));
  if (!attributes || !histogram) return Fault{"out of memory"};
  for (const Rgb& picture : shown) {
    std::vector<std::uint8_t> rgba;
    const QuantImage image = ImageOf(picture, rgba, attributes);
    if (!image || liq_histogram_add_image(histogram.get(), attributes.get(), image.get()) != LIQ_OK)
      return Fault{"the colours cannot be counted"};
  }
  liq_result* chosen = nullptr;
  if (liq_histogram_quantize(histogram.get(), attributes.get(), &chosen) != LIQ_OK)
    return Fault{"no colour table could be chosen"};
  const Quantized result(chosen);
  const liq_palette* palette = liq_get_palette(result.get());
  std::vector<std::uint32_t> table;
  for (unsigned i = 0; i < palette->count; ++i) {
    const liq_color& c = palette->entries[i];
    table.push_back(static_cast<std::uint32_t>(c.r) << 16 | c.g << 8 | c.b);
  }
  return table;
}

// |picture| in the colours of |table|, as indices, with libimagequant's error diffusion. The table
// is given to libimagequant as fixed colours, which its remapping keeps as they are, so that every
// picture of the pair uses the very same table.
Outcome<std::vector<std::uint8_t>> Dithered(const Rgb& picture, const std::vector<std::uint32_t>& table) {
  const Attributes attributes(liq_attr_create());
  if (!attributes || liq_set_max_colors(attributes.get(), static_cast<int>(table.size())) != LIQ_OK)
    return Fault{"out of memory"};
  std::vector<std::uint8_t> rgba;
  const QuantImage image = ImageOf(picture, rgba, attributes);
  if (!image) return Fault{"out of memory"};
  std::unordered_map<std::uint32_t, std::uint8_t> index_of;
  for (std::size_t i = 0; i < table.size(); ++i) {
    const std::uint32_t c = table[i];
    index_of.emplace(c, static_cast<std::uint8_t>(i));
    if (liq_image_add_fixed_color(image.get(), liq_color{static_cast<unsigned char>(c >> 16),
                                                         static_cast<unsigned char>(c >> 8 & 0xFF),
                                                         static_cast<unsigned char>(c & 0xFF), 255}) != LIQ_OK)
      return Fault{"the colour table cannot be given"};
  }
  liq_result* fixed = nullptr;
  if (liq_image_quantize(image.get(), attributes.get(), &fixed) != LIQ_OK) return Fault{"the colours cannot be mapped"};
  const Quantized result(fixed);
  liq_set_dithering_level(result.get(), 1.0f);
  std::vector<std::uint8_t> indices(static_cast<std::size_t>(picture.width) * picture.height);
  if (liq_write_remapped_image(result.get(), image.get(), indices.data(), indices.size()) != LIQ_OK)
    return Fault{"the colours cannot be mapped"};
  // Its own order of the table, in ours.
  const liq_palette* palette = liq_get_palette(result.get());
  std::array<std::uint8_t, kTableSize> ours{};
  for (unsigned i = 0; i < palette->count; ++i) {
    const liq_color& c = palette->entries[i];
    const auto found = index_of.find(static_cast<std::uint32_t>(c.r) << 16 | c.g << 8 | c.b);
    if (found == index_of.end()) return Fault{"the colour reduction gave colours outside its own table"};
    ours[i] = found->second;
  }
  for (std::uint8_t& index : indices) index = ours[index];
  return indices;
}

// The index of the colour of |table| nearest to |colour|, the one of smallest error.
std::uint8_t NearestIndex(std::uint32_t colour, const std::vector<std::uint32_t>& table) {
  int best = 3 * 255 * 255 + 1;
  std::uint8_t nearest = 0;
  for (std::size_t n = 0; n < table.size(); ++n) {
    int distance = 0;
    for (int shift : {16, 8, 0}) {
      const int d = static_cast<int>(colour >> shift & 0xFF) - static_cast<int>(table[n] >> shift & 0xFF);
      distance += d * d;
    }
    if (distance < best) best = distance, nearest = static_cast<std::uint8_t>(n);
  }
  return nearest;
}

// |picture| with every pixel its nearest colour of |table|.
std::vector<std::uint8_t> Nearest(const Rgb& picture, const std::vector<std::uint32_t>& table) {
  std::unordered_map<std::uint32_t, std::uint8_t> found;
  std::vector<std::uint8_t> indices;
  indices.reserve(static_cast<std::size_t>(picture.width) * picture.height);
  for (std::size_t i = 0; i < picture.bytes.size(); i += 3) {
    const std::uint32_t colour = Packed(&picture.bytes[i]);
    auto [at, added] = found.try_emplace(colour, 0);
    if (added) at->second = NearestIndex(colour, table);
    indices.push_back(at->second);
  }
  return indices;
}

// |table| with each colour moved to the mean of the shown pixels nearest to it, steps of k-means.
// libimagequant refines its table so while remapping, but for one picture at a time; this lowers
// the error of all the pixels that show at once.
std::vector<std::uint32_t> Refined(std::vector<std::uint32_t> table, const std::vector<Rgb>& shown) {
  std::unordered_map<std::uint32_t, double> counts;
  for (const Rgb& picture : shown)
    for (std::size_t i = 0; i < picture.bytes.size(); i += 3) counts[Packed(&picture.bytes[i])] += 1;
  for (int step = 0; step < kRefiningSteps; ++step) {
    std::vector<std::array<double, 4>> sums(table.size());  // red, green, blue, count
    for (const auto& [colour, count] : counts) {
      std::array<double, 4>& sum = sums[NearestIndex(colour, table)];
      for (int c = 0; c < 3; ++c) sum[c] += (colour >> (16 - 8 * c) & 0xFF) * count;
      sum[3] += count;
    }
    for (std::size_t n = 0; n < table.size(); ++n)
      if (sums[n][3] > 0) {
        table[n] = 0;
        for (int c = 0; c < 3; ++c)
          table[n] = table[n] << 8 | static_cast<std::uint32_t>(std::lround(sums[n][c] / sums[n][3]));
      }
  }
  return table;
}

Rgb Colours(const std::vector<std::uint8_t>& indices, const std::vector<std::uint32_t>& table, int width, int height) {
  Rgb rgb{width, height, {}};
  rgb.bytes.reserve(indices.size() * 3);
  for (std::uint8_t index : indices)
    for (int shift : {16, 8, 0}) rgb.bytes.push_back(static_cast<std::uint8_t>(table[index] >> shift & 0xFF));
  return rgb;
}

// Gives the pair, whose pixels index |table|, a table of the colours they use in the order of their
// values, so that converting the tool's own output again gives the very same files.
void SetTable(Picture& background, Picture& highlight, const std::vector<std::uint32_t>& table) {
  std::array<bool, kTableSize> used{};
  for (const Picture* picture : {&background, &highlight})
    for (std::uint8_t index : picture->pixels) used[index] = true;
  std::vector<std::uint32_t> colours;
  for (std::size_t i = 0; i < table.size(); ++i)
    if (used[i]) colours.push_back(table[i]);
  std::sort(colours.begin(), colours.end());
  colours.erase(std::unique(colours.begin(), colours.end()), colours.end());
  std::array<std::uint8_t, kTableSize> moved{};
  for (std::size_t i = 0; i < table.size(); ++i)
    moved[i] = static_cast<std::uint8_t>(std::lower_bound(colours.begin(), colours.end(), table[i]) - colours.begin());
  for (Picture* picture : {&background, &highlight}) {
    for (std::uint8_t& index : picture->pixels) index = moved[index];
    picture->palette = {};
    std::copy(colours.begin(), colours.end(), picture->palette.begin());
  }
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

Outcome<ConvertedPair> Convert(const std::string& background_path, const std::optional<std::string>& highlight_path,
                               const ConversionStyle& style);

}  // namespace

Outcome<ConvertedPair> ConvertPair(const std::string& background_path, const std::optional<std::string>& highlight_path,
                                   const ConversionStyle& style) {
  try {
    return Convert(background_path, highlight_path, style);
  } catch (const std::bad_alloc&) {
    return Fault{background_path + ": cannot be converted (out of memory)"};
  }
}

Outcome<> CheckNotOverwritten(const std::string& dir, const std::string& preview,
                              const std::vector<std::string>& pictures) {
  std::vector<std::filesystem::path> outputs = {PathOf(dir) / "background.bmp", PathOf(dir) / "highlight.bmp"};
  if (!preview.empty()) outputs.push_back(PathOf(preview));
  for (const std::filesystem::path& output : outputs)
    for (const std::string& picture : pictures) {
      std::error_code ec;
      if (std::filesystem::equivalent(output, PathOf(picture), ec))
        return Fault{picture + ": the picture to convert would be written over by " + NameOf(output) +
                     "; write elsewhere (--out, --preview) or move the picture"};
    }
  return {};
}

std::vector<FileToWrite> PairFiles(const ConvertedPair& pair) {
  std::vector<FileToWrite> files;
  for (const auto& [name, picture] : {std::pair{"background.bmp", &pair.background}, {"highlight.bmp", &pair.highlight}}) {
    const std::vector<std::uint8_t> bytes = BitmapFile(*picture, 256, BitmapCompression::kNone);
    files.push_back({name, std::string(bytes.begin(), bytes.end()), "", false});
  }
  return files;
}

Outcome<> WritePair(const ConvertedPair& pair, const std::string& dir) { return PutFilesInPlace(dir, PairFiles(pair)); }

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

  const std::vector<Rgb> shown = Shown(background, highlight);
  const std::optional<std::vector<std::uint32_t>> few = FewColours(shown);
  Outcome<std::vector<std::uint32_t>> chosen = few ? Outcome<std::vector<std::uint32_t>>(*few) : ChooseColours(shown);
  if (!chosen) return Fault{background_path + ": cannot be converted (" + chosen.fault() + ")"};
  const std::vector<std::uint32_t> table = few ? *chosen : Refined(*chosen, shown);
  // A table that holds every colour needs no dithering; without dithering, each pixel gets its
  // nearest colour.
  auto remap = [&](const Rgb& picture) -> Outcome<std::vector<std::uint8_t>> {
    if (few || !style.dither) return Nearest(picture, table);
    return Dithered(picture, table);
  };

  Picture& back_out = result.background;
  Picture& high_out = result.highlight;
  back_out.width = high_out.width = width;
  back_out.height = high_out.height = height;
  Outcome<std::vector<std::uint8_t>> back_indices = remap(background);
  if (!back_indices) return Fault{background_path + ": cannot be converted (" + back_indices.fault() + ")"};
  back_out.pixels = std::move(*back_indices);
  // Outside the hot spots the highlight picture never shows; it repeats the background there. Each
  // piece is remapped on its own, so that no error diffuses into it from pixels that never show.
  high_out.pixels = back_out.pixels;
  const std::vector<Spot> spots = HotSpots();
  for (std::size_t n = 0; n < spots.size(); ++n) {
    const Spot& s = spots[n];
    Outcome<std::vector<std::uint8_t>> piece = remap(shown[n + 1]);
    if (!piece) return Fault{background_path + ": cannot be converted (" + piece.fault() + ")"};
    for (int y = 0; y < s.height; ++y)
      std::copy_n(piece->begin() + static_cast<std::ptrdiff_t>(y) * s.width, s.width,
                  high_out.pixels.begin() + static_cast<std::ptrdiff_t>(s.top + y) * width + s.left);
  }

  result.background_psnr = Psnr(background, Colours(back_out.pixels, table, width, height), {{0, 0, width, height}});
  result.highlight_psnr = Psnr(highlight, Colours(high_out.pixels, table, width, height), spots);
  SetTable(back_out, high_out, table);
  return result;
}

}  // namespace
}  // namespace tarvelin
