#include <algorithm>
#include <cstdlib>
#include <string>

#include "runtime/win32/resource.h"
#include "runtime/win32/wide_text.h"
#include "runtime/win32/win32_provider.h"

namespace tarvelin {
namespace {

// The program's own name: the class that tools and the window's second start find it by.
constexpr wchar_t kWindowClass[] = L"Tarvelin";
constexpr DWORD kWindowStyle = WS_POPUP;
constexpr float kWindowUnitsPerInch = 1440;
constexpr unsigned kStandardDpi = 96;  // 100 %: one picture pixel is one screen pixel

// The outer rectangle for a client area of |client|, centred on |monitor|'s work area (the screen
// less the task bar), its top-left corner on it.
RECT CentredWindowRect(PixelRect client, DWORD style, HMONITOR monitor) {
  RECT outer{0, 0, client.w, client.h};
  AdjustWindowRectEx(&outer, style, FALSE, 0);
  const PixelRect work = WorkArea(monitor);
  const PixelRect place = PlaceOnScreen(outer.right - outer.left, outer.bottom - outer.top, work, work);
  return {place.x, place.y, place.x + place.w, place.y + place.h};
}

// The system DPI: the primary monitor's, as the process is DPI-aware.
unsigned SystemDpi() {
  int dpi = 0;
  if (HDC screen = GetDC(nullptr)) {
    dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
  }
  return dpi > 0 ? static_cast<unsigned>(dpi) : kStandardDpi;
}

// The DPI of the monitor a window is on. GetDpiForWindow exists from Windows 10 (1607) on; before
// it, the system DPI is the primary monitor's, where the window opens, and WM_DPICHANGED reports
// moves to other monitors.
unsigned WindowDpi(HWND window) {
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  const FARPROC found = user32 ? GetProcAddress(user32, "GetDpiForWindow") : nullptr;
  if (found)
    if (const UINT dpi = reinterpret_cast<GetDpiForWindowFunction>(reinterpret_cast<void*>(found))(window)) return dpi;
  return SystemDpi();
}

int FactorForDpi(unsigned dpi) {
  return ScreenScale::WholeFactor(static_cast<float>(dpi) / static_cast<float>(kStandardDpi));
}

// Window units per picture pixel, where a picture pixel covers a whole factor of screen pixels at
// the system DPI. The form keeps its size in picture pixels on a monitor of another DPI.
WindowUnits WindowUnitsAtSystemDpi() {
  const unsigned dpi = SystemDpi();
  const float units = kWindowUnitsPerInch * static_cast<float>(FactorForDpi(dpi)) / static_cast<float>(dpi);
  return {units, units};
}

}  // namespace

PixelRect WorkArea(HMONITOR monitor) {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  RECT work{};
  if (monitor && GetMonitorInfoW(monitor, &info)) work = info.rcWork;
  else if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0))
    work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  return {static_cast<int>(work.left), static_cast<int>(work.top), static_cast<int>(work.right - work.left),
          static_cast<int>(work.bottom - work.top)};
}

std::uint32_t SystemWindowColour() {
  const COLORREF colour = GetSysColor(COLOR_WINDOW);
  return (std::uint32_t{GetRValue(colour)} << 16) | (std::uint32_t{GetGValue(colour)} << 8) | GetBValue(colour);
}

Win32Provider::Win32Provider(HINSTANCE instance, Artwork art, std::span<const HotSpotDesign> design,
                             Win32System& system)
    : Provider(std::move(art), design, SystemWindowColour(), system, WindowUnitsAtSystemDpi()),
      instance_(instance),
      system_(system) {}

Win32Provider::~Win32Provider() {
  if (window_) DestroyWindow(window_);
}

bool Win32Provider::ScaleFor(unsigned dpi, HMONITOR monitor) {
  const PixelRect work = WorkArea(monitor);
  const ScreenScale scale = ScreenScale::Fitting(FactorForDpi(dpi), client_, work.w, work.h);
  if (scale == scale_) return true;
  ScaledFrame scaled;
  if (!scale.Identity()) {
    // Not new, which ends the program: a size the memory cannot hold is refused.
    const PixelRect screen = scale.ToScreen(client_);
    const std::size_t pixels = static_cast<std::size_t>(screen.w) * screen.h;
    scaled.reset(static_cast<std::uint32_t*>(std::calloc(pixels, sizeof(std::uint32_t))));
    if (!scaled) return false;
  }
  scaled_ = std::move(scaled);
  scale_ = scale;
  ScaleIntoCopy(client_);
  return true;
}

bool Win32Provider::ShowWindow(PixelRect client) {
  client_ = client;

  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.style = CS_DBLCLKS;  // the second press of a double-click arrives as WM_LBUTTONDBLCLK
  window_class.lpfnWndProc = WindowProcedure;
  window_class.hInstance = instance_;
  window_class.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(IDI_TARVELIN));
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = kWindowClass;
  if (!RegisterClassExW(&window_class))
    return Fail("the window class cannot be registered (error " + std::to_string(GetLastError()) + ")");

  // Created hidden on the primary monitor, then sized for that monitor's DPI and shown.
  const RECT first = CentredWindowRect(client, kWindowStyle, MonitorFromWindow(nullptr, MONITOR_DEFAULTTOPRIMARY));
  const std::wstring title = Utf8ToWide(form().window.Caption);
  window_ = CreateWindowExW(0, kWindowClass, title.c_str(), kWindowStyle, first.left, first.top, first.right - first.left,
                            first.bottom - first.top, nullptr, nullptr, instance_, this);
  if (!window_) return Fail("the window cannot be created (error " + std::to_string(GetLastError()) + ")");
  if (claim_) claim_->Mark(window_);
  if (HDC dc = GetDC(window_))
    ReleaseDC(window_, dc);
  else
    return Fail("the window has no device context to draw in");
  if (!ScaleFor(WindowDpi(window_), MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY)))
    return Fail("there is no memory for the window's picture at this screen's scale");
  PlaceOnItsMonitor();
  ::ShowWindow(window_, SW_SHOW);
  SetForegroundWindow(window_);
  return true;
}

void Win32Provider::PlaceOnItsMonitor() {
  const RECT place = CentredWindowRect(scale_.ToScreen(client_), kWindowStyle, MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST));
  SetWindowPos(window_, nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Provider::HandleScreenChange() {
  if (!window_) return;
  // A new size or work area is placed by the rule the window opened by; where the scaled copy for
  // it cannot be made, the picture keeps its size and is still placed.
  ScaleFor(WindowDpi(window_), MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST));
  PlaceOnItsMonitor();
  InvalidateRect(window_, nullptr, FALSE);
}

void Win32Provider::ComeForward() {
  if (!window_) return;
  if (IsIconic(window_)) ::ShowWindow(window_, SW_RESTORE);
  // While a message box shows, the box: it is what waits for the user.
  HWND front = GetLastActivePopup(window_);
  SetForegroundWindow(front ? front : window_);
}

void Win32Provider::HandleDpiChange(unsigned dpi, const RECT& suggested) {
  // When the scaled copy cannot be made, the picture stays at its former size.
  if (!ScaleFor(dpi, MonitorFromRect(&suggested, MONITOR_DEFAULTTONEAREST))) return;
  // The suggested rectangle fits a size scaled by any factor; the window keeps a whole factor and
  // is centred on it, its top-left corner on the monitor's work area.
  const PixelRect screen = scale_.ToScreen(client_);
  const PixelRect over{static_cast<int>(suggested.left), static_cast<int>(suggested.top),
                       static_cast<int>(suggested.right - suggested.left), static_cast<int>(suggested.bottom - suggested.top)};
  const PixelRect place =
      PlaceOnScreen(screen.w, screen.h, over, WorkArea(MonitorFromRect(&suggested, MONITOR_DEFAULTTONEAREST)));
  SetWindowPos(window_, nullptr, place.x, place.y, place.w, place.h, SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(window_, nullptr, FALSE);
}

void Win32Provider::ScaleIntoCopy(PixelRect r) {
  if (!scaled_) return;
  const std::vector<std::uint32_t>& frame = form().Frame();
  const PixelRect frame_rect = form().FrameRect();
  const PixelRect copied = r.Intersect({0, 0, frame_rect.w, frame_rect.h}).Intersect({0, 0, client_.w, client_.h});
  if (copied.Empty()) return;
  scale_.Blit(frame, frame_rect.w, copied, scaled_.get(), scale_.ToScreen(client_).w);
}

void Win32Provider::Draw(HDC dc, const RECT& area) {
  // Pixel for pixel, the form's own frame is the picture on screen; no copy of it is kept.
  const bool scaled = !scale_.Identity();
  const PixelRect whole = scaled ? scale_.ToScreen(client_) : form().FrameRect();
  const std::uint32_t* pixels = scaled ? scaled_.get() : form().Frame().data();
  const PixelRect area_rect{static_cast<int>(area.left), static_cast<int>(area.top),
                            static_cast<int>(area.right - area.left), static_cast<int>(area.bottom - area.top)};
  const PixelRect drawn = area_rect.Intersect({0, 0, whole.w, whole.h});
  if (!pixels || drawn.Empty()) return;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = whole.w;
  info.bmiHeader.biHeight = -whole.h;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  // The source's y counts from the bottom row, as for a bottom-up picture, whichever way up it is.
  SetDIBitsToDevice(dc, drawn.x, drawn.y, drawn.w, drawn.h, drawn.x, whole.h - (drawn.y + drawn.h), 0, whole.h, pixels,
                    &info, DIB_RGB_COLORS);
}

RECT Win32Provider::ScreenArea(PixelRect picture_rect) const {
  const PixelRect screen = scale_.ToScreen(picture_rect);
  return {screen.x, screen.y, screen.x + screen.w, screen.y + screen.h};
}

void Win32Provider::Present(std::span<const PixelRect> changed) {
  if (!window_) return;
  for (const PixelRect& r : changed) ScaleIntoCopy(r);
  // Drawing the changed pieces straight away spares the round trip through WM_PAINT that each
  // hover would otherwise cost; without a device context they paint through it as usual.
  HDC dc = GetDC(window_);
  if (!dc) {
    for (const PixelRect& r : changed) {
      const RECT area = ScreenArea(r);
      InvalidateRect(window_, &area, FALSE);
    }
    UpdateWindow(window_);
    return;
  }
  for (const PixelRect& r : changed) {
    const RECT area = ScreenArea(r);
    Draw(dc, area);
    ValidateRect(window_, &area);
  }
  ReleaseDC(window_, dc);
}

void Win32Provider::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window_, &paint);
  if (!dc) return;
  Draw(dc, paint.rcPaint);
  EndPaint(window_, &paint);
}

void Win32Provider::CloseWindow() {
  if (window_) DestroyWindow(window_);
}

}  // namespace tarvelin
