// The rules for a pair of pictures that fits the menu. Kept apart from the pictures compiled into
// the program, so that the build's own check (tools/check-art) can link them before those exist.

#include <cmath>

#include "runtime/artwork.h"

namespace tarvelin {
namespace {

// A hot spot's edge, in the whole pixels the layout is drawn in. (No printf: on Windows its
// floating-point formatting would be a third of the program.)
std::string Pixels(float value) { return std::to_string(std::lround(value)); }

std::string Size(std::int64_t width, std::int64_t height) {
  return std::to_string(width) + " x " + std::to_string(height);
}

// The picture in |file|, or the fault with |name| in front.
std::optional<Picture> Decode(std::span<const std::uint8_t> file, const std::string& name, std::string& fault) {
  // By its header first: a few bytes may declare a picture of gigabytes.
  if (const std::optional<BitmapHeader> header = ReadBitmapHeader(file);
      header && (header->width > kMaxBitmapSide || header->height > kMaxBitmapSide)) {
    fault = name + ": " + Size(header->width, header->height) + " pixels; the menu takes pictures of at most " +
            Size(kMaxBitmapSide, kMaxBitmapSide);
    return std::nullopt;
  }
  DecodedBitmap decoded = DecodeBitmap(file);
  if (decoded) return std::move(decoded.picture);
  const std::optional<BitmapHeader> header = ReadBitmapHeader(file);
  if (decoded.error == BitmapError::NotEightBit && header && header->bits != 8)
    fault = name + ": " + std::to_string(header->bits) + " bits per pixel; the menu needs 8";
  else
    fault = name + ": " + Describe(decoded.error);
  return std::nullopt;
}

bool Inside(const HotSpotDesign& spot, const Picture& picture) {
  return spot.Left >= 0 && spot.Top >= 0 && spot.Width >= 0 && spot.Height >= 0 &&
         spot.Left + spot.Width <= static_cast<float>(picture.width) &&
         spot.Top + spot.Height <= static_cast<float>(picture.height);
}

}  // namespace

ArtworkFit FitArtwork(std::span<const std::uint8_t> background, const std::string& background_name,
                      std::span<const std::uint8_t> highlight, const std::string& highlight_name,
                      std::span<const HotSpotDesign> layout) {
  ArtworkFit fit;
  std::optional<Picture> back = Decode(background, background_name, fit.fault);
  if (!back) return fit;
  std::optional<Picture> high = Decode(highlight, highlight_name, fit.fault);
  if (!high) return fit;
  if (back->width != high->width || back->height != high->height) {
    fit.fault = highlight_name + ": " + Size(high->width, high->height) + ", but " + background_name + " is " +
                Size(back->width, back->height);
    return fit;
  }
  if (back->palette != high->palette) {
    fit.fault = highlight_name + ": its colour table differs from the one of " + background_name;
    return fit;
  }
  for (const HotSpotDesign& spot : layout) {
    if (Inside(spot, *back)) continue;
    fit.fault = background_name + ": hot spot " + std::to_string(spot.Index) + " (" + Pixels(spot.Left) + ", " +
                Pixels(spot.Top) + ", " + Pixels(spot.Width) + " x " + Pixels(spot.Height) + ") lies outside the " +
                Size(back->width, back->height) + " picture";
    return fit;
  }
  fit.art = Artwork{std::move(*back), std::move(*high)};
  return fit;
}

std::optional<Artwork> ArtworkInFolder(const std::string& directory, char separator, const ArtFileReader& read,
                                       std::span<const HotSpotDesign> layout, std::string& fault) {
  // No folder given, nothing to look in: a bare file name would be looked for wherever the menu
  // happens to run.
  if (directory.empty()) return std::nullopt;
  std::string folder = directory;
  if (folder.back() != separator) folder += separator;
  const std::string names[2] = {folder + "background.bmp", folder + "highlight.bmp"};
  const ArtFile files[2] = {read(names[0]), read(names[1])};
  if (files[0].state == ArtFile::State::Absent && files[1].state == ArtFile::State::Absent) return std::nullopt;
  for (int i = 0; i < 2; ++i) {
    if (files[i].state == ArtFile::State::Read) continue;
    const std::string& other = names[1 - i];
    fault = names[i] + ": " +
            (files[i].state == ArtFile::State::Absent ? "missing, though " + other + " is there" : files[i].fault);
    return std::nullopt;
  }
  ArtworkFit fit = FitArtwork(files[0].bytes, names[0], files[1].bytes, names[1], layout);
  if (!fit.art) fault = std::move(fit.fault);
  return std::move(fit.art);
}

}  // namespace tarvelin
