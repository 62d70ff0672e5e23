#include "runtime/sdl/sdl_provider.h"

#include <SDL.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/sdl/sdl_icon.h"
#include "runtime/sdl/sdl_presenter.h"
#include "runtime/sdl/sdl_wayland.h"
#include "runtime/sdl/sdl_x11.h"

namespace tarvelin {
namespace {

// Window units per pixel at 96 dots per inch. SDL places and sizes windows in pixels, so the unit
// only has to divide back exactly; X servers report no logical DPI that would mean more.
constexpr float kWindowUnitsPerPixel = 15;
// The density at which a desktop does not scale.
constexpr float kUnscaledDpi = 96;
// The window's class and name, and on Wayland its application id, by which task bars and docks
// group and label it: the program's name, not its file's (".tarvelin" on a medium, or the dynamic
// loader that starts it from a medium without execute bits).
constexpr char kWindowClass[] = "Tarvelin";
// A second press counts as a double-click only this near the first, in the menu's pixels, as on
// Windows (a 4-pixel square). SDL's own 32 pixels would swallow a quick click on the next entry,
// 39 pixels down.
constexpr int kDoubleClickRadius = 2;

void SetHintsBeforeStart() {
  // Windows are drawn as sdl_presenter.cpp chooses; SDL is not to make an OpenGL context on its own.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // A menu is an ordinary window: let a compositor treat it like any other, and let the
  // screensaver run while it waits.
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  // SIGINT and SIGTERM keep their default meaning: they end the process at once, even while a
  // message box is waiting, instead of queueing a quit request that nothing reads until then.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // On Wayland, plain xdg-shell windows: the menu and its box are borderless, so libdecor would
  // draw nothing, and SDL 2.26 crashed in a libdecor callback for a window it had destroyed (the
  // message box, once dismissed); SDL 2.32 has not been tried with it.
  SDL_SetHint(SDL_HINT_VIDEO_WAYLAND_ALLOW_LIBDECOR, "0");
  // X11 and Wayland grab the pointer for the window from a press to its release, which brings the
  // release here wherever it happens. SDL's own capture on top of that is dropped, the window
  // system's grab with it, when another window takes the keyboard mid-press: the release then went
  // to that window, SDL held the button down for good and swallowed the user's next press.
  SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
  // The click that brings the menu to the front acts too, as on Windows: the user who clicks an
  // entry of a menu behind the file manager that offered to run it means that entry.
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
}

std::optional<int> PositiveInteger(const char* text) {
  if (!text) return std::nullopt;
  int number = 0;
  const char* end = text + std::strlen(text);
  const auto [stop, error] = std::from_chars(text, end, number);
  if (error != std::errc() || stop != end || number < 1) return std::nullopt;
  return number;
}

// How much the desktop scales (1 = 96 DPI). SDL 2 reports no scale on X11, so this reads what
// desktops set for their programs, in the order SDL 3 reads them: the X resource Xft.dpi, which
// GNOME, KDE Plasma and Xfce set from their scaling setting (192 at 200 %) and which Xft, GTK and
// Qt follow; else GDK_SCALE, the whole factor a session gives GTK programs; else none.
float DesktopScale(SDL_Window* window) {
  if (const std::optional<float> dpi = XftDpi(window)) return *dpi / kUnscaledDpi;
  if (const std::optional<int> factor = PositiveInteger(std::getenv("GDK_SCALE"))) return static_cast<float>(*factor);
  return 1;
}

// An environment variable set for as long as the object lives, then as it was, so that programs
// the menu starts see the environment it was given.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) saved_ = old;
    setenv(name, value, 1);
  }
  ~ScopedVariable() {
    if (saved_) setenv(name_, saved_->c_str(), 1);
    else unsetenv(name_);
  }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const char* name_;
  std::optional<std::string> saved_;
};

// Whether SDL starts its X11 driver: the first it tries, where an X server is named, unless
// SDL_VIDEODRIVER names another driver first.
bool X11DriverFirst() {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) return false;
  const char* wanted = std::getenv("SDL_VIDEODRIVER");
  if (!wanted || !*wanted) return true;
  const std::string_view drivers(wanted);
  const std::string_view first = drivers.substr(0, drivers.find(','));
  return first.size() == 3 && SDL_strncasecmp(first.data(), "x11", 3) == 0;
}

bool StartVideo() {
  // SDL opens Xlib's input method in the environment's locale, which reads that locale's table of
  // compose sequences (thousands of lines: two thirds of the menu's start-up) and its conversion
  // tables. The menu acts on keys, not on composed or converted characters: while SDL starts,
  // the input method gets the plain C locale and no compose table. Only for X11: the Wayland
  // driver asks xkbcommon for a compose table when a keyboard's keymap comes, and xkbcommon
  // cannot read /dev/null as one and says so on standard error.
  std::optional<ScopedVariable> no_compose_table;
  if (X11DriverFirst()) no_compose_table.emplace("XCOMPOSEFILE", "/dev/null");
  const ScopedVariable plain_locale("LC_ALL", "C");
  // SDL names its windows' class when its driver starts, from these or else the program file.
  const ScopedVariable x11_class("SDL_VIDEO_X11_WMCLASS", kWindowClass);
  const ScopedVariable wayland_id("SDL_VIDEO_WAYLAND_WMCLASS", kWindowClass);
  // Video only: the joystick and game-controller subsystems would wake the event wait every few
  // seconds.
  return SDL_Init(SDL_INIT_VIDEO) == 0;
}

}  // namespace

std::optional<PixelRect> SdlProvider::UsableArea(SDL_Window* window) {
  SDL_Rect usable;
  const int display = SDL_GetWindowDisplayIndex(window);
  if (display < 0 || SDL_GetDisplayUsableBounds(display, &usable) != 0 || usable.w <= 0 || usable.h <= 0)
    return std::nullopt;
  return PixelRect{usable.x, usable.y, usable.w, usable.h};
}

SdlProvider::SdlProvider(Artwork art, std::span<const HotSpotDesign> design, posix::PosixSystem& system)
    : Provider(std::move(art), design, SdlPresenter::kWindowColour, system,
               {kWindowUnitsPerPixel, kWindowUnitsPerPixel}),
      system_(system) {
  SetHintsBeforeStart();
  IgnoreWakeupsToDestroyedWindows();
  video_ = StartVideo();
  if (!video_) {
    Fail(std::string("no display to show the menu on: ") + SDL_GetError());
    return;
  }
  // With no display SDL falls back to drivers that draw into memory; a menu there would run
  // unseen for ever.
  const std::string_view driver = SDL_GetCurrentVideoDriver();
  if (driver == "offscreen" || driver == "dummy") {
    Fail("no display to show the menu on: SDL found only its \"" + std::string(driver) + "\" video driver");
    SDL_Quit();
    video_ = false;
    return;
  }
  const Uint32 posted = SDL_RegisterEvents(1);
  // Without an event to carry what the system posts, the system waits for each opener's verdict.
  if (posted == static_cast<Uint32>(-1)) return;
  posted_event_ = posted;
  system_.PostLateFailuresThrough([this](InputEvent event) { PostFromAnyThread(std::move(event)); });
}

SdlProvider::~SdlProvider() {
  // Nothing may be posted once SDL is gone.
  system_.PostLateFailuresThrough(nullptr);
  if (claim_) claim_->StopAnswering();
  SDL_Event posted;
  while (posted_event_ != 0 && SDL_PeepEvents(&posted, 1, SDL_GETEVENT, posted_event_, posted_event_) == 1)
    delete static_cast<InputEvent*>(posted.user.data1);
  presenter_.Detach();
  window_.reset();
  if (video_) SDL_Quit();
}

void SdlProvider::AnswerLaterStarts(posix::MenuClaim& claim) {
  if (!video_) return;
  const Uint32 come_forward = SDL_RegisterEvents(1);
  if (come_forward == static_cast<Uint32>(-1)) return;
  come_forward_event_ = come_forward;
  claim_ = &claim;
  std::string why;
  if (!claim.Answer(
          [come_forward] {
            SDL_Event event{};
            event.type = come_forward;
            SDL_PushEvent(&event);
          },
          why))
    std::fprintf(stderr, "tarvelin: %s; a later start from this folder shows a menu of its own\n", why.c_str());
}

void SdlProvider::ComeForward() {
  if (!window_) return;
  if (SDL_GetWindowFlags(window_.get()) & SDL_WINDOW_MINIMIZED) SDL_RestoreWindow(window_.get());
  SDL_RaiseWindow(window_.get());
  ActivateWindow(window_.get());
}

void SdlProvider::PostFromAnyThread(InputEvent event) const {
  SDL_Event posted{};
  posted.type = posted_event_;
  posted.user.data1 = new InputEvent(std::move(event));
  if (SDL_PushEvent(&posted) != 1) delete static_cast<InputEvent*>(posted.user.data1);
}

bool SdlProvider::ShowWindow(PixelRect client) {
  if (!video_) return false;
  // Where the presenter draws through a renderer, the window is sized in the desktop's points
  // and the compositor tells its scale through the window's size in pixels.
  const bool sized_in_points = SdlPresenter::UsesRenderer();
  // Hidden until the icon is set, so the window system never shows it half made.
  window_.reset(SDL_CreateWindow(
      form().window.Caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, client.w, client.h,
      SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN | (sized_in_points ? SDL_WINDOW_ALLOW_HIGHDPI : 0)));
  if (!window_) return Fail(std::string("cannot open the menu window: ") + SDL_GetError());
  // The desktop's scale is known once SDL is connected to it, so the window is made at the menu's
  // size and grown before it is shown.
  const std::optional<PixelRect> usable = UsableArea(window_.get());
  // The largest factor of the desktop's scale at which the window fits the usable area, or shrunk
  // to fit a smaller one; pixel for pixel on a display of no known size.
  if (!sized_in_points && usable)
    scale_ = ScreenScale::Fitting(ScreenScale::WholeFactor(DesktopScale(window_.get())), client, usable->w, usable->h);
  const PixelRect screen = scale_.ToScreen(client);
  if (!scale_.Identity()) SDL_SetWindowSize(window_.get(), screen.w, screen.h);
  // SDL centres on the whole display, and a window wider than it would start left of its edge.
  if (usable) {
    const PixelRect place = PlaceOnScreen(screen.w, screen.h, *usable, *usable);
    // Moving costs SDL's X11 driver a dozen round trips to the server before the first picture:
    // a window that centring on the whole display put in its place (no panel) stays.
    int x = 0, y = 0;
    SDL_GetWindowPosition(window_.get(), &x, &y);
    if (place.x != x || place.y != y) SDL_SetWindowPosition(window_.get(), place.x, place.y);
  }
  if (std::string failure; !presenter_.Attach(window_.get(), scale_, failure)) {
    window_.reset();
    return Fail(std::move(failure));
  }
  SDL_SetHint(SDL_HINT_MOUSE_DOUBLE_CLICK_RADIUS,
              std::to_string(std::max(1, scale_.ToScreen({0, 0, kDoubleClickRadius, kDoubleClickRadius}).w)).c_str());
  if (const SdlSurface icon = CreateIconSurface(BuiltInIcon())) SDL_SetWindowIcon(window_.get(), icon.get());
  SDL_StartTextInput();
  SDL_ShowWindow(window_.get());
  DeclareFixedSize(window_.get());
  return true;
}

void SdlProvider::Present(std::span<const PixelRect> changed) {
  presenter_.Present(form().Frame(), form().FrameRect(), changed);
}

void SdlProvider::PresentAll() {
  const std::array<PixelRect, 1> everything = {form().FrameRect()};
  Present(everything);
}

void SdlProvider::CloseWindow() {
  // A later start from this folder now shows a menu of its own.
  if (claim_) claim_->StopAnswering();
  if (!window_) return;
  SDL_StopTextInput();
  presenter_.Detach();
  window_.reset();
}

}  // namespace tarvelin
