// check-art: the build's check of the pictures it is given, with the same rules and the same hot
// spots as the programs, because it is compiled from their sources: menu/layout.h as the compiler
// reads it, whichever way its rows are written.
//   check-art BACKGROUND.bmp HIGHLIGHT.bmp
// Exit status 0 when the pair fits; 1 with the file and the fault on standard error otherwise.
//   check-art --hot-spots
// Prints the hot spots, one a line: INDEX LEFT TOP WIDTH HEIGHT in window pixels. The build keeps
// this table for the test scripts and benchmarks, so that the layout is written down only once.

#include <cstdio>
#include <string>
#include <vector>

#include "menu/layout.h"
#include "runtime/artwork.h"
#include "tools/common/capped_file.h"

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--hot-spots") {
    for (const tarvelin::HotSpotDesign& spot : tarvelin::kHotSpotLayout)
      std::printf("%d %g %g %g %g\n", spot.Index, spot.Left, spot.Top, spot.Width, spot.Height);
    return 0;
  }
  if (argc != 3) {
    std::fprintf(stderr, "usage: check-art BACKGROUND.bmp HIGHLIGHT.bmp\n       check-art --hot-spots\n");
    return 2;
  }
  tarvelin::Outcome<std::vector<std::uint8_t>> files[2];
  for (int i = 0; i < 2; ++i) {
    files[i] = tarvelin::ReadCappedFile(argv[i + 1], tarvelin::kMaxArtFileBytes, "a picture of the menu can take");
    if (!files[i]) {
      std::fprintf(stderr, "%s\n", files[i].fault().c_str());
      return 1;
    }
  }
  const tarvelin::ArtworkFit fit =
      tarvelin::FitArtwork(*files[0], argv[1], *files[1], argv[2], tarvelin::kHotSpotLayout);
  if (!fit.art) {
    std::fprintf(stderr, "%s\n", fit.fault.c_str());
    return 1;
  }
  return 0;
}
