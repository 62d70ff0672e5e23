#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "runtime/form.h"

namespace tarvelin {

// The menu works in its pictures' own pixels. On a screen that scales (a 200 % desktop), the window
// shows every picture pixel as a whole square of screen pixels, so the art stays crisp. On a screen
// smaller than the menu, the picture shrinks, each screen pixel the mean of the picture pixels it
// covers, so that the whole menu, its exit button included, is on the screen.
class ScreenScale {
 public:
  // The largest whole factor a desktop scale allows (1.0 = 96 DPI); never less than 1.
  static int WholeFactor(float desktop_scale);

  // The scale at which |client| shows on an area of |area_width| x |area_height| screen pixels (a
  // screen's usable part): the largest whole factor up to |wanted| at which it fits, since a
  // borderless menu reaching under a panel or past the screen's edge could not be used; where it
  // does not fit even pixel for pixel, shrunk to fit, down to half its size. A menu that would have
  // to shrink further, or an area of no known size, shows pixel for pixel, and its top-left corner,
  // where the hot spots begin, is kept on the screen (PlaceOnScreen).
  static ScreenScale Fitting(int wanted, PixelRect client, int area_width, int area_height);

  // |factor| screen pixels for each picture pixel along each side.
  explicit ScreenScale(int factor = 1) : screen_(factor < 1 ? 1 : factor), picture_(1) {}
  // |screen| screen pixels for each |picture| picture pixels along each side: a picture shrunk, or
  // enlarged by the whole factor that |screen| / |picture| rounds down to.
  ScreenScale(int screen, int picture);

  // Whether the screen shows the picture's pixels as they are.
  bool Identity() const { return screen_ == picture_; }
  bool operator==(const ScreenScale&) const = default;

  // The screen pixels that show the picture pixels of |r|: each one that shows any of them. A
  // screen pixel back in picture pixels: the first picture pixel it shows.
  PixelRect ToScreen(PixelRect r) const;
  int ToPicture(int screen) const { return FloorDivide(static_cast<long long>(screen) * picture_, screen_); }

  // Brings the screen pixels that show |r| of |frame| (|frame_width| wide) up to date in |screen|
  // (|screen_stride| pixels a row, the scaled frame's size).
  void Blit(std::span<const std::uint32_t> frame, int frame_width, PixelRect r, std::uint32_t* screen,
            int screen_stride) const;

 private:
  static int FloorDivide(long long a, long long b) { return static_cast<int>(a >= 0 ? a / b : -((-a + b - 1) / b)); }
  static int CeilDivide(long long a, long long b) { return -FloorDivide(-a, b); }

  // Shrunk: each screen pixel the mean of the picture pixels it covers.
  void BlitShrunk(std::span<const std::uint32_t> frame, int frame_width, PixelRect r, std::uint32_t* screen,
                  int screen_stride) const;

  int screen_;
  int picture_;
};

// Where a window |width| x |height| goes on a screen: centred on |over| (the usable area, or the
// window it belongs to), then moved into |usable|, the monitor's part that no panel covers, as far
// as it fits. One larger than |usable| keeps its top-left corner there, the corner the menu's hot
// spots and a box's title begin at.
PixelRect PlaceOnScreen(int width, int height, PixelRect over, PixelRect usable);

}  // namespace tarvelin
