// The least Win32 program that does the menu's visible job, as the limit the menu is measured
// against: a 480 x 360 popup window in the middle of the screen painted from the background
// picture, and on every pointer movement the piece of the highlight picture at entry 1 drawn into
// it. Built with the menu's toolchain and link options.

#include <windows.h>

#include <cstdint>
#include <span>

#include "hot_spots.h"

namespace tarvelin {
std::span<const std::uint8_t> ReferenceBackgroundBitmap();
std::span<const std::uint8_t> ReferenceHighlightBitmap();
}  // namespace tarvelin

namespace {

constexpr int kWidth = 480, kHeight = 360;
constexpr RECT kEntry1{TARVELIN_HOT_SPOT_1_LEFT, TARVELIN_HOT_SPOT_1_TOP,
                       TARVELIN_HOT_SPOT_1_LEFT + TARVELIN_HOT_SPOT_1_WIDTH,
                       TARVELIN_HOT_SPOT_1_TOP + TARVELIN_HOT_SPOT_1_HEIGHT};

// A bitmap file as the header and pixels that SetDIBitsToDevice takes.
struct Dib {
  const BITMAPINFO* info;
  const void* bits;
};

Dib FromFile(std::span<const std::uint8_t> file) {
  const auto* header = reinterpret_cast<const BITMAPFILEHEADER*>(file.data());
  return {reinterpret_cast<const BITMAPINFO*>(file.data() + sizeof(BITMAPFILEHEADER)), file.data() + header->bfOffBits};
}

Dib background, highlight;

// Draws the piece |r| of a bottom-up picture at the same place of the window.
void Draw(HDC dc, const Dib& dib, const RECT& r) {
  SetDIBitsToDevice(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, r.left, kHeight - r.bottom, 0, kHeight,
                    dib.bits, dib.info, DIB_RGB_COLORS);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      Draw(dc, background, RECT{0, 0, kWidth, kHeight});
      EndPaint(window, &paint);
      return 0;
    }
    case WM_MOUSEMOVE: {
      HDC dc = GetDC(window);
      Draw(dc, highlight, kEntry1);
      ReleaseDC(window, dc);
      return 0;
    }
    case WM_KEYDOWN:
      if (wparam == VK_ESCAPE) DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  background = FromFile(tarvelin::ReferenceBackgroundBitmap());
  highlight = FromFile(tarvelin::ReferenceHighlightBitmap());
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow
  window_class.lpszClassName = L"reference";
  if (!RegisterClassW(&window_class)) return 1;
  const int x = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
  HWND window = CreateWindowExW(0, L"reference", L"reference", WS_POPUP, x, y, kWidth, kHeight, nullptr, nullptr,
                                instance, nullptr);
  if (!window) return 1;
  ShowWindow(window, show);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
