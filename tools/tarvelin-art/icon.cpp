#include "icon.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "picture_file.h"
#include "runtime/little_endian.h"

namespace tarvelin {
namespace {

constexpr int kSizes[] = {16, 24, 32, 48, 64, 256};

// |picture| fitted into a |side| x |side| square: each pixel of the square the mean of the part of
// the picture it covers, weighted by alpha so that transparent pixels lend no colour.
std::vector<std::uint8_t> Fitted(const Rgba& picture, int side) {
  const double scale = static_cast<double>(std::max(picture.width, picture.height)) / side;
  const double left = (side - picture.width / scale) / 2, top = (side - picture.height / scale) / 2;
  std::vector<std::uint8_t> square(static_cast<std::size_t>(side) * side * 4, 0);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      // The picture's area under this pixel, and how much of each of its pixels it covers.
      const double x0 = (x - left) * scale, x1 = (x + 1 - left) * scale;
      const double y0 = (y - top) * scale, y1 = (y + 1 - top) * scale;
      std::array<double, 4> sum{};  // alpha-weighted red, green, blue, and alpha
      for (int py = std::max(0, static_cast<int>(std::floor(y0))); py < std::min(picture.height, static_cast<int>(std::ceil(y1))); ++py)
        for (int px = std::max(0, static_cast<int>(std::floor(x0))); px < std::min(picture.width, static_cast<int>(std::ceil(x1))); ++px) {
          const double cover = (std::min<double>(px + 1, x1) - std::max<double>(px, x0)) *
                               (std::min<double>(py + 1, y1) - std::max<double>(py, y0));
          if (cover <= 0) continue;
          const std::uint8_t* p = &picture.bytes[(static_cast<std::size_t>(py) * picture.width + px) * 4];
          const double alpha = p[3] / 255.0 * cover;
          for (int c = 0; c < 3; ++c) sum[c] += p[c] * alpha;
          sum[3] += alpha;
        }
      std::uint8_t* out = &square[(static_cast<std::size_t>(y) * side + x) * 4];
      const double area = scale * scale;
      if (sum[3] <= 0) continue;
      for (int c = 0; c < 3; ++c) out[c] = static_cast<std::uint8_t>(std::lround(std::clamp(sum[c] / sum[3], 0.0, 255.0)));
      out[3] = static_cast<std::uint8_t>(std::lround(std::clamp(sum[3] / area * 255, 0.0, 255.0)));
    }
  return square;
}

// One image of an icon file: a 32-bit bitmap without its file header, twice as tall as it is to
// hold the mask after the colours, rows bottom first; the mask, all shown, is for systems that
// read no alpha.
std::vector<std::uint8_t> IconImage(const std::vector<std::uint8_t>& rgba, int side) {
  std::vector<std::uint8_t> image;
  AppendLe32(image, 40);
  AppendLe32(image, static_cast<std::uint32_t>(side));
  AppendLe32(image, static_cast<std::uint32_t>(side * 2));
  AppendLe16(image, 1);   // planes
  AppendLe16(image, 32);  // bits per pixel
  for (int i = 0; i < 6; ++i) AppendLe32(image, 0);  // no compression, sizes and colours unsaid
  for (int y = side - 1; y >= 0; --y)
    for (int x = 0; x < side; ++x) {
      const std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * side + x) * 4];
      image.insert(image.end(), {p[2], p[1], p[0], p[3]});  // blue, green, red, alpha
    }
  const std::size_t mask_row = (static_cast<std::size_t>(side) + 31) / 32 * 4;
  image.resize(image.size() + mask_row * side, 0);
  return image;
}

}  // namespace

Outcome<std::string> IconFile(const std::string& path) {
  Outcome<Rgba> picture = ReadPictureWithAlpha(path);
  if (!picture) return Fault{picture.fault()};
  std::vector<std::vector<std::uint8_t>> images;
  for (int side : kSizes) images.push_back(IconImage(Fitted(*picture, side), side));
  std::vector<std::uint8_t> file;
  AppendLe16(file, 0);  // reserved
  AppendLe16(file, 1);  // an icon
  AppendLe16(file, static_cast<std::uint16_t>(images.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    const int side = kSizes[i];
    file.push_back(static_cast<std::uint8_t>(side == 256 ? 0 : side));  // 0 stands for 256
    file.push_back(static_cast<std::uint8_t>(side == 256 ? 0 : side));
    file.push_back(0);  // no colour table
    file.push_back(0);  // reserved
    AppendLe16(file, 1);
    AppendLe16(file, 32);
    AppendLe32(file, static_cast<std::uint32_t>(images[i].size()));
    AppendLe32(file, offset);
    offset += static_cast<std::uint32_t>(images[i].size());
  }
  for (const std::vector<std::uint8_t>& image : images) file.insert(file.end(), image.begin(), image.end());
  return std::string(file.begin(), file.end());
}

}  // namespace tarvelin
