#include <algorithm>

#include "runtime/win32/resource.h"
#include "runtime/win32/wide_text.h"
#include "runtime/win32/win32_provider.h"

namespace tarvelin {
namespace {

constexpr wchar_t kWindowClass[] = L"TarvelinMenu";
constexpr float kTwipsPerInch = 1440;

// The outer rectangle for a client area of |client|, centred on the primary monitor's work area
// (the screen less the task bar). A work area smaller than the window keeps its top-left corner.
RECT CentredWindowRect(PixelRect client, DWORD style) {
  RECT outer{0, 0, client.w, client.h};
  AdjustWindowRectEx(&outer, style, FALSE, 0);
  const int w = outer.right - outer.left, h = outer.bottom - outer.top;
  RECT work{};
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0))
    work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  const int x = std::max<int>(work.left, work.left + (work.right - work.left - w) / 2);
  const int y = std::max<int>(work.top, work.top + (work.bottom - work.top - h) / 2);
  return {x, y, x + w, y + h};
}

}  // namespace

std::uint32_t SystemWindowColour() {
  const COLORREF colour = GetSysColor(COLOR_WINDOW);
  return (std::uint32_t{GetRValue(colour)} << 16) | (std::uint32_t{GetGValue(colour)} << 8) | GetBValue(colour);
}

Win32Provider::Win32Provider(HINSTANCE instance, const Artwork& art, std::span<const HotSpotDesign> design)
    : Provider(art, design, SystemWindowColour()), instance_(instance) {
  if (HDC screen = GetDC(nullptr)) {
    const int dpi_x = GetDeviceCaps(screen, LOGPIXELSX), dpi_y = GetDeviceCaps(screen, LOGPIXELSY);
    if (dpi_x > 0) twips_per_pixel_x_ = kTwipsPerInch / static_cast<float>(dpi_x);
    if (dpi_y > 0) twips_per_pixel_y_ = kTwipsPerInch / static_cast<float>(dpi_y);
    ReleaseDC(nullptr, screen);
  }
  app_path_ = WideToUtf8(ProgramDirectory());
}

Win32Provider::~Win32Provider() {
  if (window_) DestroyWindow(window_);
  if (framebuffer_dc_) {
    SelectObject(framebuffer_dc_, framebuffer_dc_old_bitmap_);
    DeleteDC(framebuffer_dc_);
  }
  if (framebuffer_) DeleteObject(framebuffer_);
}

bool Win32Provider::CreateFramebuffer(PixelRect client) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = client.w;
  info.bmiHeader.biHeight = -client.h;  // top row first, as the shared framebuffer has it
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  framebuffer_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  framebuffer_dc_ = CreateCompatibleDC(nullptr);
  if (!framebuffer_ || !framebuffer_dc_ || !bits) return false;
  framebuffer_dc_old_bitmap_ = SelectObject(framebuffer_dc_, framebuffer_);
  framebuffer_bits_ = static_cast<std::uint32_t*>(bits);
  client_ = client;
  return true;
}

bool Win32Provider::ShowWindow(PixelRect client) {
  if (!CreateFramebuffer(client)) return false;

  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.style = CS_DBLCLKS;  // the second press of a double-click arrives as WM_LBUTTONDBLCLK
  window_class.lpfnWndProc = WindowProcedure;
  window_class.hInstance = instance_;
  window_class.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(IDI_TARVELIN));
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = kWindowClass;
  if (!RegisterClassExW(&window_class)) return false;

  constexpr DWORD kStyle = WS_POPUP;
  const RECT place = CentredWindowRect(client, kStyle);
  const std::wstring title = Utf8ToWide(frmMain().Caption);
  window_ = CreateWindowExW(0, kWindowClass, title.c_str(), kStyle, place.left, place.top, place.right - place.left,
                            place.bottom - place.top, nullptr, nullptr, instance_, this);
  if (!window_) return false;
  ::ShowWindow(window_, SW_SHOW);
  SetForegroundWindow(window_);
  return true;
}

void Win32Provider::Present(std::span<const PixelRect> changed) {
  if (!window_ || !framebuffer_bits_) return;
  const std::vector<std::uint32_t>& frame = form().Frame();
  const PixelRect frame_rect = form().FrameRect();
  for (const PixelRect& r : changed) {
    const int x0 = std::max(r.x, 0), y0 = std::max(r.y, 0);
    const int x1 = std::min({r.x + r.w, frame_rect.w, client_.w}), y1 = std::min({r.y + r.h, frame_rect.h, client_.h});
    if (x1 <= x0 || y1 <= y0) continue;
    for (int y = y0; y < y1; ++y)
      std::copy_n(&frame[static_cast<std::size_t>(y) * frame_rect.w + x0], x1 - x0,
                  &framebuffer_bits_[static_cast<std::size_t>(y) * client_.w + x0]);
    const RECT dirty{x0, y0, x1, y1};
    InvalidateRect(window_, &dirty, FALSE);
  }
  UpdateWindow(window_);
}

void Win32Provider::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window_, &paint);
  if (!dc) return;
  const RECT& r = paint.rcPaint;
  BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, framebuffer_dc_, r.left, r.top, SRCCOPY);
  EndPaint(window_, &paint);
}

void Win32Provider::CloseWindow() {
  if (window_) DestroyWindow(window_);
}

}  // namespace tarvelin
