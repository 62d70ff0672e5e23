#include "tools/common/bitmap_file.h"

#include <algorithm>
#include <limits>

#include "runtime/little_endian.h"

namespace tarvelin {
namespace {

constexpr int kLongestRun = 255;
constexpr int kShortestLiteral = 3;  // a count of 0 to 2 after the 0 byte is a mark, not pixels

// One row: the cheapest encoding of each prefix, from the cheapest of the shorter ones.
void EncodeRow(const std::uint8_t* row, int width, std::vector<std::uint8_t>& out) {
  struct Step {
    int cost = std::numeric_limits<int>::max();
    int length = 0;
    bool literal = false;
  };
  std::vector<Step> best(static_cast<std::size_t>(width) + 1);
  best[0].cost = 0;
  for (int end = 1; end <= width; ++end) {
    Step& here = best[static_cast<std::size_t>(end)];
    for (int length = 1; length <= std::min(end, kLongestRun); ++length) {
      if (row[end - length] != row[end - 1]) break;
      const int cost = best[static_cast<std::size_t>(end - length)].cost + 2;
      if (cost < here.cost) here = {cost, length, false};
    }
    for (int length = kShortestLiteral; length <= std::min(end, kLongestRun); ++length) {
      const int cost = best[static_cast<std::size_t>(end - length)].cost + 2 + length + (length & 1);
      if (cost < here.cost) here = {cost, length, true};
    }
  }
  std::vector<std::pair<int, Step>> pieces;  // (start, step), last piece first
  for (int end = width; end > 0; end -= best[static_cast<std::size_t>(end)].length)
    pieces.emplace_back(end - best[static_cast<std::size_t>(end)].length, best[static_cast<std::size_t>(end)]);
  for (auto piece = pieces.rbegin(); piece != pieces.rend(); ++piece) {
    const auto [start, step] = *piece;
    if (step.literal) {
      out.push_back(0);
      out.push_back(static_cast<std::uint8_t>(step.length));
      out.insert(out.end(), row + start, row + start + step.length);
      if (step.length & 1) out.push_back(0);
    } else {
      out.push_back(static_cast<std::uint8_t>(step.length));
      out.push_back(row[start]);
    }
  }
}

}  // namespace

std::vector<std::uint8_t> EncodeRle8(const Picture& picture) {
  std::vector<std::uint8_t> out;
  for (int y = picture.height - 1; y >= 0; --y) {
    EncodeRow(picture.pixels.data() + static_cast<std::size_t>(y) * picture.width, picture.width, out);
    out.push_back(0);  // end of line
    out.push_back(0);
  }
  out.push_back(0);  // end of bitmap
  out.push_back(1);
  return out;
}

// Uncompressed rows, bottom row first, each padded to a multiple of four bytes.
std::vector<std::uint8_t> UncompressedRows(const Picture& picture) {
  const std::size_t width = static_cast<std::size_t>(picture.width);
  const std::size_t stride = (width + 3) & ~std::size_t{3};
  std::vector<std::uint8_t> out;
  out.reserve(stride * static_cast<std::size_t>(picture.height));
  for (int y = picture.height - 1; y >= 0; --y) {
    const auto row = picture.pixels.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(y) * width);
    out.insert(out.end(), row, row + static_cast<std::ptrdiff_t>(width));
    out.resize(out.size() + stride - width, 0);
  }
  return out;
}

std::vector<std::uint8_t> BitmapFile(const Picture& picture, int colours, BitmapCompression compression) {
  constexpr std::uint32_t kHeaders = 14 + 40;
  constexpr std::uint32_t kPixelsPerMetre = 2835;  // 72 DPI, as most tools write
  const std::vector<std::uint8_t> data =
      compression == BitmapCompression::kRle8 ? EncodeRle8(picture) : UncompressedRows(picture);
  const auto table = static_cast<std::uint32_t>(colours) * 4;
  const auto size = static_cast<std::uint32_t>(kHeaders + table + data.size());

  std::vector<std::uint8_t> file = {'B', 'M'};
  AppendLe32(file, size);
  AppendLe32(file, 0);  // reserved
  AppendLe32(file, kHeaders + table);
  AppendLe32(file, 40);
  AppendLe32(file, static_cast<std::uint32_t>(picture.width));
  AppendLe32(file, static_cast<std::uint32_t>(picture.height));  // positive: bottom row first
  AppendLe16(file, 1);                                            // planes
  AppendLe16(file, 8);                                            // bits per pixel
  AppendLe32(file, static_cast<std::uint32_t>(compression));
  AppendLe32(file, static_cast<std::uint32_t>(data.size()));  // required for compressed bitmaps
  AppendLe32(file, kPixelsPerMetre);
  AppendLe32(file, kPixelsPerMetre);
  AppendLe32(file, static_cast<std::uint32_t>(colours));
  AppendLe32(file, 0);  // all colours important
  for (int i = 0; i < colours; ++i) AppendLe32(file, picture.palette[static_cast<std::size_t>(i)]);  // B, G, R, 0
  file.insert(file.end(), data.begin(), data.end());
  return file;
}

}  // namespace tarvelin
