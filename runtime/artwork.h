#pragma once

// The menu's two pictures: where they come from (a folder beside the program, or the pair built
// in) and whether a pair fits the hot spots it must show.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "runtime/form.h"
#include "runtime/picture.h"

namespace tarvelin {

// The two pictures the window is drawn from: the menu as it rests, and the same menu with every
// entry highlighted. They share one size and one colour table.
struct Artwork {
  Picture background;
  Picture highlight;
};

// The largest picture file read, by the programs from a folder and by the author's tool in any
// format it reads: RLE8 at its worst takes two bytes a pixel of the largest picture
// (kMaxBitmapSide).
inline constexpr std::size_t kMaxArtFileBytes = 2 * std::size_t{kMaxBitmapSide} * kMaxBitmapSide + 65536;

// A pair of pictures checked against the menu: the pair, or the first fault found.
struct ArtworkFit {
  std::optional<Artwork> art;
  // When the pair does not fit: the file and the fault, as "highlight.bmp: its colour table differs
  // from the one of background.bmp".
  std::string fault;
};

// The one set of rules for a pair that fits the menu, for the build, tarvelin-art and both
// programs: both files decode as 8-bit bitmaps of at most kMaxBitmapSide x kMaxBitmapSide pixels, of one
// size and one colour table, and every hot spot of |layout| lies inside them. The names are used
// in the fault only.
ArtworkFit FitArtwork(std::span<const std::uint8_t> background, const std::string& background_name,
                      std::span<const std::uint8_t> highlight, const std::string& highlight_name,
                      std::span<const HotSpotDesign> layout);

// A picture file as a provider read it from a folder.
struct ArtFile {
  enum class State { Absent, Refused, Read };
  State state = State::Absent;
  std::vector<std::uint8_t> bytes;  // when Read
  std::string fault;                // when Refused: why, as "not a regular file"
};
using ArtFileReader = std::function<ArtFile(const std::string& path)>;

// The pair background.bmp and highlight.bmp in |directory| when both are there and fit |layout|.
// Nothing when neither is there; nothing, with |fault| saying why, when they are there and cannot
// be used.
std::optional<Artwork> ArtworkInFolder(const std::string& directory, char separator, const ArtFileReader& read,
                                       std::span<const HotSpotDesign> layout, std::string& fault);

// The pair compiled into the program.
Artwork BuiltInArtwork();

// The files compiled into the program from the art folder at build time: the two pictures as RLE8
// bitmap files of the same pictures and colour table (a fifth of the size), the icon as it is.
std::span<const std::uint8_t> BuiltInBackgroundBitmap();
std::span<const std::uint8_t> BuiltInHighlightBitmap();
std::span<const std::uint8_t> BuiltInIcon();

}  // namespace tarvelin
