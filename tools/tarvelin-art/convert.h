#pragma once

#include <optional>
#include <string>

namespace tarvelin {

// How an author's pictures become the menu's pair.
struct ConversionStyle {
  bool dither = true;                     // error diffusion; off gives flat areas and sharper text
  std::string highlight_colour = "#ffcc00";  // lights the hot spots when the highlight is drawn
};

struct Conversion {
  std::string error;  // "FILE: fault", empty on success
  double background_psnr = 0;  // dB, over the whole background
  double highlight_psnr = 0;   // dB, over the hot-spot pieces of the highlight, the pixels that show
};

// Turns any picture ImageMagick reads (PNG, JPEG, BMP of any depth, GIF, TIFF, ...) of the menu's
// size into background.bmp and highlight.bmp in |out_dir|: 8-bit uncompressed bitmaps with one
// colour table, chosen for the pixels that show. Without |highlight| the highlight picture is drawn
// from the background, each hot spot lit in the style's colour.
Conversion ConvertPair(const std::string& background, const std::optional<std::string>& highlight,
                       const ConversionStyle& style, const std::string& out_dir);

// Nothing when ImageMagick knows |colour| ("#ffcc00", "gold", "rgb(255,204,0)"), else the fault.
std::optional<std::string> CheckColour(const std::string& colour);

}  // namespace tarvelin
