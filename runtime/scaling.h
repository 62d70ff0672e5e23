#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "runtime/form.h"

namespace tarvelin {

// The menu works in its pictures' own pixels. On a screen that scales (a 200 % desktop), the window
// shows every picture pixel as a whole square of screen pixels, so the art stays crisp.
class ScreenScale {
 public:
  // The largest whole factor a desktop scale allows (1.0 = 96 DPI); never less than 1.
  static int WholeFactor(float desktop_scale);

  // The largest factor up to |wanted| at which |client| fits an area of |area_width| x |area_height|
  // screen pixels (a screen's usable part): a borderless menu reaching under a panel or past the
  // screen's edge could not be used. Never less than 1.
  static int FittingFactor(int wanted, PixelRect client, int area_width, int area_height);

  explicit ScreenScale(int factor = 1) : factor_(factor < 1 ? 1 : factor) {}
  int factor() const { return factor_; }

  // A rectangle of picture pixels in screen pixels, and a screen pixel back in picture pixels.
  PixelRect ToScreen(PixelRect r) const { return {r.x * factor_, r.y * factor_, r.w * factor_, r.h * factor_}; }
  int ToPicture(int screen) const { return screen >= 0 ? screen / factor_ : (screen - factor_ + 1) / factor_; }

  // Copies the rectangle |r| of |frame| (|frame_width| wide) into |screen| (|screen_stride| pixels
  // a row, the scaled frame's size), each pixel as a factor x factor square.
  void Blit(std::span<const std::uint32_t> frame, int frame_width, PixelRect r, std::uint32_t* screen,
            int screen_stride) const;

 private:
  int factor_;
};

// Where a window |width| x |height| goes on a screen: centred on |over| (the usable area, or the
// window it belongs to), then moved into |usable|, the monitor's part that no panel covers, as far
// as it fits. One larger than |usable| keeps its top-left corner there, the corner the menu's hot
// spots and a box's title begin at.
PixelRect PlaceOnScreen(int width, int height, PixelRect over, PixelRect usable);

}  // namespace tarvelin
