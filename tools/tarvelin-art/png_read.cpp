// PNG through libpng. libpng reports a fault by calling back and never returning: the callback
// leaves through longjmp to the one setjmp below, so the function that holds it keeps only plain
// values of its own, and what must be freed lives in its caller.

#include <png.h>

#include <csetjmp>
#include <cstring>

#include "decoders.h"

namespace tarvelin {
namespace {

// Where libpng reads from, and the words of its fault; no allocation on the way out.
struct PngSource {
  std::span<const std::uint8_t> bytes;
  std::size_t at = 0;
  char fault[128] = "";
};

[[noreturn]] void OnError(png_structp png, png_const_charp message) {
  auto* source = static_cast<PngSource*>(png_get_error_ptr(png));
  std::strncpy(source->fault, message, sizeof source->fault - 1);
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}  // remarks (an odd profile, say); the pixels are all there

void Read(png_structp png, png_bytep out, png_size_t length) {
  auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
  if (length > source->bytes.size() - source->at) png_error(png, "the file ends too soon");
  std::memcpy(out, source->bytes.data() + source->at, length);
  source->at += length;
}

struct PngReader {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~PngReader() { png_destroy_read_struct(&png, &info, nullptr); }
};

enum class Step { kDone, kDamaged, kWrongSize };

// Every depth and colour type as 8-bit RGBA: palettes and grey expanded, 16 bits scaled to 8 with
// rounding, a tRNS chunk made alpha, opaque alpha added where there is none. No gamma: the values
// are taken as the sRGB the menu shows, as every picture viewer does.
Step Decode(png_structp png, png_infop info, const SizeCheck& size_ok, Raster& raster,
            std::vector<png_bytep>& rows) {
  if (setjmp(png_jmpbuf(png))) return Step::kDamaged;
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info), height = png_get_image_height(png, info);
  if (!size_ok(width, height)) return Step::kWrongSize;
  const int colour_type = png_get_color_type(png, info);
  raster.has_alpha = (colour_type & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);
  png_set_expand(png);
  png_set_scale_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  raster.width = width;
  raster.height = height;
  raster.rgba.assign(raster.width * raster.height * 4, 0);
  rows.resize(height);
  for (std::size_t y = 0; y < height; ++y) rows[y] = &raster.rgba[y * width * 4];
  png_read_image(png, rows.data());
  return Step::kDone;
}

}  // namespace

Outcome<Raster> DecodePng(std::span<const std::uint8_t> bytes, const SizeCheck& size_ok) {
  PngSource source{bytes};
  PngReader reader;
  reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, OnError, OnWarning);
  if (reader.png) reader.info = png_create_info_struct(reader.png);
  if (!reader.info) return Fault{"out of memory"};
  png_set_read_fn(reader.png, &source, Read);
  // The ancillary chunks that inflate (text, profiles) get no more than a picture file may hold.
  png_set_chunk_malloc_max(reader.png, 8 * 1024 * 1024);
  Raster raster;
  std::vector<png_bytep> rows;
  switch (Decode(reader.png, reader.info, size_ok, raster, rows)) {
    case Step::kDone: return raster;
    case Step::kWrongSize: return Fault{"the wrong size"};
    case Step::kDamaged: break;
  }
  return Fault{source.fault};
}

}  // namespace tarvelin
