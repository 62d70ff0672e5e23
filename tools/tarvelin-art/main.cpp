// tarvelin-art: checks that a pair of pictures fits the menu, and draws a preview of where the
// highlights fall, so a disc author can see it before building or burning anything.

#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "menu/layout.h"
#include "png.h"
#include "runtime/picture.h"

namespace {

using tarvelin::Picture;

constexpr const char* kUsage =
    "Usage: tarvelin-art [--preview PREVIEW.png] BACKGROUND.bmp HIGHLIGHT.bmp\n"
    "\n"
    "Checks that two pictures fit the menu: both 8-bit Windows bitmaps (uncompressed or RLE8) of\n"
    "the same size with the same colour table, and every entry and the exit button inside them.\n"
    "With --preview, also writes a PNG of both pictures, one above the other, with the six\n"
    "hot-spot rectangles outlined.\n"
    "\n"
    "Exit status: 0 when the pair fits, 1 when it does not, 2 when the command is wrong.\n";

constexpr std::uint32_t kOutline = 0xFF00FF;

std::optional<Picture> Load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "%s: cannot be read\n", path.c_str());
    return std::nullopt;
  }
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  tarvelin::DecodedBitmap decoded = tarvelin::DecodeBitmap(bytes);
  if (!decoded) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), tarvelin::Describe(decoded.error));
    return std::nullopt;
  }
  return std::move(decoded.picture);
}

// Reports every fault of the pair; true when it fits.
bool Fits(const Picture& back, const std::string& back_path, const Picture& high, const std::string& high_path) {
  bool fits = true;
  if (back.width != high.width || back.height != high.height) {
    std::fprintf(stderr, "%s: %d x %d, but %s is %d x %d\n", high_path.c_str(), high.width, high.height,
                 back_path.c_str(), back.width, back.height);
    return false;
  }
  if (back.palette != high.palette) {
    std::fprintf(stderr, "%s: its colour table differs from the one of %s\n", high_path.c_str(), back_path.c_str());
    fits = false;
  }
  for (const tarvelin::HotSpotDesign& spot : tarvelin::kHotSpotLayout) {
    if (spot.Left + spot.Width > back.width || spot.Top + spot.Height > back.height) {
      std::fprintf(stderr, "%s: hot spot %d (%g, %g, %g x %g) lies outside the %d x %d picture\n", back_path.c_str(),
                   spot.Index, spot.Left, spot.Top, spot.Width, spot.Height, back.width, back.height);
      fits = false;
      continue;
    }
    bool differs = false;
    for (int y = static_cast<int>(spot.Top); y < spot.Top + spot.Height && !differs; ++y)
      for (int x = static_cast<int>(spot.Left); x < spot.Left + spot.Width && !differs; ++x)
        differs = back.Index(x, y) != high.Index(x, y);
    if (!differs)
      std::fprintf(stderr, "warning: hot spot %d looks the same in both pictures, so its highlight will not show\n",
                   spot.Index);
  }
  return fits;
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
  const std::optional<Picture> back = Load(files[0]);
  const std::optional<Picture> high = Load(files[1]);
  if (!back || !high || !Fits(*back, files[0], *high, files[1])) return 1;
  if (!preview.empty() && !WritePreview(preview, *back, *high)) return 1;
  std::printf("%s and %s fit the menu (%d x %d)%s%s\n", files[0].c_str(), files[1].c_str(), back->width, back->height,
              preview.empty() ? "" : "; preview: ", preview.c_str());
  return 0;
}
