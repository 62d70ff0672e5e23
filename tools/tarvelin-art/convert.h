#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "files_in_place.h"
#include "runtime/picture.h"
#include "tools/common/outcome.h"

namespace tarvelin {

// How an author's pictures become the menu's pair.
struct ConversionStyle {
  bool dither = true;                        // error diffusion; off gives flat areas and sharper text
  std::string highlight_colour = "#ffcc00";  // lights the hot spots when the highlight is drawn
  std::optional<std::uint32_t> matte;        // 0xRRGGBB behind transparent pixels; none refuses them
};

struct ConvertedPair {
  Picture background;
  Picture highlight;
  double background_psnr = 0;  // dB, over the whole background
  double highlight_psnr = 0;   // dB, over the hot-spot pieces of the highlight, the pixels that show
  std::vector<std::string> warnings;
};

// Turns pictures of the menu's size (see picture_file.h) into the menu's pair: 8-bit pictures with
// one colour table, chosen for the pixels that show. Without |highlight| the highlight picture is
// drawn from the background, each hot spot lit in the style's colour. Nothing is written.
Outcome<ConvertedPair> ConvertPair(const std::string& background, const std::optional<std::string>& highlight,
                                   const ConversionStyle& style);

// The fault when writing the pair into |dir|, or the preview to |preview| (if not empty), would
// write over one of |pictures|, the author's own.
Outcome<> CheckNotOverwritten(const std::string& dir, const std::string& preview,
                              const std::vector<std::string>& pictures);

// The pair as the files background.bmp and highlight.bmp, uncompressed 8-bit bitmaps.
std::vector<FileToWrite> PairFiles(const ConvertedPair& pair);

// Writes the pair's files in |dir|, made if missing, as PutFilesInPlace writes: the folder holds
// either the pair it held or the new one, never a cut-off file.
Outcome<> WritePair(const ConvertedPair& pair, const std::string& dir);

}  // namespace tarvelin
