#pragma once

// What the menu tests share: the artwork, the hot-spot rectangles, a menu started on the in-memory
// provider, events as a user makes them, and checks of what is on screen.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "menu/frmMain.h"
#include "menu/layout.h"
#include "runtime/memory/memory_provider.h"

namespace tarvelin::testing {

inline const Artwork& Art() {
  static const Artwork art = BuiltInArtwork();
  return art;
}

inline constexpr std::int16_t kHotSpotIndices[] = {1, 2, 3, 4, 5, 8};

// The rectangle of hot spot |index| in window pixels, from the layout table.
inline PixelRect RectOf(std::int16_t index) {
  for (const HotSpotDesign& d : kHotSpotLayout)
    if (d.Index == index)
      return {static_cast<int>(d.Left), static_cast<int>(d.Top), static_cast<int>(d.Width), static_cast<int>(d.Height)};
  ADD_FAILURE() << "no hot spot " << index;
  return {};
}

inline const char* BuiltInTag(std::int16_t index) {
  for (const HotSpotDesign& d : kHotSpotLayout)
    if (d.Index == index) return d.Tag;
  return "";
}

struct Point {
  int x, y;
};
inline Point CentreOf(std::int16_t index) {
  const PixelRect r = RectOf(index);
  return {r.x + r.w / 2, r.y + r.h / 2};
}

inline InputEvent Move(Point p) { return {InputEvent::Type::PointerMove, p.x, p.y}; }
inline InputEvent Press(Point p, int clicks = 1) { return {InputEvent::Type::ButtonPress, p.x, p.y, clicks}; }
inline InputEvent Release(Point p) { return {InputEvent::Type::ButtonRelease, p.x, p.y}; }
inline InputEvent Key(char32_t code) { return {InputEvent::Type::Character, 0, 0, 1, code}; }

// A point of the bare window: the middle of the gap between entries 1 and 2.
inline const Point kGap{CentreOf(1).x, (RectOf(1).y + RectOf(1).h + RectOf(2).y) / 2};

// Passes every handler call on to the menu and records it, so tests can see which handler an
// event reached and in what order.
class RecordingHandlers final : public FormHandlers {
 public:
  explicit RecordingHandlers(frmMain& menu, EventRouter& router) : menu_(menu), router_(router) {}

  // One entry per handler call: "Form_MouseMove", "imgHover_MouseMove 3", "picDisplay_Click",
  // "Form_KeyPress 27".
  std::vector<std::string> calls;
  int deepest = 0;  // the router's largest nesting depth seen when a handler was entered

  void Load() override { menu_.Form_Load(); }
  void PointerOverWindow() override {
    Enter("Form_MouseMove");
    menu_.Form_MouseMove();
  }
  void PointerOverHotSpot(std::int16_t index) override {
    Enter("imgHover_MouseMove " + std::to_string(index));
    menu_.imgHover_MouseMove(index);
  }
  void BoxClicked() override {
    Enter("picDisplay_Click");
    menu_.picDisplay_Click();
  }
  void KeyTyped(std::int16_t key_ascii) override {
    Enter("Form_KeyPress " + std::to_string(key_ascii));
    menu_.Form_KeyPress(key_ascii);
  }
  void StartFailed(const std::string& command) override {
    Enter("StartFailed " + command);
    menu_.StartFailed(command);
  }

 private:
  void Enter(std::string call) {
    calls.push_back(std::move(call));
    deepest = std::max(deepest, router_.Depth());
  }
  frmMain& menu_;
  EventRouter& router_;
};

// A menu on the in-memory provider. Tests set up the machine (files, directories, ...) on |rt|
// before Start().
struct TestMenu {
  explicit TestMenu(float units_per_pixel_x = 15, float units_per_pixel_y = 15)
      : rt(Art(), kHotSpotLayout, units_per_pixel_x, units_per_pixel_y) {}

  bool Start() { return rt.Start(handlers); }
  void Send(const InputEvent& e) { rt.Send(e); }
  void Hover(std::int16_t index) { rt.Send(Move(CentreOf(index))); }
  void Click(Point p) {
    rt.Send(Press(p));
    rt.Send(Release(p));
  }
  void ClickOn(std::int16_t index) { Click(CentreOf(index)); }
  std::int16_t active() const { return menu.intActiveItem(); }

  MemoryProvider rt;
  frmMain menu{rt};
  RecordingHandlers handlers{menu, rt.router()};
};

// Compares the screen inside |area| with background.bmp, showing hot spot |active|'s rectangle
// (none for 0) from highlight.bmp.
inline ::testing::AssertionResult ScreenShowsIn(const MemoryProvider& rt, std::int16_t active, PixelRect area) {
  const PixelRect lit = active != 0 ? RectOf(active) : PixelRect{};
  const Picture& background = Art().background;
  const Picture& highlight = Art().highlight;
  int wrong = 0, first_x = 0, first_y = 0;
  for (int y = area.y; y < area.y + area.h; ++y)
    for (int x = area.x; x < area.x + area.w; ++x) {
      const std::uint32_t expected = lit.Contains(x, y) ? highlight.Colour(x, y) : background.Colour(x, y);
      if (rt.ScreenPixel(x, y) != expected && wrong++ == 0) first_x = x, first_y = y;
    }
  if (wrong == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << wrong << " pixels differ from "
                                       << (active ? "hot spot " + std::to_string(active) + " highlighted"
                                                  : std::string("the plain background"))
                                       << ", the first at (" << first_x << ", " << first_y << ")";
}

// The whole screen shows background.bmp, with hot spot |active|'s rectangle from highlight.bmp.
inline ::testing::AssertionResult ScreenShows(const MemoryProvider& rt, std::int16_t active) {
  if (rt.window.w != 480 || rt.window.h != 360)
    return ::testing::AssertionFailure() << "window is " << rt.window.w << " x " << rt.window.h;
  return ScreenShowsIn(rt, active, {0, 0, 480, 360});
}

}  // namespace tarvelin::testing
