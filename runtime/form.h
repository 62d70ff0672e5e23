#pragma once

// The form model every provider shares: the window, its hot spots, the pictures and the highlight
// box, hit-testing, and one framebuffer with the rectangles that changed since it was last shown.

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "runtime/picture.h"

namespace tarvelin {

// A rectangle of whole window pixels.
struct PixelRect {
  int x = 0, y = 0, w = 0, h = 0;
  bool Empty() const { return w <= 0 || h <= 0; }
  bool Contains(int px, int py) const { return px >= x && py >= y && px < x + w && py < y + h; }
  // The part of this rectangle inside |other|; all zero when they do not meet.
  PixelRect Intersect(PixelRect other) const {
    const int x0 = std::max(x, other.x), y0 = std::max(y, other.y);
    const int x1 = std::min(x + w, other.x + other.w), y1 = std::min(y + h, other.y + other.h);
    if (x1 <= x0 || y1 <= y0) return {};
    return {x0, y0, x1 - x0, y1 - y0};
  }
  bool operator==(const PixelRect&) const = default;
};

// A control property in pixels as a whole pixel; NaN and huge values are clamped, never undefined.
int ToPixel(float value);

// How the program describes one hot spot before the window exists: its index, its rectangle and
// its built-in Tag.
struct HotSpotDesign {
  std::int16_t Index;
  float Left, Top, Width, Height;
  const char* Tag;
};

// A hot spot, one element of a control array: transparent and windowless; it draws nothing and
// only reports mouse movement inside its rectangle.
struct HotSpot {
  std::int16_t Index = 0;
  float Left = 0, Top = 0, Width = 0, Height = 0;  // pixels
  std::string Tag;                                  // command line, UTF-8

  bool Contains(int x, int y) const { return x >= Left && y >= Top && x < Left + Width && y < Top + Height; }
};

// The window's own properties.
struct FormWindow {
  float Width = 0, Height = 0;  // outer size in pixels, the client size too: the window has no frame
  std::string Caption;          // UTF-8; empty until the options file gives one
};

// An invisible image control holding the highlight picture.
class ImageHolder {
 public:
  explicit ImageHolder(tarvelin::Picture picture) : picture_(std::move(picture)) {}
  const tarvelin::Picture& Picture() const { return picture_; }
  float Width() const { return static_cast<float>(picture_.width); }
  float Height() const { return static_cast<float>(picture_.height); }

 private:
  tarvelin::Picture picture_;
};

// The highlight box, a child window above the hot spots. Like a real child window that
// keeps no picture of its own, moving or resizing it erases it to its background colour. That
// blank box never reaches the screen: a box shown or placed anew shows once something is drawn
// into it, so that the pointer's way from one entry to the next never flashes the window colour.
class HighlightBox {
 public:
  explicit HighlightBox(std::uint32_t background) : background_(background) {}

  float Left() const { return left_; }
  float Top() const { return top_; }
  float Width() const { return width_; }
  float Height() const { return height_; }
  bool Visible() const { return visible_; }
  // Visible, and drawn into since it was last placed: what the screen shows of the box.
  bool Showing() const { return visible_ && drawn_; }
  void SetLeft(float value) { Place(value, top_, width_, height_); }
  void SetTop(float value) { Place(left_, value, width_, height_); }
  void SetWidth(float value) { Place(left_, top_, value, height_); }
  void SetHeight(float value) { Place(left_, top_, width_, value); }
  void SetVisible(bool visible);

  // Plain copy of the picture's w × h rectangle at (srcX, srcY) to (x, y) of the box, clipped to both.
  void PaintPicture(const tarvelin::Picture& picture, float x, float y, float w, float h, float srcX, float srcY);

  PixelRect Rect() const { return rect_; }  // in window pixels
  std::uint32_t Pixel(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * rect_.w + x]; }
  // Bumps whenever what the box shows may have changed.
  unsigned Version() const { return version_; }

 private:
  void Place(float left, float top, float width, float height);

  std::uint32_t background_;
  float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = false;
  bool drawn_ = false;
  PixelRect rect_;
  std::vector<std::uint32_t> pixels_;
  unsigned version_ = 0;
};

// The window and its controls as every provider shares them: what is visible where, which control
// the pointer is over, and the picture on screen as one framebuffer.
class Form {
 public:
  Form(Picture background, Picture highlight_picture, std::span<const HotSpotDesign> design,
       std::uint32_t window_colour);
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  FormWindow window;
  HighlightBox box;
  ImageHolder highlight;

  // The hot spot with this index, or nothing when the control array has no such element.
  HotSpot* FindHotSpot(std::int16_t index);
  std::span<HotSpot> HotSpots() { return hot_spots_; }

  // Which control receives the pointer at a client pixel: the shown box lies above the hot spots,
  // and they lie above the bare window.
  struct Target {
    enum class Kind { BareWindow, HotSpot, Box } kind;
    std::int16_t index = 0;  // the hot spot's, for Kind::HotSpot
  };
  Target HitTest(int x, int y) const;

  // The client area in whole pixels: at least 1 x 1, at most as large as a window can be made.
  PixelRect ClientRect() const;

  // Brings the framebuffer (0x00RRGGBB, |size| wide) up to date with the controls and returns the
  // rectangles that changed since the last call. A new size redraws everything. The box is in the
  // picture while it is Showing().
  std::vector<PixelRect> Compose(PixelRect size);
  const std::vector<std::uint32_t>& Frame() const { return frame_; }
  PixelRect FrameRect() const { return frame_rect_; }

  // Set when the window is unloaded; no handler runs after that.
  bool unloaded = false;

 private:
  void Draw(PixelRect area);

  Picture background_;
  std::uint32_t window_colour_;
  std::vector<HotSpot> hot_spots_;
  std::vector<std::uint32_t> frame_;
  PixelRect frame_rect_;
  struct Shown {
    bool visible = false;
    PixelRect rect;
    unsigned version = 0;
  } shown_;
};

}  // namespace tarvelin
