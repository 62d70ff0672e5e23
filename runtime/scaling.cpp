#include "runtime/scaling.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace tarvelin {

int ScreenScale::WholeFactor(float desktop_scale) {
  if (!(desktop_scale >= 1.0f)) return 1;  // also NaN
  // A scale like 1.9999 from a rounded DPI still means 2.
  return static_cast<int>(std::floor(std::min(desktop_scale + 0.01f, 8.0f)));
}

ScreenScale::ScreenScale(int screen, int picture) : screen_(screen < 1 ? 1 : screen), picture_(picture < 1 ? 1 : picture) {
  if (screen_ > picture_) {
    screen_ /= picture_;
    picture_ = 1;
    return;
  }
  const int common = std::gcd(screen_, picture_);
  screen_ /= common;
  picture_ /= common;
}

ScreenScale ScreenScale::Fitting(int wanted, PixelRect client, int area_width, int area_height) {
  const auto fits = [&](int factor) {
    return static_cast<long long>(client.w) * factor <= area_width &&
           static_cast<long long>(client.h) * factor <= area_height;
  };
  int factor = wanted < 1 ? 1 : wanted;
  while (factor > 1 && !fits(factor)) --factor;
  if (fits(factor) || client.Empty() || area_width <= 0 || area_height <= 0) return ScreenScale(factor);
  // The side with less room sets the scale; the other then fits too.
  const bool width_limits = static_cast<long long>(area_width) * client.h <= static_cast<long long>(area_height) * client.w;
  const ScreenScale shrunk = width_limits ? ScreenScale(area_width, client.w) : ScreenScale(area_height, client.h);
  if (static_cast<long long>(shrunk.screen_) * 2 < shrunk.picture_) return ScreenScale(1);
  return shrunk;
}

PixelRect ScreenScale::ToScreen(PixelRect r) const {
  const int x0 = FloorDivide(static_cast<long long>(r.x) * screen_, picture_);
  const int y0 = FloorDivide(static_cast<long long>(r.y) * screen_, picture_);
  const int x1 = CeilDivide(static_cast<long long>(r.x + r.w) * screen_, picture_);
  const int y1 = CeilDivide(static_cast<long long>(r.y + r.h) * screen_, picture_);
  return {x0, y0, x1 - x0, y1 - y0};
}

void ScreenScale::Blit(std::span<const std::uint32_t> frame, int frame_width, PixelRect r, std::uint32_t* screen,
                       int screen_stride) const {
  if (screen_ < picture_) {
    BlitShrunk(frame, frame_width, r, screen, screen_stride);
    return;
  }
  const int factor = screen_;  // enlarged only by whole factors: picture_ is 1
  for (int y = r.y; y < r.y + r.h; ++y) {
    const std::uint32_t* src = &frame[static_cast<std::size_t>(y) * frame_width];
    std::uint32_t* first_row = screen + static_cast<std::size_t>(y) * factor * screen_stride;
    for (int x = r.x; x < r.x + r.w; ++x) std::fill_n(first_row + x * factor, factor, src[x]);
    for (int copy = 1; copy < factor; ++copy)
      std::copy_n(first_row + r.x * factor, r.w * factor, first_row + static_cast<std::size_t>(copy) * screen_stride + r.x * factor);
  }
}

void ScreenScale::BlitShrunk(std::span<const std::uint32_t> frame, int frame_width, PixelRect r, std::uint32_t* screen,
                             int screen_stride) const {
  if (frame_width <= 0) return;
  const int frame_height = static_cast<int>(frame.size() / static_cast<std::size_t>(frame_width));
  // Screen pixel s covers the picture pixels from ToPicture(s) up to ToPicture(s + 1): at least one,
  // as the screen has fewer.
  const PixelRect target = ToScreen(r);
  for (int sy = target.y; sy < target.y + target.h; ++sy) {
    const int top = ToPicture(sy), bottom = std::min(ToPicture(sy + 1), frame_height);
    for (int sx = target.x; sx < target.x + target.w; ++sx) {
      const int left = ToPicture(sx), right = std::min(ToPicture(sx + 1), frame_width);
      std::uint32_t sum[3] = {0, 0, 0};
      std::uint32_t count = 0;
      for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
          const std::uint32_t pixel = frame[static_cast<std::size_t>(y) * frame_width + x];
          sum[0] += (pixel >> 16) & 0xFF;
          sum[1] += (pixel >> 8) & 0xFF;
          sum[2] += pixel & 0xFF;
          ++count;
        }
      if (count == 0) continue;
      const auto mean = [count](std::uint32_t total) { return (total + count / 2) / count; };
      screen[static_cast<std::size_t>(sy) * screen_stride + sx] = (mean(sum[0]) << 16) | (mean(sum[1]) << 8) | mean(sum[2]);
    }
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
