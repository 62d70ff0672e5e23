// tarvelin-art: checks that a pair of pictures fits the menu, and draws a preview of where the
// highlights fall, so a disc author can see it before building or burning anything.

#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "menu/layout.h"
#include "png.h"
#include "runtime/artwork.h"

namespace {

using tarvelin::Picture;

constexpr const char* kUsage =
    "Usage: tarvelin-art [--preview PREVIEW.png] BACKGROUND.bmp HIGHLIGHT.bmp\n"
    "\n"
    "Checks that two pictures fit the menu: both 8-bit Windows bitmaps (uncompressed or RLE8) of\n"
    "the same size (at most 4096 x 4096) with the same colour table, and every entry and the exit\n"
    "button inside them: the rules the build and the menu itself apply.\n"
    "With --preview, also writes a PNG of both pictures, one above the other, with the six\n"
    "hot-spot rectangles outlined.\n"
    "\n"
    "Exit status: 0 when the pair fits, 1 when it does not, 2 when the command is wrong.\n";

constexpr std::uint32_t kOutline = 0xFF00FF;

std::optional<std::vector<std::uint8_t>> Load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "%s: cannot be read\n", path.c_str());
    return std::nullopt;
  }
  // One byte past the limit shows a file too large for the menu, without reading all of it.
  std::vector<std::uint8_t> bytes(tarvelin::kMaxArtFileBytes + 1);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  if (bytes.size() > tarvelin::kMaxArtFileBytes) {
    std::fprintf(stderr, "%s: larger than the %zu bytes a picture of the menu can take\n", path.c_str(),
                 tarvelin::kMaxArtFileBytes);
    return std::nullopt;
  }
  return bytes;
}

// The pair when it fits the menu, by the rules the build and the programs apply; else the fault is
// reported.
std::optional<tarvelin::Artwork> Fits(const std::vector<std::uint8_t>& back, const std::string& back_path,
                                      const std::vector<std::uint8_t>& high, const std::string& high_path) {
  tarvelin::ArtworkFit fit = tarvelin::FitArtwork(back, back_path, high, high_path, tarvelin::kHotSpotLayout);
  if (!fit.art) {
    std::fprintf(stderr, "%s\n", fit.fault.c_str());
    return std::nullopt;
  }
  for (const tarvelin::HotSpotDesign& spot : tarvelin::kHotSpotLayout) {
    bool differs = false;
    for (int y = static_cast<int>(spot.Top); y < spot.Top + spot.Height && !differs; ++y)
      for (int x = static_cast<int>(spot.Left); x < spot.Left + spot.Width && !differs; ++x)
        differs = fit.art->background.Index(x, y) != fit.art->highlight.Index(x, y);
    if (!differs)
      std::fprintf(stderr, "warning: hot spot %d looks the same in both pictures, so its highlight will not show\n",
                   spot.Index);
  }
  return std::move(fit.art);
}

void Outline(std::vector<std::uint32_t>& pixels, int width, int top, const tarvelin::HotSpotDesign& spot) {
  const int x0 = static_cast<int>(spot.Left), y0 = top + static_cast<int>(spot.Top);
  const int x1 = x0 + static_cast<int>(spot.Width) - 1, y1 = y0 + static_cast<int>(spot.Height) - 1;
  for (int x = x0; x <= x1; ++x) pixels[static_cast<std::size_t>(y0) * width + x] = pixels[static_cast<std::size_t>(y1) * width + x] = kOutline;
  for (int y = y0; y <= y1; ++y) pixels[static_cast<std::size_t>(y) * width + x0] = pixels[static_cast<std::size_t>(y) * width + x1] = kOutline;
}

bool WritePreview(const std::string& path, const Picture& back, const Picture& high) {
  const int w = back.width, h = back.height;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * h * 2);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      pixels[static_cast<std::size_t>(y) * w + x] = back.Colour(x, y);
      pixels[static_cast<std::size_t>(y + h) * w + x] = high.Colour(x, y);
    }
  for (const tarvelin::HotSpotDesign& spot : tarvelin::kHotSpotLayout) {
    Outline(pixels, w, 0, spot);
    Outline(pixels, w, h, spot);
  }
  std::ofstream out(path, std::ios::binary);
  const std::string png = tarvelin::EncodePng(w, h * 2, pixels);
  out.write(png.data(), static_cast<std::streamsize>(png.size()));
  if (!out.flush()) {
    std::fprintf(stderr, "%s: cannot be written\n", path.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string preview;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--preview" && i + 1 < argc) {
      preview = argv[++i];
    } else if (arg.starts_with("-") && arg != "-") {
      std::fprintf(stderr, "tarvelin-art: unknown option %s\n\n%s", arg.c_str(), kUsage);
      return 2;
    } else {
      files.push_back(arg);
    }
  }
  if (files.size() != 2) {
    std::fprintf(stderr, "tarvelin-art: give two pictures, the background and the highlight\n\n%s", kUsage);
    return 2;
  }
  const std::optional<std::vector<std::uint8_t>> back_file = Load(files[0]);
  const std::optional<std::vector<std::uint8_t>> high_file = Load(files[1]);
  if (!back_file || !high_file) return 1;
  const std::optional<tarvelin::Artwork> art = Fits(*back_file, files[0], *high_file, files[1]);
  if (!art) return 1;
  if (!preview.empty() && !WritePreview(preview, art->background, art->highlight)) return 1;
  std::printf("%s and %s fit the menu (%d x %d)%s%s\n", files[0].c_str(), files[1].c_str(), art->background.width,
              art->background.height,
              preview.empty() ? "" : "; preview: ", preview.c_str());
  return 0;
}
