// bmp-rle8: rewrites an 8-bit bitmap as an RLE8 bitmap of the same picture and colour table.
//   bmp-rle8 INPUT.bmp OUTPUT.bmp
// The build runs it on the menu's pictures. It decodes what it wrote and fails unless that is the
// input's picture pixel for pixel, so a fault in the encoder stops the build instead of reaching
// the screen.

#include <cstdio>
#include <fstream>
#include <vector>

#include "runtime/artwork.h"
#include "runtime/little_endian.h"
#include "runtime/picture.h"
#include "tools/common/bitmap_file.h"
#include "tools/common/capped_file.h"

namespace {

int Fail(const char* path, const char* fault) {
  std::fprintf(stderr, "bmp-rle8: %s: %s\n", path, fault);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bmp-rle8 INPUT.bmp OUTPUT.bmp\n");
    return 2;
  }
  const tarvelin::Outcome<std::vector<std::uint8_t>> file =
      tarvelin::ReadCappedFile(argv[1], tarvelin::kMaxArtFileBytes, "a picture of the menu can take");
  if (!file) {
    std::fprintf(stderr, "bmp-rle8: %s\n", file.fault().c_str());
    return 1;
  }
  const std::vector<std::uint8_t>& bytes = *file;
  const tarvelin::DecodedBitmap input = tarvelin::DecodeBitmap(bytes);
  if (!input) return Fail(argv[1], tarvelin::Describe(input.error));

  // The same number of colour table entries as the input has.
  const std::uint32_t used = tarvelin::ReadLe32(bytes, 46);
  const std::vector<std::uint8_t> packed = tarvelin::BitmapFile(input.picture, used == 0 ? 256 : static_cast<int>(used), tarvelin::BitmapCompression::kRle8);

  const tarvelin::DecodedBitmap check = tarvelin::DecodeBitmap(packed);
  if (!check || !tarvelin::SameSizeAndColours(check.picture, input.picture) || check.picture.pixels != input.picture.pixels)
    return Fail(argv[2], "the encoded picture does not decode to the input");

  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(packed.data()), static_cast<std::streamsize>(packed.size()));
  if (!out.flush()) return Fail(argv[2], "cannot be written");
  return 0;
}
