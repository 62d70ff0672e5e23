// Windows and OS/2 bitmaps of every depth Windows writes: 1, 4 and 8 bits through a colour table,
// uncompressed or run-length encoded (RLE4, RLE8); 16 and 32 bits through bit masks (the default
// ones, or those the file gives); 24 bits; stored bottom row first, or top row first when the
// height is negative.

#include <algorithm>
#include <bit>
#include <cstdint>
#include <string>

#include "decoders.h"
#include "runtime/little_endian.h"

namespace tarvelin {
namespace {

constexpr std::size_t kFileHeader = 14;
constexpr std::size_t kCoreHeader = 12;  // OS/2 1.x: 16-bit sizes, three-byte colour table entries
constexpr std::size_t kInfoHeader = 40;

enum Compression : std::uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

// One colour channel of a 16- or 32-bit pixel: where its bits are, scaled to 0..255.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint32_t max = 0;

  explicit Channel(std::uint32_t m) : mask(m), shift(m ? std::countr_zero(m) : 0), max(m >> shift) {}
};

std::uint8_t Scale(std::uint64_t value, std::uint64_t max) { return static_cast<std::uint8_t>((value * 255 + max / 2) / max); }

struct Header {
  std::size_t width = 0, height = 0;
  bool top_down = false;
  unsigned depth = 0;
  std::uint32_t compression = kRgb;
  std::uint32_t masks[4] = {};  // red, green, blue, alpha
  std::size_t table_at = 0, table_entry = 4, colours = 0;
  std::size_t pixels_at = 0;
};

Outcome<Header> ReadHeader(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kFileHeader + 4) return Fault{"the file ends too soon"};
  const std::size_t header_size = ReadLe32(bytes, kFileHeader);
  if (header_size < kCoreHeader || header_size > bytes.size() - kFileHeader) return Fault{"the file ends too soon"};
  Header h;
  h.pixels_at = ReadLe32(bytes, 10);
  h.table_at = kFileHeader + header_size;
  std::int64_t height = 0;
  if (header_size == kCoreHeader) {
    h.width = ReadLe16(bytes, 18);
    height = ReadLe16(bytes, 20);
    h.depth = ReadLe16(bytes, 24);
    h.table_entry = 3;
  } else if (header_size >= 16) {
    h.width = static_cast<std::int32_t>(ReadLe32(bytes, 18)) < 0 ? 0 : ReadLe32(bytes, 18);
    height = static_cast<std::int32_t>(ReadLe32(bytes, 22));
    h.depth = ReadLe16(bytes, 28);
    if (header_size >= 20) h.compression = ReadLe32(bytes, 30);
    if (header_size >= 36) h.colours = ReadLe32(bytes, 46);
    // Masks in the header itself (version 2 and later), or just after a 40-byte one.
    const bool os2 = header_size == 16 || header_size == 64;
    if (os2 && h.compression > kRle4) return Fault{"OS/2 compression " + std::to_string(h.compression) + ", not read"};
    const std::size_t masks_in_header = header_size >= 56 ? 4 : header_size >= 52 ? 3 : 0;
    const std::size_t masks_after = header_size == kInfoHeader ? (h.compression == kBitFields ? 3 : h.compression == kAlphaBitFields ? 4 : 0) : 0;
    const std::size_t masks = std::max(masks_in_header, masks_after);
    if (kFileHeader + kInfoHeader + masks * 4 > bytes.size()) return Fault{"the file ends too soon"};
    for (std::size_t i = 0; i < masks; ++i) h.masks[i] = ReadLe32(bytes, kFileHeader + kInfoHeader + i * 4);
    h.table_at += masks_after * 4;
  } else {
    return Fault{"a header of " + std::to_string(header_size) + " bytes, which no bitmap has"};
  }
  h.top_down = height < 0;
  h.height = static_cast<std::size_t>(height < 0 ? -height : height);
  return h;
}

// The colour table's entries as RGBA, every index up to 255 given one (black past the table's end).
Outcome<std::vector<std::uint32_t>> ColourTable(std::span<const std::uint8_t> bytes, const Header& h) {
  std::vector<std::uint32_t> table(256, 0xFF000000u);
  const std::size_t entries = std::min<std::size_t>(h.colours == 0 || h.colours > (1u << h.depth) ? 1u << h.depth : h.colours, 256);
  if (h.table_at > bytes.size() || entries > (bytes.size() - h.table_at) / h.table_entry) return Fault{"the file ends too soon"};
  for (std::size_t i = 0; i < entries; ++i) {
    const std::uint8_t* entry = &bytes[h.table_at + i * h.table_entry];  // blue, green, red
    table[i] = 0xFF000000u | entry[0] << 16 | entry[1] << 8 | entry[2];
  }
  return table;
}

void Put(Raster& raster, std::size_t x, std::size_t y, std::uint32_t abgr) {
  std::uint8_t* out = &raster.rgba[(y * raster.width + x) * 4];
  for (int c = 0; c < 4; ++c) out[c] = static_cast<std::uint8_t>(abgr >> (8 * c));
}

// RLE8 and RLE4: runs of one index (two alternating ones in RLE4), stretches of indices as they
// are, and marks for the end of a row, of the picture, and a jump ahead; bottom row first. Pixels
// a jump passes over take the first colour, as in Windows' own decoder.
Outcome<std::vector<std::uint8_t>> RunLengths(std::span<const std::uint8_t> data, const Header& h) {
  const bool four = h.compression == kRle4;
  std::vector<std::uint8_t> indices(h.width * h.height, 0);
  std::size_t x = 0, y = 0, at = 0;
  // What is left to read: a stretch's padding byte may lie past the end of the data.
  auto left = [&] { return at < data.size() ? data.size() - at : 0; };
  auto put = [&](std::uint8_t index) {
    if (x < h.width && y < h.height) indices[(h.height - 1 - y) * h.width + x] = index;
    ++x;
  };
  while (y < h.height) {
    if (left() < 2) return Fault{"the file ends too soon"};
    const std::uint8_t count = data[at], value = data[at + 1];
    at += 2;
    if (count > 0) {
      for (unsigned i = 0; i < count; ++i) put(four ? (i % 2 ? value & 0x0F : value >> 4) : value);
    } else if (value == 0) {
      x = 0, ++y;
    } else if (value == 1) {
      break;
    } else if (value == 2) {
      if (left() < 2) return Fault{"the file ends too soon"};
      x += data[at], y += data[at + 1];
      at += 2;
    } else {
      const std::size_t length = four ? (value + 1u) / 2 : value;
      if (left() < length) return Fault{"the file ends too soon"};
      for (unsigned i = 0; i < value; ++i) put(four ? (i % 2 ? data[at + i / 2] & 0x0F : data[at + i / 2] >> 4) : data[at + i]);
      at += length + length % 2;
    }
  }
  return indices;
}

}  // namespace

Outcome<Raster> DecodeBmp(std::span<const std::uint8_t> bytes, const SizeCheck& size_ok) {
  Outcome<Header> header = ReadHeader(bytes);
  if (!header) return Fault{header.fault()};
  const Header& h = *header;
  if (!size_ok(h.width, h.height)) return Fault{"the wrong size"};
  if (h.width == 0 || h.height == 0) return Fault{"no pixels"};
  const bool indexed = h.depth == 1 || h.depth == 4 || h.depth == 8;
  const bool masked = h.compression == kBitFields || h.compression == kAlphaBitFields;
  const bool known = (h.compression == kRgb && (indexed || h.depth == 16 || h.depth == 24 || h.depth == 32)) ||
                     (h.compression == kRle8 && h.depth == 8) || (h.compression == kRle4 && h.depth == 4) ||
                     (masked && (h.depth == 16 || h.depth == 32));
  if (!known)
    return Fault{std::to_string(h.depth) + " bits a pixel with compression " + std::to_string(h.compression) +
                 ", which no bitmap has"};
  const bool run_lengths = h.compression == kRle8 || h.compression == kRle4;
  if (run_lengths && h.top_down) return Fault{"run-length encoded from the top row, which no bitmap is"};
  if (h.pixels_at > bytes.size()) return Fault{"the file ends too soon"};
  const std::span<const std::uint8_t> data = bytes.subspan(h.pixels_at);

  Raster raster;
  raster.width = h.width;
  raster.height = h.height;
  raster.rgba.assign(h.width * h.height * 4, 0);
  std::vector<std::uint32_t> table;
  if (indexed) {
    Outcome<std::vector<std::uint32_t>> read = ColourTable(bytes, h);
    if (!read) return Fault{read.fault()};
    table = std::move(*read);
  }
  if (run_lengths) {
    Outcome<std::vector<std::uint8_t>> indices = RunLengths(data, h);
    if (!indices) return Fault{indices.fault()};
    for (std::size_t y = 0; y < h.height; ++y)
      for (std::size_t x = 0; x < h.width; ++x) Put(raster, x, y, table[(*indices)[y * h.width + x]]);
    return raster;
  }

  const std::size_t stride = (h.width * h.depth + 31) / 32 * 4;
  if (data.size() / stride < h.height) return Fault{"the file ends too soon"};
  std::uint32_t defaults[4] = {0x7C00, 0x03E0, 0x001F, 0};  // 16 bits: five for each colour
  if (h.depth == 32) defaults[0] = 0xFF0000, defaults[1] = 0xFF00, defaults[2] = 0xFF;
  // An alpha mask counts in a 32-bit bitmap with the masks of its own, or a later header's.
  const Channel channels[4] = {Channel(masked ? h.masks[0] : defaults[0]), Channel(masked ? h.masks[1] : defaults[1]),
                               Channel(masked ? h.masks[2] : defaults[2]),
                               Channel(masked || h.depth == 32 ? h.masks[3] : 0)};
  raster.has_alpha = channels[3].max != 0;
  bool any_alpha = false;
  for (std::size_t row = 0; row < h.height; ++row) {
    const std::uint8_t* in = &data[row * stride];
    const std::size_t y = h.top_down ? row : h.height - 1 - row;
    for (std::size_t x = 0; x < h.width; ++x) {
      if (indexed) {
        const std::size_t bit = x * h.depth;
        const unsigned index = (in[bit / 8] >> (8 - h.depth - bit % 8)) & ((1u << h.depth) - 1);
        Put(raster, x, y, table[index]);
        continue;
      }
      if (h.depth == 24) {
        Put(raster, x, y, 0xFF000000u | in[x * 3] << 16 | in[x * 3 + 1] << 8 | in[x * 3 + 2]);
        continue;
      }
      const std::uint32_t pixel = h.depth == 16 ? ReadLe16(data, row * stride + x * 2) : ReadLe32(data, row * stride + x * 4);
      std::uint8_t* out = &raster.rgba[(y * h.width + x) * 4];
      for (int c = 0; c < 4; ++c) {
        const Channel& channel = channels[c];
        out[c] = channel.max == 0 ? (c == 3 ? 0xFF : 0) : Scale((pixel & channel.mask) >> channel.shift, channel.max);
      }
      any_alpha = any_alpha || out[3] != 0;
    }
  }
  // Many programs write 32-bit bitmaps with an alpha mask and leave every alpha at 0: opaque.
  if (raster.has_alpha && !any_alpha) {
    for (std::size_t i = 3; i < raster.rgba.size(); i += 4) raster.rgba[i] = 0xFF;
    raster.has_alpha = false;
  }
  return raster;
}

}  // namespace tarvelin
