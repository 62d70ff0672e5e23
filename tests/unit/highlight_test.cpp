// Hover highlighting, state by state: what the pointer's movements show on screen, and the order
// of hiding, pumping, moving and drawing.

#include "menu_harness.h"

namespace tarvelin::testing {
namespace {

constexpr std::uint32_t kBoxColour = 0xFFFFFF;  // the in-memory provider's window colour

// Bare-window points: the pixel past each edge of every hot spot (so the first and last rows of
// every gap between entries, and the margins beside them), and the window's corners.
const std::vector<Point> kBarePoints = [] {
  std::vector<Point> points{{0, 0}, {479, 359}};
  for (const std::int16_t k : kHotSpotIndices) {
    const PixelRect r = RectOf(k);
    const Point middle = CentreOf(k);
    points.insert(points.end(),
                  {{r.x - 1, middle.y}, {r.x + r.w, middle.y}, {middle.x, r.y - 1}, {middle.x, r.y + r.h}});
  }
  return points;
}();

// What the box and the screen looked like each time the menu let pending events run.
struct PumpView {
  bool visible;
  PixelRect rect;
  bool box_painted;        // the box's top-left pixel is no longer its blank colour
  bool screen_plain;       // the screen last presented is background.bmp everywhere
};

void RecordPumps(TestMenu& menu, std::vector<PumpView>& views) {
  menu.rt.on_pump = [&menu, &views] {
    const HighlightBox& box = menu.rt.picDisplay();
    views.push_back({box.Visible(), box.Rect(), !box.Rect().Empty() && box.Pixel(0, 0) != kBoxColour,
                     ScreenShows(menu.rt, 0)});
  };
}

TEST(Highlight, PointingAtAHotSpotShowsExactlyItsPiece) {
  for (std::int16_t k : kHotSpotIndices) {
    SCOPED_TRACE(::testing::Message() << "hot spot " << k);
    TestMenu menu;
    ASSERT_TRUE(menu.Start());
    std::vector<PumpView> pumps;
    RecordPumps(menu, pumps);
    menu.Hover(k);
    EXPECT_EQ(menu.active(), k);
    EXPECT_TRUE(menu.rt.picDisplay().Visible());
    EXPECT_EQ(menu.rt.picDisplay().Rect(), RectOf(k));
    EXPECT_TRUE(ScreenShows(menu.rt, k));
    // The box is moved and shown, pending events run, and only then is the piece drawn.
    ASSERT_EQ(pumps.size(), 1u);
    EXPECT_TRUE(pumps[0].visible);
    EXPECT_EQ(pumps[0].rect, RectOf(k));
    EXPECT_FALSE(pumps[0].box_painted);
  }
}

TEST(Highlight, ExitButtonShowsItsOwnPiece) {
  TestMenu menu;
  ASSERT_TRUE(menu.Start());
  const PixelRect exit = RectOf(8);
  menu.Send(Move({exit.x, exit.y}));
  EXPECT_EQ(menu.rt.picDisplay().Rect(), exit);
  for (int y = exit.y; y < exit.y + exit.h; ++y)
    for (int x = exit.x; x < exit.x + exit.w; ++x)
      ASSERT_EQ(menu.rt.ScreenPixel(x, y), Art().highlight.Colour(x, y)) << x << "," << y;
  EXPECT_TRUE(ScreenShows(menu.rt, 8));
}

TEST(Highlight, BareWindowClearsTheHighlightWithOnePump) {
  for (const Point bare : kBarePoints) {
    SCOPED_TRACE(::testing::Message() << "bare window at " << bare.x << "," << bare.y);
    TestMenu menu;
    ASSERT_TRUE(menu.Start());
    menu.Hover(3);
    std::vector<PumpView> pumps;
    RecordPumps(menu, pumps);
    menu.Send(Move(bare));
    EXPECT_EQ(menu.active(), 0);
    EXPECT_FALSE(menu.rt.picDisplay().Visible());
    EXPECT_TRUE(ScreenShows(menu.rt, 0));
    ASSERT_EQ(pumps.size(), 1u);
    EXPECT_FALSE(pumps[0].visible);  // hidden before events run
  }
}

TEST(Highlight, JumpingBetweenHotSpotsHidesTheOldBeforeShowingTheNew) {
  for (std::int16_t k : kHotSpotIndices)
    for (std::int16_t j : kHotSpotIndices) {
      if (j == k) continue;
      SCOPED_TRACE(::testing::Message() << k << " -> " << j);
      TestMenu menu;
      ASSERT_TRUE(menu.Start());
      menu.Hover(k);
      std::vector<PumpView> pumps;
      RecordPumps(menu, pumps);
      menu.Hover(j);
      EXPECT_EQ(menu.active(), j);
      EXPECT_EQ(menu.rt.picDisplay().Rect(), RectOf(j));
      EXPECT_TRUE(ScreenShows(menu.rt, j));  // only j: nothing of k is left
      ASSERT_EQ(pumps.size(), 2u);
      EXPECT_FALSE(pumps[0].visible);
      EXPECT_EQ(pumps[0].rect, RectOf(k));  // hidden and pumped before it moves
      EXPECT_TRUE(pumps[1].visible);
      EXPECT_EQ(pumps[1].rect, RectOf(j));
      EXPECT_TRUE(pumps[1].screen_plain);  // the old highlight was gone from the screen
    }
}

TEST(Highlight, CrossingTheGapClearsThenShowsTheNextEntry) {
  TestMenu menu;
  ASSERT_TRUE(menu.Start());
  menu.Hover(1);
  const PixelRect first = RectOf(1), second = RectOf(2);
  const int x = CentreOf(1).x;
  for (int y = first.y + first.h; y < second.y; ++y) {
    menu.Send(Move({x, y}));
    EXPECT_EQ(menu.active(), 0) << "y " << y;
  }
  EXPECT_TRUE(ScreenShows(menu.rt, 0));
  menu.Send(Move({x, second.y}));
  EXPECT_TRUE(ScreenShows(menu.rt, 2));
}

TEST(Highlight, EntryTwoStraightToFourLeavesOnlyFour) {
  TestMenu menu;
  ASSERT_TRUE(menu.Start());
  menu.Hover(2);
  menu.Hover(4);
  EXPECT_EQ(menu.active(), 4);
  EXPECT_TRUE(ScreenShows(menu.rt, 4));
}

TEST(Highlight, SameHotSpotAgainRedrawsWithoutHiding) {
  TestMenu menu;
  ASSERT_TRUE(menu.Start());
  menu.Hover(5);
  std::vector<PumpView> pumps;
  RecordPumps(menu, pumps);
  menu.menu.imgHover_MouseMove(5);  // as if the box did not cover its hot spot
  menu.Send(Key('x'));              // a harmless event lets the runtime repaint
  EXPECT_EQ(menu.active(), 5);
  EXPECT_TRUE(ScreenShows(menu.rt, 5));
  ASSERT_EQ(pumps.size(), 1u);
  EXPECT_TRUE(pumps[0].visible);
}

TEST(Highlight, BareWindowWhileNothingIsHighlightedTouchesNothing) {
  TestMenu menu;
  ASSERT_TRUE(menu.Start());
  const unsigned version = menu.rt.picDisplay().Version();
  for (const Point bare : kBarePoints) menu.Send(Move(bare));
  EXPECT_EQ(menu.handlers.calls.size(), kBarePoints.size());  // each reached Form_MouseMove
  EXPECT_EQ(menu.rt.pumps, 0);
  EXPECT_EQ(menu.rt.picDisplay().Version(), version);
  EXPECT_FALSE(menu.rt.picDisplay().Visible());
  EXPECT_TRUE(ScreenShows(menu.rt, 0));
}

TEST(Highlight, MovementInsideTheShownBoxReachesNoHandler) {
  TestMenu menu;
  ASSERT_TRUE(menu.Start());
  menu.Hover(2);
  const std::size_t calls = menu.handlers.calls.size();
  const int pumps = menu.rt.pumps;
  const unsigned version = menu.rt.picDisplay().Version();
  const PixelRect r = RectOf(2);
  for (const Point inside : {Point{r.x, r.y}, Point{r.x + r.w - 1, r.y + r.h - 1}, Point{r.x + 7, r.y + 20}})
    menu.Send(Move(inside));
  EXPECT_EQ(menu.handlers.calls.size(), calls);
  EXPECT_EQ(menu.rt.pumps, pumps);
  EXPECT_EQ(menu.rt.picDisplay().Version(), version);
  EXPECT_TRUE(ScreenShows(menu.rt, 2));
}

TEST(Highlight, HotSpotEdgesBelongToTheirHotSpot) {
  // Each corner pixel belongs to its hot spot; the pixels past it, sideways and up or down, to the
  // bare window.
  struct Case {
    Point p;
    std::int16_t expected;
  };
  std::vector<Case> cases;
  for (const std::int16_t k : kHotSpotIndices) {
    const PixelRect r = RectOf(k);
    for (const int x : {r.x, r.x + r.w - 1})
      for (const int y : {r.y, r.y + r.h - 1}) {
        const int outward_x = x == r.x ? -1 : 1, outward_y = y == r.y ? -1 : 1;
        cases.insert(cases.end(), {{{x, y}, k}, {{x + outward_x, y}, 0}, {{x, y + outward_y}, 0}});
      }
  }
  for (const auto& c : cases) {
    TestMenu menu;
    ASSERT_TRUE(menu.Start());
    menu.Send(Move(c.p));
    EXPECT_EQ(menu.active(), c.expected) << c.p.x << "," << c.p.y;
    EXPECT_TRUE(ScreenShows(menu.rt, c.expected));
  }
}

TEST(Highlight, WaitingMovesCountOnlyAtTheirLatestPosition) {
  TestMenu menu;
  ASSERT_TRUE(menu.Start());
  menu.rt.router().Post(Move(CentreOf(1)));
  menu.rt.router().Post(Move(kGap));
  menu.Send(Move(CentreOf(3)));
  EXPECT_EQ(menu.handlers.calls, std::vector<std::string>{"imgHover_MouseMove 3"});
  EXPECT_TRUE(ScreenShows(menu.rt, 3));
}

TEST(Highlight, MovesSeparatedByOtherEventsEachReachTheirHandler) {
  TestMenu menu;
  ASSERT_TRUE(menu.Start());
  menu.rt.router().Post(Move(CentreOf(1)));
  menu.rt.router().Post(Key('a'));
  menu.Send(Move(CentreOf(3)));
  EXPECT_EQ(menu.handlers.calls,
            (std::vector<std::string>{"imgHover_MouseMove 1", "Form_KeyPress 97", "imgHover_MouseMove 3"}));
  EXPECT_EQ(menu.active(), 3);
  EXPECT_TRUE(ScreenShows(menu.rt, 3));
}

// A movement that arrives while a handler lets pending events run is newer than the one being
// handled: the highlight ends up where the pointer last went.
TEST(Highlight, NewerMovementDeliveredDuringTheClearingPumpWins) {
  const struct {
    const char* name;
    std::int16_t start;
    Point handled, newest;
    std::int16_t expected;
  } cases[] = {
      {"bare window, then hot spot 4", 1, kGap, CentreOf(4), 4},
      {"hot spot 2, then hot spot 4", 1, CentreOf(2), CentreOf(4), 4},
      {"hot spot 2, then back to hot spot 1", 1, CentreOf(2), CentreOf(1), 1},
      {"hot spot 2, then the bare window", 5, CentreOf(2), kGap, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestMenu menu;
    ASSERT_TRUE(menu.Start());
    menu.Hover(c.start);
    bool posted = false;
    menu.rt.on_pump = [&] {  // the first pump is the one that clears the old highlight
      if (!posted) menu.rt.router().Post(Move(c.newest));
      posted = true;
    };
    menu.Send(Move(c.handled));
    EXPECT_EQ(menu.active(), c.expected);
    EXPECT_TRUE(ScreenShows(menu.rt, c.expected));
  }
}

TEST(Highlight, NewerMovementDeliveredBeforeTheDrawingWins) {
  for (const auto& [newest, expected] : {std::pair{CentreOf(5), 5}, std::pair{kGap, 0}}) {
    TestMenu menu;
    ASSERT_TRUE(menu.Start());
    bool posted = false;
    menu.rt.on_pump = [&] {
      if (!posted) menu.rt.router().Post(Move(newest));
      posted = true;
    };
    menu.Hover(1);  // its only pump comes after the box is shown, before the drawing
    EXPECT_EQ(menu.active(), expected);
    EXPECT_TRUE(ScreenShows(menu.rt, static_cast<std::int16_t>(expected)));
  }
}

}  // namespace
}  // namespace tarvelin::testing
