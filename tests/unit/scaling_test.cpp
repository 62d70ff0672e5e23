// Whole-factor scaling: a desktop scale becomes a whole factor, and each picture pixel is shown as
// a square of screen pixels.

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "runtime/scaling.h"

namespace tarvelin {
namespace {

TEST(ScreenScale, DesktopScaleGivesTheLargestWholeFactor) {
  EXPECT_EQ(ScreenScale::WholeFactor(1.0f), 1);
  EXPECT_EQ(ScreenScale::WholeFactor(1.25f), 1);
  EXPECT_EQ(ScreenScale::WholeFactor(1.75f), 1);
  EXPECT_EQ(ScreenScale::WholeFactor(1.9999f), 2);  // a rounded DPI
  EXPECT_EQ(ScreenScale::WholeFactor(2.0f), 2);
  EXPECT_EQ(ScreenScale::WholeFactor(2.5f), 2);
  EXPECT_EQ(ScreenScale::WholeFactor(3.0f), 3);
}

TEST(ScreenScale, FactorShrinksUntilTheWindowFitsTheScreen) {
  const PixelRect menu{0, 0, 480, 360};
  EXPECT_EQ(ScreenScale::Fitting(2, menu, 1024, 768), ScreenScale(2));
  EXPECT_EQ(ScreenScale::Fitting(2, menu, 960, 720), ScreenScale(2));   // exactly the screen
  EXPECT_EQ(ScreenScale::Fitting(2, menu, 800, 600), ScreenScale(1));   // 960 x 720 would not fit
  EXPECT_EQ(ScreenScale::Fitting(3, menu, 1024, 768), ScreenScale(2));  // 1440 x 1080 would not
  EXPECT_EQ(ScreenScale::Fitting(2, menu, 1920, 700), ScreenScale(1));  // too low, though wide enough
  EXPECT_EQ(ScreenScale::Fitting(1, menu, 480, 360), ScreenScale(1));
  // No known size: pixel for pixel.
  EXPECT_EQ(ScreenScale::Fitting(8, {0, 0, 4096, 4096}, 0, 0), ScreenScale(1));
}

// A screen smaller than the menu shows all of it, shrunk by the side with less room; not below half
// its size, where the entries would be too small to hit.
TEST(ScreenScale, MenuLargerThanTheScreenShrinksToFit) {
  const PixelRect menu{0, 0, 480, 360};
  const ScreenScale low = ScreenScale::Fitting(3, menu, 640, 300);
  EXPECT_EQ(low, ScreenScale(300, 360));
  EXPECT_EQ(low.ToScreen(menu), (PixelRect{0, 0, 400, 300}));
  EXPECT_EQ(ScreenScale::Fitting(1, menu, 320, 1024).ToScreen(menu), (PixelRect{0, 0, 320, 240}));
  EXPECT_EQ(ScreenScale::Fitting(1, menu, 240, 180).ToScreen(menu), (PixelRect{0, 0, 240, 180}));
  EXPECT_EQ(ScreenScale::Fitting(1, menu, 239, 1024), ScreenScale(1));
  EXPECT_EQ(ScreenScale::Fitting(1, {0, 0, 4096, 360}, 1024, 768), ScreenScale(1));
  // Every picture pixel has screen pixels, and every screen pixel finds a picture pixel back, the
  // exit button's included.
  const PixelRect exit_button{386, 318, 82, 22};
  const PixelRect shown = low.ToScreen(exit_button);
  EXPECT_FALSE(shown.Empty());
  EXPECT_LE(shown.x + shown.w, 400);
  EXPECT_LE(shown.y + shown.h, 300);
  for (int s = shown.x; s < shown.x + shown.w; ++s) {
    EXPECT_GE(low.ToPicture(s), exit_button.x - 1) << s;
    EXPECT_LE(low.ToPicture(s), exit_button.x + exit_button.w) << s;
  }
  EXPECT_EQ(low.ToPicture(0), 0);
  EXPECT_EQ(low.ToPicture(399), 478);
  EXPECT_EQ(low.ToPicture(-1), -2);
}

TEST(ScreenScale, ShrunkBlitAveragesTheCoveredPixels) {
  // 4 x 2 picture at half size: two screen pixels, each the mean of a 2 x 2 square.
  const std::vector<std::uint32_t> frame = {0x000000, 0x101010, 0xFF0000, 0xFF0000,  //
                                            0x202020, 0x303030, 0x0000FF, 0x0000FF};
  const ScreenScale half(1, 2);
  std::vector<std::uint32_t> screen(2, 0xABCDEF);
  half.Blit(frame, 4, {2, 0, 2, 2}, screen.data(), 2);
  EXPECT_EQ(screen[0], 0xABCDEFu);  // outside the rectangle: untouched
  EXPECT_EQ(screen[1], 0x800080u);
  half.Blit(frame, 4, {0, 0, 1, 1}, screen.data(), 2);
  EXPECT_EQ(screen[0], 0x181818u);
}

TEST(ScreenScale, NonsenseScalesGiveAFactorBetweenOneAndEight) {
  EXPECT_EQ(ScreenScale::WholeFactor(0.5f), 1);
  EXPECT_EQ(ScreenScale::WholeFactor(0.0f), 1);
  EXPECT_EQ(ScreenScale::WholeFactor(-2.0f), 1);
  EXPECT_EQ(ScreenScale::WholeFactor(std::numeric_limits<float>::quiet_NaN()), 1);
  EXPECT_EQ(ScreenScale::WholeFactor(9.0f), 8);
  EXPECT_EQ(ScreenScale::WholeFactor(1e6f), 8);
  // Beyond what an int holds the factor is still the largest, not whatever the conversion gives.
  EXPECT_EQ(ScreenScale::WholeFactor(3e9f), 8);
  EXPECT_EQ(ScreenScale::WholeFactor(std::numeric_limits<float>::infinity()), 8);
  EXPECT_EQ(ScreenScale(0), ScreenScale(1));
  EXPECT_EQ(ScreenScale(7, 3), ScreenScale(2));  // only whole factors enlarge
  EXPECT_EQ(ScreenScale(0, -5), ScreenScale(1));
  EXPECT_EQ(ScreenScale(-4), ScreenScale(1));
}

TEST(ScreenScale, MapsRectanglesOutAndPointsBack) {
  const ScreenScale two(2);
  EXPECT_EQ(two.ToScreen({1, 2, 3, 4}), (PixelRect{2, 4, 6, 8}));
  EXPECT_EQ(two.ToPicture(0), 0);
  EXPECT_EQ(two.ToPicture(5), 2);
  EXPECT_EQ(two.ToPicture(959), 479);
  // Left of or above the window stays outside it, however close.
  EXPECT_EQ(two.ToPicture(-1), -1);
  EXPECT_EQ(two.ToPicture(-2), -1);
  EXPECT_EQ(two.ToPicture(-3), -2);
  EXPECT_EQ(ScreenScale(1).ToPicture(-1), -1);
}

TEST(ScreenScale, BlitDrawsEachPixelAsASquareOnlyInsideTheRectangle) {
  const std::vector<std::uint32_t> frame = {1, 2, 3,  //
                                            4, 5, 6};
  const ScreenScale three(3);
  std::vector<std::uint32_t> screen(9 * 6, 0);
  three.Blit(frame, 3, {1, 0, 2, 2}, screen.data(), 9);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 9; ++x) {
      const std::uint32_t expected = x < 3 ? 0 : frame[(y / 3) * 3 + x / 3];
      EXPECT_EQ(screen[y * 9 + x], expected) << x << "," << y;
    }
}

// Where windows go: the menu centred on the usable area, its box centred over it, each kept on the
// usable area as far as it fits.
TEST(PlaceOnScreen, CentresOnWhatItBelongsToAndStaysOnTheUsableArea) {
  const PixelRect screen{0, 0, 1024, 768};
  const PixelRect under_top_panel{0, 32, 1024, 736};
  EXPECT_EQ(PlaceOnScreen(480, 360, screen, screen), (PixelRect{272, 204, 480, 360}));
  EXPECT_EQ(PlaceOnScreen(480, 360, under_top_panel, under_top_panel), (PixelRect{272, 220, 480, 360}));
  // A box over a menu moved near the bottom right corner stays on the screen, its OK button
  // included; over a menu in the middle it stays centred.
  EXPECT_EQ(PlaceOnScreen(300, 120, {700, 560, 480, 360}, screen), (PixelRect{724, 648, 300, 120}));
  EXPECT_EQ(PlaceOnScreen(300, 120, {272, 204, 480, 360}, screen), (PixelRect{362, 324, 300, 120}));
  EXPECT_EQ(PlaceOnScreen(300, 120, {-400, -300, 480, 360}, under_top_panel), (PixelRect{0, 32, 300, 120}));
  // Larger than the usable area: the top-left corner, where the hot spots are, stays on it.
  EXPECT_EQ(PlaceOnScreen(4096, 360, screen, screen), (PixelRect{0, 204, 4096, 360}));
  EXPECT_EQ(PlaceOnScreen(4096, 4096, under_top_panel, under_top_panel), (PixelRect{0, 32, 4096, 4096}));
  // A second monitor to the left of the first.
  EXPECT_EQ(PlaceOnScreen(480, 360, {-1280, 0, 1280, 1024}, {-1280, 0, 1280, 1024}), (PixelRect{-880, 332, 480, 360}));
}

}  // namespace
}  // namespace tarvelin
