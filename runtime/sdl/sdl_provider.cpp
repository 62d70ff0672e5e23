#include "runtime/sdl/sdl_provider.h"

#include <SDL.h>

#include <algorithm>
#include <array>
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

void SetHintsBeforeStart() {
  // Plain software blits onto the window surface: no OpenGL context, which under Xvfb costs most
  // of the start-up time and memory.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // A menu is an ordinary window: let a compositor treat it like any other, and let the
  // screensaver run while it waits.
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  // A second press counts as a double-click only near the first, as on Windows (a 4-pixel
  // square). SDL's own 32 pixels would swallow a quick click on the next entry, 39 pixels down.
  SDL_SetHint(SDL_HINT_MOUSE_DOUBLE_CLICK_RADIUS, "2");
  // SIGINT and SIGTERM keep their default meaning: they end the process at once, even while a
  // message box is waiting, instead of queueing a quit request that nothing reads until then.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
}

}  // namespace

SdlProvider::SdlProvider(const Artwork& art) : Provider(art, kHotSpotLayout, kWindowColour) {
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
  }
}

SdlProvider::~SdlProvider() {
  if (window_) SDL_DestroyWindow(window_);
  if (video_) SDL_Quit();
}

float SdlProvider::TwipsPerPixelX() const { return kTwipsPerPixel; }
float SdlProvider::TwipsPerPixelY() const { return kTwipsPerPixel; }

std::string SdlProvider::AppPath() const { return posix::ExecutableDirectory(); }

std::optional<TextInput> SdlProvider::OpenForInput(const std::string& path) { return posix::OpenForInput(path); }

// POSIX paths have no drive letters, so no drive can be made current.
bool SdlProvider::ChDrive(char) { return false; }

bool SdlProvider::ChDir(const std::string& path) { return posix::ChangeDirectory(path); }

bool SdlProvider::Shell(const std::string& command_line) { return posix::StartProgram(command_line); }

bool SdlProvider::ShowWindow(PixelRect client) {
  if (!video_) return false;
  // Hidden until the icon is set, so the window system never shows it half made.
  window_ = SDL_CreateWindow(frmMain().Caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, client.w,
                             client.h, SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN);
  if (!window_) {
    failure_ = std::string("cannot open the menu window: ") + SDL_GetError();
    return false;
  }
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
  const std::vector<std::uint32_t>& frame = form().Frame();
  const int frame_width = form().FrameRect().w, frame_height = form().FrameRect().h;
  const int bytes_per_pixel = surface->format->BytesPerPixel;
  std::vector<SDL_Rect> updated;
  for (const PixelRect& r : changed) {
    const int x0 = std::max(r.x, 0), y0 = std::max(r.y, 0);
    const int x1 = std::min({r.x + r.w, frame_width, surface->w}), y1 = std::min({r.y + r.h, frame_height, surface->h});
    if (x1 <= x0 || y1 <= y0) continue;
    const std::uint32_t* source = frame.data() + static_cast<std::size_t>(y0) * frame_width + x0;
    auto* target = static_cast<std::uint8_t*>(surface->pixels) + y0 * surface->pitch + x0 * bytes_per_pixel;
    SDL_ConvertPixels(x1 - x0, y1 - y0, SDL_PIXELFORMAT_RGB888, source, frame_width * 4, surface->format->format,
                      target, surface->pitch);
    updated.push_back({x0, y0, x1 - x0, y1 - y0});
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
