// JPEG through libjpeg (libjpeg-turbo). libjpeg reports a fault, and a warning of damage (a file
// that ends early, data out of place), by calling back; both leave through longjmp to the one
// setjmp below, so the function that holds it keeps only plain values of its own, and what must
// be freed lives in its caller.

#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <string_view>

#include <jpeglib.h>

#include "decoders.h"

namespace tarvelin {
namespace {

constexpr int kApp1 = JPEG_APP0 + 1;

// Enough for every picture of the menu's size, far below what a hostile header could ask for.
constexpr long kMaxDecoderMemory = 256L * 1024 * 1024;

struct JpegErrors {
  jpeg_error_mgr manager;  // first, so that libjpeg's pointer to it is one to this
  std::jmp_buf leave;
  char fault[JMSG_LENGTH_MAX] = "";
};

[[noreturn]] void Leave(j_common_ptr info) {
  auto* errors = reinterpret_cast<JpegErrors*>(info->err);
  errors->manager.format_message(info, errors->fault);
  std::longjmp(errors->leave, 1);
}

// Level -1 is a warning, and every libjpeg warning is of damage: pixels made up or lost.
void OnMessage(j_common_ptr info, int level) {
  if (level < 0) Leave(info);
}

struct JpegReader {
  jpeg_decompress_struct info{};
  JpegErrors errors;
  bool created = false;
  ~JpegReader() {
    if (created) jpeg_destroy_decompress(&info);
  }
};

enum class Step { kDone, kDamaged, kWrongSize };

std::uint8_t Scaled(unsigned a, unsigned b) { return static_cast<std::uint8_t>((a * b + 127) / 255); }

Step Decode(JpegReader& reader, std::span<const std::uint8_t> bytes, const SizeCheck& size_ok, Raster& raster,
            std::vector<JSAMPLE>& row) {
  jpeg_decompress_struct& info = reader.info;
  if (setjmp(reader.errors.leave)) return Step::kDamaged;
  reader.created = true;  // jpeg_destroy_decompress frees what a creation cut short had set aside
  jpeg_create_decompress(&info);
  info.mem->max_memory_to_use = kMaxDecoderMemory;
  jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_save_markers(&info, kApp1, 0xFFFF);
  jpeg_read_header(&info, TRUE);
  for (jpeg_saved_marker_ptr marker = info.marker_list; marker; marker = marker->next)
    if (marker->marker == kApp1 && (raster.orientation = ExifOrientation({marker->data, marker->data_length})) != 1)
      break;
  const bool turned = raster.orientation >= 5;
  if (!size_ok(turned ? info.image_height : info.image_width, turned ? info.image_width : info.image_height))
    return Step::kWrongSize;
  // Printers' CMYK has no RGB conversion in libjpeg; Adobe's files store it inverted.
  const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  const bool inverted = info.saw_Adobe_marker;
  info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_start_decompress(&info);
  raster.width = info.output_width;
  raster.height = info.output_height;
  raster.rgba.assign(raster.width * raster.height * 4, 0xFF);
  row.resize(static_cast<std::size_t>(info.output_width) * info.output_components);
  while (info.output_scanline < info.output_height) {
    const std::size_t y = info.output_scanline;
    JSAMPROW rows[1] = {row.data()};
    jpeg_read_scanlines(&info, rows, 1);
    std::uint8_t* out = &raster.rgba[y * raster.width * 4];
    for (std::size_t x = 0; x < raster.width; ++x, out += 4) {
      const JSAMPLE* in = &row[x * info.output_components];
      if (!cmyk) {
        out[0] = in[0], out[1] = in[1], out[2] = in[2];
        continue;
      }
      const unsigned k = inverted ? in[3] : 255 - in[3];
      for (int c = 0; c < 3; ++c) out[c] = Scaled(inverted ? in[c] : 255 - in[c], k);
    }
  }
  jpeg_finish_decompress(&info);
  return Step::kDone;
}

std::uint32_t Read16(std::span<const std::uint8_t> bytes, std::size_t at, bool big_endian) {
  return big_endian ? bytes[at] << 8 | bytes[at + 1] : bytes[at + 1] << 8 | bytes[at];
}

std::uint32_t Read32(std::span<const std::uint8_t> bytes, std::size_t at, bool big_endian) {
  return big_endian ? Read16(bytes, at, true) << 16 | Read16(bytes, at + 2, true)
                    : Read16(bytes, at + 2, false) << 16 | Read16(bytes, at, false);
}

}  // namespace

int ExifOrientation(std::span<const std::uint8_t> app1) {
  // "Exif\0\0", then a TIFF header ("II" or "MM", 42, the offset of the first directory) and that
  // directory: a count of 12-byte entries of tag, type, count and value.
  constexpr std::size_t kTiff = 6, kEntry = 12;
  constexpr std::uint32_t kOrientationTag = 0x0112, kShort = 3;
  if (app1.size() < kTiff + 8 || std::string_view(reinterpret_cast<const char*>(app1.data()), kTiff) != std::string_view("Exif\0\0", kTiff))
    return 1;
  const std::span<const std::uint8_t> tiff = app1.subspan(kTiff);
  const bool big_endian = tiff[0] == 'M' && tiff[1] == 'M';
  if (!big_endian && !(tiff[0] == 'I' && tiff[1] == 'I')) return 1;
  const std::size_t directory = Read32(tiff, 4, big_endian);
  if (directory > tiff.size() - 2) return 1;
  const std::size_t entries = Read16(tiff, directory, big_endian);
  for (std::size_t i = 0, at = directory + 2; i < entries && at + kEntry <= tiff.size(); ++i, at += kEntry) {
    if (Read16(tiff, at, big_endian) != kOrientationTag) continue;
    const std::uint32_t orientation = Read16(tiff, at + 8, big_endian);
    return Read16(tiff, at + 2, big_endian) == kShort && orientation >= 1 && orientation <= 8
               ? static_cast<int>(orientation) : 1;
  }
  return 1;
}

Outcome<Raster> DecodeJpeg(std::span<const std::uint8_t> bytes, const SizeCheck& size_ok) {
  JpegReader reader;
  reader.info.err = jpeg_std_error(&reader.errors.manager);
  reader.errors.manager.error_exit = Leave;
  reader.errors.manager.emit_message = OnMessage;
  Raster raster;
  std::vector<JSAMPLE> row;
  switch (Decode(reader, bytes, size_ok, raster, row)) {
    case Step::kDone: return raster;
    case Step::kWrongSize: return Fault{"the wrong size"};
    case Step::kDamaged: break;
  }
  return Fault{reader.errors.fault};
}

}  // namespace tarvelin
