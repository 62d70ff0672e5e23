#include "runtime/win32/input_messages.h"

#include <gtest/gtest.h>

using namespace tarvelin;

namespace {

constexpr PixelRect kClient{0, 0, 480, 360};

// Each message on its own, as the first the window receives.
std::optional<InputEvent> InputEventFromMessage(UINT message, WPARAM wparam, LPARAM lparam, PixelRect client,
                                                const ScreenScale& scale = ScreenScale()) {
  return InputMessages().Translate(message, wparam, lparam, client, scale);
}

LPARAM At(int x, int y) { return MAKELPARAM(static_cast<WORD>(static_cast<SHORT>(x)), static_cast<WORD>(static_cast<SHORT>(y))); }

}  // namespace

TEST(InputMessages, MouseInsideTheWindow) {
  const auto move = InputEventFromMessage(WM_MOUSEMOVE, 0, At(100, 200), kClient);
  ASSERT_TRUE(move);
  EXPECT_EQ(move->type, InputEvent::Type::PointerMove);
  EXPECT_EQ(move->x, 100);
  EXPECT_EQ(move->y, 200);

  const auto press = InputEventFromMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(479, 359), kClient);
  ASSERT_TRUE(press);
  EXPECT_EQ(press->type, InputEvent::Type::ButtonPress);
  EXPECT_EQ(press->clicks, 1);
  EXPECT_EQ(press->x, 479);

  const auto release = InputEventFromMessage(WM_LBUTTONUP, 0, At(0, 0), kClient);
  ASSERT_TRUE(release);
  EXPECT_EQ(release->type, InputEvent::Type::ButtonRelease);
}

TEST(InputMessages, SecondPressOfADoubleClickCountsTwo) {
  const auto press = InputEventFromMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, At(70, 100), kClient);
  ASSERT_TRUE(press);
  EXPECT_EQ(press->type, InputEvent::Type::ButtonPress);
  EXPECT_EQ(press->clicks, 2);
}

TEST(InputMessages, CapturedMovesOutsideTheWindowAreNotMovesOverIt) {
  EXPECT_FALSE(InputEventFromMessage(WM_MOUSEMOVE, MK_LBUTTON, At(-5, 100), kClient));
  EXPECT_FALSE(InputEventFromMessage(WM_MOUSEMOVE, MK_LBUTTON, At(480, 100), kClient));
  EXPECT_FALSE(InputEventFromMessage(WM_MOUSEMOVE, MK_LBUTTON, At(100, 360), kClient));
  // ... but a release there still arrives, at its real place, so it is no click on the box.
  const auto release = InputEventFromMessage(WM_LBUTTONUP, 0, At(-5, 400), kClient);
  ASSERT_TRUE(release);
  EXPECT_EQ(release->x, -5);
  EXPECT_EQ(release->y, 400);
}

TEST(InputMessages, CharactersArriveAsCodePoints) {
  const auto escape = InputEventFromMessage(WM_CHAR, 27, 0, kClient);
  ASSERT_TRUE(escape);
  EXPECT_EQ(escape->type, InputEvent::Type::Character);
  EXPECT_EQ(escape->code, U'\x1B');
  EXPECT_EQ(InputEventFromMessage(WM_CHAR, 0x20AC, 0, kClient)->code, U'€');
  EXPECT_EQ(InputEventFromMessage(WM_CHAR, 0xE9, 0, kClient)->code, U'é');
  EXPECT_EQ(InputEventFromMessage(WM_CHAR, 0xFFFF, 0, kClient)->code, U'\xFFFF');
}

TEST(InputMessages, ASurrogatePairIsOneCharacter) {
  InputMessages messages;
  // U+1F600 arrives as the two halves D83D DE00.
  EXPECT_FALSE(messages.Translate(WM_CHAR, 0xD83D, 0, kClient));
  const auto pair = messages.Translate(WM_CHAR, 0xDE00, 0, kClient);
  ASSERT_TRUE(pair);
  EXPECT_EQ(pair->code, U'\x1F600');
  // A lone half stands for no character; the character after it arrives as usual.
  EXPECT_FALSE(messages.Translate(WM_CHAR, 0xDE00, 0, kClient));
  EXPECT_FALSE(messages.Translate(WM_CHAR, 0xD83D, 0, kClient));
  EXPECT_EQ(messages.Translate(WM_CHAR, 27, 0, kClient)->code, U'\x1B');
  EXPECT_FALSE(messages.Translate(WM_CHAR, 0xDE00, 0, kClient));
}

// As a standard button cancels its press: the capture went to another window, the keyboard focus
// went elsewhere, or the system cancelled the mode (a dialog came up, the window was disabled).
TEST(InputMessages, APressEndsWhenTheWindowLosesThePointerOrTheKeyboard) {
  for (const UINT message : {UINT{WM_CAPTURECHANGED}, UINT{WM_KILLFOCUS}, UINT{WM_CANCELMODE}}) {
    const auto lost = InputEventFromMessage(message, 0, 0, kClient);
    ASSERT_TRUE(lost) << message;
    EXPECT_EQ(lost->type, InputEvent::Type::CaptureLost) << message;
  }
}

TEST(InputMessages, OtherMessagesAreNoInput) {
  for (const UINT message : {UINT{WM_KEYDOWN}, UINT{WM_RBUTTONDOWN}, UINT{WM_MOUSEWHEEL}, UINT{WM_PAINT}})
    EXPECT_FALSE(InputEventFromMessage(message, 0, At(10, 10), kClient)) << message;
}

TEST(InputMessages, ScaledWindowReportsPicturePixels) {
  // A window shown at twice the picture's size: each picture pixel is a 2 x 2 square.
  const ScreenScale twice(2);
  const auto move = InputEventFromMessage(WM_MOUSEMOVE, 0, At(959, 719), kClient, twice);
  ASSERT_TRUE(move);
  EXPECT_EQ(move->x, 479);
  EXPECT_EQ(move->y, 359);
  const auto press = InputEventFromMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(121, 186), kClient, twice);
  ASSERT_TRUE(press);
  EXPECT_EQ(press->x, 60);
  EXPECT_EQ(press->y, 93);
  // The last screen pixel row belongs to the picture; the one after it is outside.
  EXPECT_FALSE(InputEventFromMessage(WM_MOUSEMOVE, MK_LBUTTON, At(960, 100), kClient, twice));
  // A release left of the window stays left of it, however small the distance.
  const auto release = InputEventFromMessage(WM_LBUTTONUP, 0, At(-1, 10), kClient, twice);
  ASSERT_TRUE(release);
  EXPECT_EQ(release->x, -1);
  EXPECT_EQ(release->y, 5);
}
