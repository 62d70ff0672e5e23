#include "runtime/scaling.h"

#include <algorithm>
#include <cmath>

namespace tarvelin {

int ScreenScale::WholeFactor(float desktop_scale) {
  if (!(desktop_scale >= 1.0f)) return 1;  // also NaN
  // A scale like 1.9999 from a rounded DPI still means 2.
  return static_cast<int>(std::floor(std::min(desktop_scale + 0.01f, 8.0f)));
}

int ScreenScale::FittingFactor(int wanted, PixelRect client, int area_width, int area_height) {
  int factor = wanted;
  while (factor > 1 && (static_cast<long long>(client.w) * factor > area_width ||
                        static_cast<long long>(client.h) * factor > area_height))
    --factor;
  return factor < 1 ? 1 : factor;
}

void ScreenScale::Blit(std::span<const std::uint32_t> frame, int frame_width, PixelRect r, std::uint32_t* screen,
                       int screen_stride) const {
  for (int y = r.y; y < r.y + r.h; ++y) {
    const std::uint32_t* src = &frame[static_cast<std::size_t>(y) * frame_width];
    std::uint32_t* first_row = screen + static_cast<std::size_t>(y) * factor_ * screen_stride;
    for (int x = r.x; x < r.x + r.w; ++x) std::fill_n(first_row + x * factor_, factor_, src[x]);
    for (int copy = 1; copy < factor_; ++copy)
      std::copy_n(first_row + r.x * factor_, r.w * factor_, first_row + static_cast<std::size_t>(copy) * screen_stride + r.x * factor_);
  }
}

PixelRect PlaceOnScreen(int width, int height, PixelRect over, PixelRect usable) {
  const auto place = [](int size, int over_start, int over_size, int start, int room) {
    const int centred = over_start + (over_size - size) / 2;
    return std::max(start, std::min(centred, start + room - size));
  };
  return {place(width, over.x, over.w, usable.x, usable.w), place(height, over.y, over.h, usable.y, usable.h), width,
          height};
}

}  // namespace tarvelin
