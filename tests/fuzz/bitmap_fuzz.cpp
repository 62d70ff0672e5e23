// The bitmap decoder on arbitrary bytes: a picture that decodes is whole and within the limits,
// anything else is an error value.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "runtime/picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const tarvelin::DecodedBitmap decoded = tarvelin::DecodeBitmap(std::span<const std::uint8_t>(data, size));
  const tarvelin::Picture& p = decoded.picture;
  if (decoded) {
    if (p.width <= 0 || p.height <= 0 || p.width > tarvelin::kMaxBitmapSide || p.height > tarvelin::kMaxBitmapSide ||
        p.pixels.size() != static_cast<std::size_t>(p.width) * static_cast<std::size_t>(p.height))
      std::abort();
  } else if (p.width != 0 || p.height != 0 || !p.pixels.empty() || tarvelin::Describe(decoded.error) == nullptr) {
    std::abort();
  }
  return 0;
}
