#pragma once

// Random input for the tests that drive the menu with far more events than a user makes: seeded,
// so that a run can be repeated, and aimed at the places where the menu decides something: inside
// the hot spots and on their corners, a pixel or two either side of their edges, the gaps between
// entries, the shown box, the bare window and outside the window. A press is released within two
// events, as a user's click or short drag is, so that movements soon reach the handlers again.

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <random>

#include "menu/layout.h"
#include "runtime/events.h"
#include "runtime/form.h"

namespace tarvelin::testing {

class RandomInput {
 public:
  explicit RandomInput(std::uint64_t seed) : random_(seed) {}

  int Below(int n) { return static_cast<int>(random_() % static_cast<std::uint64_t>(n)); }
  bool Chance(int percent) { return Below(100) < percent; }

  // The next event, given the highlight box as it is when the event is made.
  InputEvent Next(const HighlightBox& box) {
    if (release_due_ > 0 && --release_due_ == 0) return As(InputEvent::Type::ButtonRelease, Somewhere(box));
    const int kind = Below(100);
    if (kind < 60) return Somewhere(box);
    if (kind < 72) {  // sometimes the second or third press of a multiple click
      InputEvent press = As(InputEvent::Type::ButtonPress, Somewhere(box));
      press.clicks = Chance(70) ? 1 : Chance(80) ? 2 : 3;
      release_due_ = 1 + Below(2);
      return press;
    }
    if (kind < 85) return As(InputEvent::Type::ButtonRelease, Somewhere(box));  // with no press before it
    return Key();
  }

 private:
  static constexpr int kWindowWidth = 480, kWindowHeight = 360;
  // The bare window between two rows of entries.
  static constexpr int kRowGap =
      static_cast<int>(kHotSpotLayout[1].Top - kHotSpotLayout[0].Top - kHotSpotLayout[0].Height);

  static InputEvent At(int x, int y) { return {InputEvent::Type::PointerMove, x, y}; }
  static InputEvent As(InputEvent::Type type, InputEvent e) {
    e.type = type;
    return e;
  }

  PixelRect AnyHotSpot() {
    const HotSpotDesign& d = kHotSpotLayout[static_cast<std::size_t>(Below(static_cast<int>(kHotSpotLayout.size())))];
    return {static_cast<int>(d.Left), static_cast<int>(d.Top), static_cast<int>(d.Width), static_cast<int>(d.Height)};
  }

  InputEvent Inside(PixelRect r) { return At(r.x + Below(std::max(1, r.w)), r.y + Below(std::max(1, r.h))); }

  // A pointer position; the event's type is set by the caller.
  InputEvent Somewhere(const HighlightBox& box) {
    const PixelRect spot = AnyHotSpot();
    const int where = Below(100);
    if (where < 35) {
      if (Chance(25)) return At(Chance(50) ? spot.x : spot.x + spot.w - 1, Chance(50) ? spot.y : spot.y + spot.h - 1);
      return Inside(spot);
    }
    if (where < 55) {  // up to two pixels either side of an edge
      const int edge_x = spot.x + (Chance(50) ? spot.w : 0) + Below(3) - 2;
      const int edge_y = spot.y + (Chance(50) ? spot.h : 0) + Below(3) - 2;
      return Chance(50) ? At(edge_x, spot.y + Below(spot.h)) : At(spot.x + Below(spot.w), edge_y);
    }
    if (where < 70) return At(spot.x + Below(spot.w), spot.y + spot.h + Below(kRowGap));  // the gap below it
    if (where < 75)
      return At(Below(kWindowWidth + 200) - 100, Chance(50) ? -1 - Below(50) : kWindowHeight + Below(50));
    if (where < 85 || !box.Visible()) return BareWindow();
    return Inside(box.Rect());
  }

  InputEvent BareWindow() {
    while (true) {
      const InputEvent e = At(Below(kWindowWidth), Below(kWindowHeight));
      bool covered = false;
      for (const HotSpotDesign& d : kHotSpotLayout)
        covered = covered || (e.x >= d.Left && e.y >= d.Top && e.x < d.Left + d.Width && e.y < d.Top + d.Height);
      if (!covered) return e;
    }
  }

  // Keys that mean something elsewhere (Enter, space, Backspace, Tab, Delete, control characters,
  // the last byte) half of the time, else any byte; Escape, which closes the menu, seldom.
  InputEvent Key() {
    static constexpr char32_t kTelling[] = {13, 'a', ' ', 'x', 0, 8, 9, 127, 255, 26, 28};
    InputEvent key{InputEvent::Type::Character};
    key.code = Chance(50) ? kTelling[Below(static_cast<int>(std::size(kTelling)))] : static_cast<char32_t>(Below(256));
    if (key.code == static_cast<char32_t>(kEscape) && Below(50)) key.code = 13;
    return key;
  }

  std::mt19937_64 random_;
  int release_due_ = 0;  // events until the release of the last press; 0 when none is due
};

}  // namespace tarvelin::testing
