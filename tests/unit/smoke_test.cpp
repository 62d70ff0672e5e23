#include <gtest/gtest.h>
#include "menu/frmMain.h"
#include "menu/layout.h"
#include "runtime/memory/memory_provider.h"
using namespace tarvelin;
TEST(Smoke, Loads) {
  Artwork art = BuiltInArtwork();
  MemoryProvider rt(art, kHotSpotLayout);
  frmMain menu(rt);
  ASSERT_TRUE(rt.Start(menu));
  EXPECT_EQ(rt.window.w, 480);
}
