// The author tool's reading of pictures on arbitrary bytes, one target per format: each input is
// given the format's signature, so that every run reaches that format's decoder. A picture that
// decodes is whole, of the size asked for; anything else is a fault naming the file.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

#include "tools/tarvelin-art/picture_file.h"

namespace {

// Small, so that the seeds decode all the way; any other size stops after the headers are read.
constexpr int kWidth = 8;
constexpr int kHeight = 8;

constexpr std::string_view Signature() {
  constexpr std::string_view format = TARVELIN_FUZZ_FORMAT;
  if (format == "png") return {"\x89PNG\r\n\x1a\n", 8};
  if (format == "jpeg") return {"\xFF\xD8\xFF", 3};
  if (format == "bmp") return {"BM", 2};
  return {"GIF89a", 6};  // gif
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::string_view signature = Signature();
  std::vector<std::uint8_t> bytes(data, data + size);
  if (bytes.size() < signature.size()) bytes.resize(signature.size());
  std::memcpy(bytes.data(), signature.data(), signature.size());
  // Half the inputs with a matte, so that the transparent pixels are both refused and blended.
  const std::optional<std::uint32_t> matte = size % 2 ? std::optional<std::uint32_t>(0x336699) : std::nullopt;
  tarvelin::Outcome<tarvelin::DecodedPicture> decoded = tarvelin::DecodePicture(bytes, "fuzz", kWidth, kHeight, matte);
  if (decoded) {
    const tarvelin::Rgb& rgb = decoded->rgb;
    if (rgb.width != kWidth || rgb.height != kHeight || rgb.bytes.size() != std::size_t{kWidth * kHeight * 3})
      std::abort();
  } else if (!decoded.fault().starts_with("fuzz: ")) {
    std::abort();
  }
  return 0;
}
