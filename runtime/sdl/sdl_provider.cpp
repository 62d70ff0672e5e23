#include "runtime/sdl/sdl_provider.h"

#include <SDL.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "menu/layout.h"
#include "runtime/posix/posix_services.h"
#include "runtime/sdl/sdl_icon.h"
#include "runtime/sdl/sdl_x11.h"

namespace tarvelin {
namespace {

// The highlight box's own background, seen only between moving the box and drawing into it.
constexpr std::uint32_t kWindowColour = 0xFFFFFF;
// Window units per pixel at 96 dots per inch. SDL places and sizes windows in pixels, so the unit
// only has to divide back exactly; X servers report no logical DPI that would mean more.
constexpr float kTwipsPerPixel = 15;
// The density at which a desktop does not scale.
constexpr float kUnscaledDpi = 96;
// A second press counts as a double-click only this near the first, in the menu's pixels, as on
// Windows (a 4-pixel square). SDL's own 32 pixels would swallow a quick click on the next entry,
// 39 pixels down.
constexpr int kDoubleClickRadius = 2;

void SetHintsBeforeStart() {
  // Plain software blits onto the window surface: no OpenGL context, which under Xvfb costs most
  // of the start-up time and memory.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // A menu is an ordinary window: let a compositor treat it like any other, and let the
  // screensaver run while it waits.
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  // SIGINT and SIGTERM keep their default meaning: they end the process at once, even while a
  // message box is waiting, instead of queueing a quit request that nothing reads until then.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
}

std::optional<int> PositiveInteger(const char* text) {
  if (!text) return std::nullopt;
  int number = 0;
  const char* end = text + std::strlen(text);
  const auto [stop, error] = std::from_chars(text, end, number);
  if (error != std::errc() || stop != end || number < 1) return std::nullopt;
  return number;
}

// How much the desktop scales (1 = 96 DPI). SDL 2.26 reports no scale on X11, so this reads what
// desktops set for their programs, in the order SDL 3 reads them: the X resource Xft.dpi, which
// GNOME, KDE Plasma and Xfce set from their scaling setting (192 at 200 %) and which Xft, GTK and
// Qt follow; else GDK_SCALE, the whole factor a session gives GTK programs; else none.
float DesktopScale(SDL_Window* window) {
  if (const std::optional<float> dpi = XftDpi(window)) return *dpi / kUnscaledDpi;
  if (const std::optional<int> factor = PositiveInteger(std::getenv("GDK_SCALE"))) return static_cast<float>(*factor);
  return 1;
}

// The largest factor up to |wanted| at which the window fits its display's usable area; 1 on a
// display of no known size.
int FittingFactor(SDL_Window* window, PixelRect client, int wanted) {
  SDL_Rect usable;
  const int display = SDL_GetWindowDisplayIndex(window);
  if (display < 0 || SDL_GetDisplayUsableBounds(display, &usable) != 0) return 1;
  return ScreenScale::FittingFactor(wanted, client, usable.w, usable.h);
}

}  // namespace

SdlProvider::SdlProvider(const Artwork& art, posix::ApplicationDirectory directory)
    : Provider(art, kHotSpotLayout, kWindowColour), directory_(std::move(directory)) {
  SetHintsBeforeStart();
  IgnoreWakeupsToDestroyedWindows();
  // Video only: the joystick and game-controller subsystems would wake the event wait every few
  // seconds.
  video_ = SDL_Init(SDL_INIT_VIDEO) == 0;
  if (!video_) {
    failure_ = std::string("no display to show the menu on: ") + SDL_GetError();
    return;
  }
  // With no display SDL falls back to drivers that draw into memory; a menu there would run
  // unseen for ever.
  const std::string_view driver = SDL_GetCurrentVideoDriver();
  if (driver == "offscreen" || driver == "dummy") {
    failure_ = "no display to show the menu on: SDL found only its \"" + std::string(driver) + "\" video driver";
    SDL_Quit();
    video_ = false;
    return;
  }
  const Uint32 verdicts = SDL_RegisterEvents(2);
  if (verdicts != static_cast<Uint32>(-1)) {
    verdict_taken_ = verdicts;
    verdict_refused_ = verdicts + 1;
  }
}

SdlProvider::~SdlProvider() {
  // Its thread pushes SDL events, which must not happen once SDL is gone.
  verdicts_.Stop();
  if (window_) SDL_DestroyWindow(window_);
  if (video_) SDL_Quit();
}

float SdlProvider::TwipsPerPixelX() const { return kTwipsPerPixel; }
float SdlProvider::TwipsPerPixelY() const { return kTwipsPerPixel; }

std::string SdlProvider::AppPath() const { return directory_.Path(); }

std::optional<TextInput> SdlProvider::OpenForInput(const std::string& path) { return posix::OpenForInput(path); }

// POSIX paths have no drive letters, so no drive can be made current.
bool SdlProvider::ChDrive(char) { return false; }

// The application directory is made current through the descriptor held since start-up, so that a
// medium unmounted meanwhile is still where commands are looked for.
bool SdlProvider::ChDir(const std::string& path) {
  return path == directory_.Path() ? directory_.MakeCurrent() : posix::ChangeDirectory(path);
}

bool SdlProvider::Shell(const std::string& command_line) {
  posix::StartResult start = posix::StartProgram(command_line);
  if (start.verdict) {
    if (verdict_taken_ == 0) return start.verdict->Read();  // no event to carry it: wait for it here
    const std::int32_t id = ++last_start_;
    awaiting_verdict_[id] = command_line;
    verdicts_.Watch(std::move(*start.verdict), [this, id](bool taken) {
      SDL_Event event{};
      event.type = taken ? verdict_taken_ : verdict_refused_;
      event.user.code = id;
      SDL_PushEvent(&event);
    });
  }
  return start.started;
}

bool SdlProvider::ShowWindow(PixelRect client) {
  if (!video_) return false;
  // Hidden until the icon is set, so the window system never shows it half made.
  window_ = SDL_CreateWindow(frmMain().Caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, client.w,
                             client.h, SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN);
  if (!window_) {
    failure_ = std::string("cannot open the menu window: ") + SDL_GetError();
    return false;
  }
  // The desktop's scale is known once SDL is connected to it, so the window is made at the menu's
  // size and grown before it is shown.
  scale_ = ScreenScale(FittingFactor(window_, client, ScreenScale::WholeFactor(DesktopScale(window_))));
  if (scale_.factor() > 1) {
    const PixelRect screen = scale_.ToScreen(client);
    SDL_SetWindowSize(window_, screen.w, screen.h);
    SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
  }
  SDL_SetHint(SDL_HINT_MOUSE_DOUBLE_CLICK_RADIUS, std::to_string(kDoubleClickRadius * scale_.factor()).c_str());
  if (SDL_Surface* icon = CreateIconSurface(BuiltInIcon())) {
    SDL_SetWindowIcon(window_, icon);
    SDL_FreeSurface(icon);
  }
  SDL_StartTextInput();
  SDL_ShowWindow(window_);
  return true;
}

void SdlProvider::Present(std::span<const PixelRect> changed) {
  if (!window_ || changed.empty()) return;
  SDL_Surface* surface = SDL_GetWindowSurface(window_);
  if (!surface || SDL_LockSurface(surface) != 0) return;  // the next exposure paints it all again
  const PixelRect frame = form().FrameRect();
  const PixelRect screen = scale_.ToScreen(frame);
  // Unscaled, the framebuffer is the picture for the screen; scaled, the changed parts are first
  // drawn into a copy at screen size.
  const bool scaled_copy = scale_.factor() > 1;
  if (scaled_copy) screen_.resize(static_cast<std::size_t>(screen.w) * screen.h);
  const std::uint32_t* pixels = scaled_copy ? screen_.data() : form().Frame().data();
  const int bytes_per_pixel = surface->format->BytesPerPixel;
  std::vector<SDL_Rect> updated;
  for (const PixelRect& r : changed) {
    const int x0 = std::max(r.x, 0), y0 = std::max(r.y, 0);
    const int x1 = std::min(r.x + r.w, frame.w), y1 = std::min(r.y + r.h, frame.h);
    if (x1 <= x0 || y1 <= y0) continue;
    const PixelRect picture{x0, y0, x1 - x0, y1 - y0};
    if (scaled_copy) scale_.Blit(form().Frame(), frame.w, picture, screen_.data(), screen.w);
    // The part of it that the window surface holds, in screen pixels.
    const PixelRect scaled = scale_.ToScreen(picture);
    const int w = std::min(scaled.w, surface->w - scaled.x), h = std::min(scaled.h, surface->h - scaled.y);
    if (w <= 0 || h <= 0) continue;
    const std::uint32_t* source = pixels + static_cast<std::size_t>(scaled.y) * screen.w + scaled.x;
    auto* target = static_cast<std::uint8_t*>(surface->pixels) + scaled.y * surface->pitch + scaled.x * bytes_per_pixel;
    SDL_ConvertPixels(w, h, SDL_PIXELFORMAT_RGB888, source, screen.w * 4, surface->format->format, target,
                      surface->pitch);
    updated.push_back({scaled.x, scaled.y, w, h});
  }
  SDL_UnlockSurface(surface);
  if (!updated.empty()) SDL_UpdateWindowSurfaceRects(window_, updated.data(), static_cast<int>(updated.size()));
}

void SdlProvider::PresentAll() {
  const std::array<PixelRect, 1> everything = {form().FrameRect()};
  Present(everything);
}

void SdlProvider::CloseWindow() {
  if (!window_) return;
  SDL_StopTextInput();
  SDL_DestroyWindow(window_);
  window_ = nullptr;
}

}  // namespace tarvelin
