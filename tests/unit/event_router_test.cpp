// The shared form model and event router that every provider feeds: which control gets the
// pointer, what a click is, how re-entrant pumps are bounded, and what the framebuffer shows.

#include <cmath>
#include <functional>
#include <limits>
#include <utility>

#include "menu_harness.h"

namespace tarvelin::testing {
namespace {

constexpr std::uint32_t kWindowColour = 0x123456;
constexpr PixelRect kWindow{0, 0, 480, 360};

// A form with the menu's layout, the box shown over hot spot |box_over| (0: hidden).
struct Model {
  explicit Model(std::int16_t box_over = 0) : form(Art().background, Art().highlight, kHotSpotLayout, kWindowColour) {
    if (box_over) {
      const PixelRect r = RectOf(box_over);
      form.box.SetLeft(static_cast<float>(r.x));
      form.box.SetTop(static_cast<float>(r.y));
      form.box.SetWidth(static_cast<float>(r.w));
      form.box.SetHeight(static_cast<float>(r.h));
      form.box.SetVisible(true);
    }
  }
  Form form;
  EventRouter router{form};
};

// The same form on screen: the router takes the window's area from the picture composed for it.
struct ShownModel : Model {
  explicit ShownModel(std::int16_t box_over = 0) : Model(box_over) { form.Compose(kWindow); }
};

// Records handler calls; |on_call| lets a test act from inside a handler.
struct Recorder final : FormHandlers {
  std::vector<std::string> calls;
  std::function<void()> on_call;
  void Load() override {}
  void PointerOverWindow() override { Record("bare"); }
  void PointerOverHotSpot(std::int16_t index) override { Record("hot " + std::to_string(index)); }
  void BoxClicked() override { Record("click"); }
  void KeyTyped(std::int16_t key_ascii) override { Record("key " + std::to_string(key_ascii)); }
  void StartFailed(const std::string& command) override { Record("failed " + command); }
  void Record(std::string call) {
    calls.push_back(std::move(call));
    if (on_call) on_call();
  }
};

using Calls = std::vector<std::string>;

TEST(HitTest, ShownBoxLiesAboveHotSpotsAndHotSpotsAboveTheWindow) {
  const Point entry1 = CentreOf(1), entry2 = CentreOf(2);
  Model hidden;
  EXPECT_EQ(hidden.form.HitTest(entry1.x, entry1.y).kind, Form::Target::Kind::HotSpot);
  EXPECT_EQ(hidden.form.HitTest(entry1.x, entry1.y).index, 1);
  EXPECT_EQ(hidden.form.HitTest(kGap.x, kGap.y).kind, Form::Target::Kind::BareWindow);
  EXPECT_EQ(hidden.form.HitTest(-1, -1).kind, Form::Target::Kind::BareWindow);

  Model shown(1);
  EXPECT_EQ(shown.form.HitTest(entry1.x, entry1.y).kind, Form::Target::Kind::Box);
  EXPECT_EQ(shown.form.HitTest(entry2.x, entry2.y).index, 2);
  EXPECT_EQ(shown.form.HitTest(kGap.x, kGap.y).kind, Form::Target::Kind::BareWindow);
}

TEST(EventRouter, MovesReachTheControlUnderThePointer) {
  ShownModel model(2);
  Recorder r;
  for (const Point p : {CentreOf(1), CentreOf(2), kGap, CentreOf(8)}) {
    model.router.Post(Move(p));
    model.router.Post(Key('.'));  // keeps the moves from merging
  }
  model.router.DispatchPending(r);
  EXPECT_EQ(r.calls, (Calls{"hot 1", "key 46", "key 46", "bare", "key 46", "hot 8", "key 46"}));
}

TEST(EventRouter, AClickIsAPressAndReleaseOnTheShownBox) {
  const Point kOutside{200, -40};
  const PixelRect entry3 = RectOf(3);
  const struct {
    const char* name;
    std::vector<InputEvent> events;
    Calls expected;
  } cases[] = {
      {"press and release on the box", {Press(CentreOf(3)), Release(CentreOf(3))}, {"click"}},
      {"release elsewhere on the box",
       {Press({entry3.x, entry3.y}), Release({entry3.x + entry3.w - 1, entry3.y + entry3.h - 1})},
       {"click"}},
      {"off the box and back while held", {Press(CentreOf(3)), Move(kGap), Move(kOutside), Move(CentreOf(3)),
                                           Release(CentreOf(3))}, {"click"}},
      // Any other release inside the window is a movement to where it happened.
      {"release on the bare window", {Press(CentreOf(3)), Release(kGap)}, {"bare"}},
      {"release on another entry", {Press(CentreOf(3)), Release(CentreOf(1))}, {"hot 1"}},
      {"release on the exit button", {Press(CentreOf(3)), Release(CentreOf(8))}, {"hot 8"}},
      {"release outside the window", {Press(CentreOf(3)), Release(kOutside)}, {}},
      {"press off the box", {Press(kGap), Release(CentreOf(3))}, {}},
      {"press on another entry", {Press(CentreOf(1)), Release(CentreOf(3))}, {}},
      {"release without press", {Release(CentreOf(3))}, {}},
      {"second press of a double-click", {Press(CentreOf(3), 2), Release(CentreOf(3))}, {}},
      {"double-click after a click", {Press(CentreOf(3), 1), Release(CentreOf(3)), Press(CentreOf(3), 2),
                                      Release(CentreOf(3))}, {"click"}},
      {"third press of a triple click", {Press(CentreOf(3), 3), Release(CentreOf(3))}, {"click"}},
      {"second press abandons the first", {Press(CentreOf(3), 1), Press(CentreOf(3), 2), Release(CentreOf(3))}, {}},
      {"press on an uncovered hot spot", {Press(CentreOf(4)), Release(CentreOf(4))}, {"hot 4"}},
      {"capture lost while held", {Press(CentreOf(3)), {InputEvent::Type::CaptureLost}, Release(CentreOf(3))}, {}},
  };
  for (const auto& c : cases) {
    ShownModel model(3);
    Recorder r;
    for (const InputEvent& e : c.events) model.router.Post(e);
    model.router.DispatchPending(r);
    EXPECT_EQ(r.calls, c.expected) << c.name;
  }
}

TEST(EventRouter, WhileTheButtonIsHeldMovementsRunNoHandler) {
  ShownModel model(3);
  Recorder r;
  for (const InputEvent& e : {Press(CentreOf(3)), Move(CentreOf(4)), Move(kGap), Move(CentreOf(8))}) {
    model.router.Post(e);
    model.router.DispatchPending(r);
  }
  EXPECT_EQ(r.calls, Calls{});
  // Keys still reach the form: Escape closes the menu whatever the mouse does.
  model.router.Post(Key(27));
  model.router.DispatchPending(r);
  EXPECT_EQ(r.calls, Calls{"key 27"});
  // After the release, movements reach the handlers again.
  model.router.Post(Release({20, 20}));
  model.router.Post(Move(CentreOf(5)));
  model.router.DispatchPending(r);
  EXPECT_EQ(r.calls, (Calls{"key 27", "bare", "hot 5"}));
}

TEST(EventRouter, AfterALostCaptureMovementsReachTheHandlers) {
  ShownModel model(3);
  Recorder r;
  for (const InputEvent& e : {Press(CentreOf(3)), Move(CentreOf(4)), {InputEvent::Type::CaptureLost}, Move(CentreOf(5))})
    model.router.Post(e);
  model.router.DispatchPending(r);
  EXPECT_EQ(r.calls, Calls{"hot 5"});
}

TEST(EventRouter, ClickNeedsTheBoxWhereThePressFoundIt) {
  // A handler that a pump interrupted may move the box while the button is held; a release on
  // the box in its new place is no click on the entry that was pressed.
  ShownModel model(3);
  Recorder r;
  model.router.Post(Press(CentreOf(3)));
  model.router.DispatchPending(r);
  model.form.box.SetTop(static_cast<float>(RectOf(4).y));
  model.router.Post(Release(CentreOf(4)));
  model.router.DispatchPending(r);
  EXPECT_EQ(r.calls, Calls{});
}

TEST(EventRouter, PressAndReleaseWaitForTheMovementHandlerThatIsRunning) {
  // They arrive while a movement handler pumps: what came before them still runs inside the pump,
  // they and what follows run once that handler has finished, and the highlight then ends where
  // the release happened.
  ShownModel model;
  Recorder r;
  bool posted = false;
  std::vector<int> depths;
  r.on_call = [&] {
    depths.push_back(model.router.Depth());
    if (std::exchange(posted, true)) return;
    model.router.Post(Key('a'));
    model.router.Post(Press(kGap));
    model.router.Post(Release(CentreOf(2)));
    model.router.Post(Press(CentreOf(5)));
    model.router.Post(Move(CentreOf(4)));
    model.router.DispatchPending(r);
    EXPECT_TRUE(model.router.HasPending());
  };
  model.router.Post(Move(CentreOf(1)));
  model.router.DispatchPending(r);
  EXPECT_EQ(r.calls, (Calls{"hot 1", "key 97", "hot 2"}));
  EXPECT_EQ(depths, (std::vector<int>{1, 2, 1}));
  EXPECT_FALSE(model.router.HasPending());
}

TEST(EventRouter, ClickNeedsTheBoxShownAtRelease) {
  ShownModel model(3);
  Recorder r;
  model.router.Post(Press(CentreOf(3)));
  model.router.DispatchPending(r);
  model.form.box.SetVisible(false);
  model.router.Post(Release(CentreOf(3)));
  model.router.DispatchPending(r);
  // No click; the release is a movement onto the hot spot the hidden box uncovered.
  EXPECT_EQ(r.calls, Calls{"hot 3"});
}

TEST(EventRouter, PumpsFromInsideHandlersNestAtMostTheLimit) {
  ShownModel model;
  Recorder r;
  int deepest = 0, calls = 0;
  r.on_call = [&] {
    deepest = std::max(deepest, model.router.Depth());
    // Every handler posts two more events and pumps, as an endless flood would.
    if (++calls < 2000) {
      model.router.Post(Key('x'));
      model.router.Post(Move(CentreOf(1)));
      model.router.DispatchPending(r);
    }
  };
  model.router.Post(Key('x'));
  model.router.DispatchPending(r);
  EXPECT_EQ(deepest, EventRouter::kMaxNesting);
  EXPECT_EQ(model.router.Depth(), 0);
  EXPECT_FALSE(model.router.HasPending());  // the outermost pump ran everything in the end
}

TEST(EventRouter, NothingIsDispatchedOnceUnloaded) {
  ShownModel model;
  Recorder r;
  r.on_call = [&] { model.form.unloaded = true; };
  model.router.Post(Key(27));
  model.router.Post(Key('a'));
  model.router.Post(Move(CentreOf(1)));
  model.router.DispatchPending(r);
  model.router.Post(Key('b'));
  model.router.DispatchPending(r);
  EXPECT_EQ(r.calls, Calls{"key 27"});
  EXPECT_FALSE(model.router.HasPending());
}

TEST(ToPixel, RoundsAndClampsEveryValue) {
  EXPECT_EQ(ToPixel(0.4f), 0);
  EXPECT_EQ(ToPixel(0.6f), 1);
  EXPECT_EQ(ToPixel(-2.6f), -3);
  EXPECT_EQ(ToPixel(std::numeric_limits<float>::quiet_NaN()), 0);
  EXPECT_EQ(ToPixel(std::numeric_limits<float>::infinity()), 32767);
  EXPECT_EQ(ToPixel(-std::numeric_limits<float>::infinity()), -32768);
  EXPECT_EQ(ToPixel(1e30f), 32767);
}

TEST(ClientRect, OddScalesGiveASaneWindow) {
  // The client area of a window given this outer size in window units at these units per pixel.
  const auto client = [](float width, float height, WindowUnits units) {
    Form form(Picture{}, Picture{}, {}, 0);
    FormProperties properties(form.window, units);
    properties.SetWidth(width);
    properties.SetHeight(height);
    return form.ClientRect();
  };
  EXPECT_EQ(client(7200, 5400, {15, 15}), (PixelRect{0, 0, 480, 360}));
  EXPECT_EQ(client(7200, 5400, {0, -1}), (PixelRect{0, 0, 1, 1}));
  EXPECT_EQ(client(7200, 5400, {std::numeric_limits<float>::quiet_NaN(), 1e-30f}).w, 1);
  EXPECT_LE(client(1e30f, 1e30f, {1, 1}).w, 16384);
}

TEST(HighlightBox, PaintPictureIsClippedToPictureAndBox) {
  Model model(8);
  HighlightBox& box = model.form.box;
  const Picture& pic = Art().highlight;
  // Source running off the picture's right and bottom edges.
  box.PaintPicture(pic, 0, 0, 82, 22, 440, 350);
  EXPECT_EQ(box.Pixel(0, 0), pic.Colour(440, 350));
  EXPECT_EQ(box.Pixel(39, 9), pic.Colour(479, 359));
  EXPECT_EQ(box.Pixel(40, 10), kWindowColour);  // beyond the picture: untouched
  // Negative positions and sizes, NaN and huge values are clipped, never written out of bounds.
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (const float v : {-1000.0f, -1.0f, nan, 1e9f}) {
    box.PaintPicture(pic, v, 0, 82, 22, 0, 0);
    box.PaintPicture(pic, 0, v, 82, 22, 0, 0);
    box.PaintPicture(pic, 0, 0, v, v, 0, 0);
    box.PaintPicture(pic, 0, 0, 82, 22, v, v);
  }
  box.PaintPicture(pic, -5, -3, 82, 22, 386, 318);  // corners move together
  EXPECT_EQ(box.Pixel(0, 0), pic.Colour(391, 321));
}

TEST(Compose, ReportsOnlyWhatChanged) {
  Model model;
  Form& form = model.form;
  const PixelRect window{0, 0, 480, 360};
  EXPECT_EQ(form.Compose(window), std::vector<PixelRect>{window});
  EXPECT_EQ(form.Compose(window), std::vector<PixelRect>{});

  HighlightBox& box = form.box;
  const PixelRect one = RectOf(1), two = RectOf(2);
  box.SetLeft(one.x), box.SetTop(one.y), box.SetWidth(one.w), box.SetHeight(one.h);
  EXPECT_EQ(form.Compose(window), std::vector<PixelRect>{});  // still hidden
  box.SetVisible(true);
  // Shown, not yet drawn into: its blank never reaches the picture.
  EXPECT_EQ(form.Compose(window), std::vector<PixelRect>{});
  EXPECT_EQ(form.Frame()[one.y * 480 + one.x], Art().background.Colour(one.x, one.y));
  box.PaintPicture(Art().highlight, 0, 0, one.w, one.h, one.x, one.y);
  EXPECT_EQ(form.Compose(window), std::vector<PixelRect>{one});
  EXPECT_EQ(form.Frame()[one.y * 480 + one.x], Art().highlight.Colour(one.x, one.y));

  // Moved, it uncovers the old place and shows at the new one once drawn into.
  box.SetLeft(two.x), box.SetTop(two.y), box.SetWidth(two.w), box.SetHeight(two.h);
  EXPECT_EQ(form.Compose(window), (std::vector<PixelRect>{one}));
  EXPECT_EQ(form.Frame()[one.y * 480 + one.x], Art().background.Colour(one.x, one.y));
  EXPECT_EQ(form.Frame()[two.y * 480 + two.x], Art().background.Colour(two.x, two.y));
  box.PaintPicture(Art().highlight, 0, 0, two.w, two.h, two.x, two.y);
  EXPECT_EQ(form.Compose(window), std::vector<PixelRect>{two});
  EXPECT_EQ(form.Frame()[two.y * 480 + two.x], Art().highlight.Colour(two.x, two.y));
  box.SetVisible(false);
  EXPECT_EQ(form.Compose(window), std::vector<PixelRect>{two});
  EXPECT_EQ(form.Frame()[two.y * 480 + two.x], Art().background.Colour(two.x, two.y));
  // Shown again where it was, it shows what was drawn into it.
  box.SetVisible(true);
  EXPECT_EQ(form.Compose(window), std::vector<PixelRect>{two});
  EXPECT_EQ(form.Frame()[two.y * 480 + two.x], Art().highlight.Colour(two.x, two.y));

  // A copy clipped away entirely still counts as drawing: the box shows its background.
  box.SetTop(static_cast<float>(one.y));
  box.PaintPicture(Art().highlight, 0, 0, one.w, one.h, 1000, 1000);
  EXPECT_EQ(form.Compose(window), (std::vector<PixelRect>{two, one}));
  EXPECT_EQ(form.Frame()[one.y * 480 + one.x], kWindowColour);
}

TEST(Compose, BoxReachingOutOfTheWindowIsClipped) {
  Model model;
  HighlightBox& box = model.form.box;
  box.SetLeft(470), box.SetTop(-5), box.SetWidth(100), box.SetHeight(20);
  box.SetVisible(true);
  box.PaintPicture(Art().highlight, 0, 0, 100, 20, 0, 0);
  model.form.Compose({0, 0, 480, 360});
  EXPECT_EQ(model.form.Compose({0, 0, 480, 360}), std::vector<PixelRect>{});
  box.SetVisible(false);
  EXPECT_EQ(model.form.Compose({0, 0, 480, 360}), (std::vector<PixelRect>{{470, 0, 10, 15}}));
}

TEST(Compose, WindowLargerThanThePictureShowsTheWindowColourBeyondIt) {
  Model model;
  model.form.Compose({0, 0, 500, 370});
  EXPECT_EQ(model.form.Frame()[0], Art().background.Colour(0, 0));
  EXPECT_EQ(model.form.Frame()[369 * 500 + 499], kWindowColour);
  EXPECT_EQ(model.form.Frame()[10 * 500 + 485], kWindowColour);
}

}  // namespace
}  // namespace tarvelin::testing
