#include "runtime/form.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace tarvelin {

int ToPixel(float value) {
  if (std::isnan(value)) return 0;
  return static_cast<int>(std::lround(std::clamp(value, -32768.0f, 32767.0f)));
}

void HighlightBox::Place(float left, float top, float width, float height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  const PixelRect rect{ToPixel(left), ToPixel(top), std::max(0, ToPixel(width)), std::max(0, ToPixel(height))};
  if (rect == rect_) return;
  rect_ = rect;
  pixels_.assign(static_cast<std::size_t>(rect.w) * rect.h, background_);
  drawn_ = false;
  ++version_;
}

void HighlightBox::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  ++version_;
}

void HighlightBox::PaintPicture(const tarvelin::Picture& picture, float x, float y, float w, float h, float srcX,
                                float srcY) {
  int dx = ToPixel(x), dy = ToPixel(y), sx = ToPixel(srcX), sy = ToPixel(srcY);
  int cw = ToPixel(w), ch = ToPixel(h);
  // Clip the copy to the source picture and to the box, moving both corners together.
  const int skip_x = std::max({0, -dx, -sx}), skip_y = std::max({0, -dy, -sy});
  dx += skip_x, sx += skip_x, cw -= skip_x;
  dy += skip_y, sy += skip_y, ch -= skip_y;
  cw = std::min({cw, rect_.w - dx, picture.width - sx});
  ch = std::min({ch, rect_.h - dy, picture.height - sy});
  // Drawn into even where the copy is clipped away: the box then shows its background, as drawn.
  const bool was_drawn = std::exchange(drawn_, true);
  if (cw <= 0 || ch <= 0) {
    if (!was_drawn) ++version_;
    return;
  }
  for (int row = 0; row < ch; ++row) {
    const std::uint8_t* src = &picture.pixels[static_cast<std::size_t>(sy + row) * picture.width + sx];
    std::uint32_t* dst = &pixels_[static_cast<std::size_t>(dy + row) * rect_.w + dx];
    for (int col = 0; col < cw; ++col) dst[col] = picture.palette[src[col]];
  }
  ++version_;
}

Form::Form(Picture background, Picture highlight_picture, std::span<const HotSpotDesign> design,
           std::uint32_t window_colour)
    : box(window_colour),
      highlight(std::move(highlight_picture)),
      background_(std::move(background)),
      window_colour_(window_colour) {
  for (const HotSpotDesign& d : design) hot_spots_.push_back({d.Index, d.Left, d.Top, d.Width, d.Height, d.Tag});
}

HotSpot* Form::FindHotSpot(std::int16_t index) {
  for (HotSpot& spot : hot_spots_)
    if (spot.Index == index) return &spot;
  return nullptr;
}

Form::Target Form::HitTest(int x, int y) const {
  if (box.Visible() && box.Rect().Contains(x, y)) return {Target::Kind::Box};
  for (const HotSpot& spot : hot_spots_)
    if (spot.Contains(x, y)) return {Target::Kind::HotSpot, spot.Index};
  return {Target::Kind::BareWindow};
}

PixelRect Form::ClientRect() const {
  constexpr int kLargest = 16384;
  return {0, 0, std::clamp(ToPixel(window.Width), 1, kLargest), std::clamp(ToPixel(window.Height), 1, kLargest)};
}

void Form::Draw(PixelRect area) {
  const PixelRect shown = box.Showing() ? box.Rect() : PixelRect{};
  const int right = area.x + area.w;
  for (int y = area.y; y < area.y + area.h; ++y) {
    std::uint32_t* row = &frame_[static_cast<std::size_t>(y) * frame_rect_.w];
    // The row in three spans: background, the box where it crosses this row, background again.
    auto fill_background = [&](int from, int to) {
      const int pictured = y < background_.height ? std::min(to, background_.width) : from;
      if (from < pictured) {
        // The row's colour indices looked up along the row: the whole first frame is drawn so.
        const std::uint8_t* indices = &background_.pixels[static_cast<std::size_t>(y) * background_.width];
        std::transform(indices + from, indices + pictured, row + from,
                       [&palette = background_.palette](std::uint8_t index) { return palette[index]; });
      }
      std::fill(row + std::max(from, pictured), row + to, window_colour_);
    };
    const bool crosses = y >= shown.y && y < shown.y + shown.h;
    const int box_from = crosses ? std::clamp(shown.x, area.x, right) : right;
    const int box_to = crosses ? std::clamp(shown.x + shown.w, area.x, right) : right;
    fill_background(area.x, box_from);
    for (int x = box_from; x < box_to; ++x) row[x] = box.Pixel(x - shown.x, y - shown.y);
    fill_background(box_to, right);
  }
}

std::vector<PixelRect> Form::Compose(PixelRect size) {
  std::vector<PixelRect> changed;
  auto redraw = [&](PixelRect r) {
    const PixelRect clipped = r.Intersect({0, 0, frame_rect_.w, frame_rect_.h});
    if (clipped.Empty()) return;
    Draw(clipped);
    changed.push_back(clipped);
  };
  const Shown now{box.Showing(), box.Rect(), box.Version()};
  if (size != frame_rect_) {
    frame_rect_ = size;
    frame_.assign(static_cast<std::size_t>(size.w) * size.h, window_colour_);
    redraw(size);
  } else if (now.version != shown_.version) {
    if (shown_.visible) redraw(shown_.rect);
    if (now.visible && !(shown_.visible && now.rect == shown_.rect)) redraw(now.rect);
  }
  shown_ = now;
  return changed;
}

}  // namespace tarvelin
