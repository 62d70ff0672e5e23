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
  EXPECT_EQ(ScreenScale::FittingFactor(2, menu, 1024, 768), 2);
  EXPECT_EQ(ScreenScale::FittingFactor(2, menu, 960, 720), 2);   // exactly the screen
  EXPECT_EQ(ScreenScale::FittingFactor(2, menu, 800, 600), 1);   // 960 x 720 would not fit
  EXPECT_EQ(ScreenScale::FittingFactor(3, menu, 1024, 768), 2);  // 1440 x 1080 would not
  EXPECT_EQ(ScreenScale::FittingFactor(2, menu, 1920, 700), 1);  // too low, though wide enough
  // A screen smaller than the menu itself still shows it, one pixel for one.
  EXPECT_EQ(ScreenScale::FittingFactor(3, menu, 320, 240), 1);
  EXPECT_EQ(ScreenScale::FittingFactor(8, {0, 0, 4096, 4096}, 0, 0), 1);
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
  EXPECT_EQ(ScreenScale(0).factor(), 1);
  EXPECT_EQ(ScreenScale(-4).factor(), 1);
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
