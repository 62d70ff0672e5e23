// The menu's message box: a second borderless window of the menu's own process, centred over the
// menu, drawn like it and through the same presenter, so it shows the same on X11 and Wayland and
// needs no dialog program, no font of the window system and no locale. Being part of the menu's
// process, it ends with it however the menu is ended, and takes its window with it.
//
// Modal: while it shows, the menu's clicks, keys and movements are dropped; Return, Escape or Space
// typed into it, a click on OK or closing it dismiss it. The menu still repaints, follows the
// pointer's entering and leaving, and closes when asked to, which takes the box away too. A click
// on the menu gives the keyboard back to the box; on Wayland, where the compositor keeps it on the
// menu, Return, Escape or Space typed into the menu answer the box instead.

#include <SDL.h>

#include <array>
#include <cstdio>
#include <optional>
#include <string>

#include "runtime/sdl/message_box_picture.h"
#include "runtime/sdl/sdl_provider.h"
#include "runtime/sdl/sdl_wayland.h"
#include "runtime/sdl/sdl_x11.h"
#include "runtime/text.h"

// Last: on X11 it brings Xlib's macros (None, KeyPress, ...), which the headers above must not see.
#include <SDL_syswm.h>

namespace tarvelin {
namespace {

bool IsDismissKey(SDL_Keycode key) {
  return key == SDLK_RETURN || key == SDLK_KP_ENTER || key == SDLK_ESCAPE || key == SDLK_SPACE;
}

// Whether a key is typed into the box. SDL names the window that has its keyboard focus, which on
// X11 without a window manager it never learns (the focus follows the pointer there); the X event
// names the window itself, and SDL hands it over, when asked, just before the key it makes of it.
// On Wayland a click on the menu gives the menu the keyboard for as long as the box shows, and
// nothing the menu can do gives it back: a key typed into the menu is meant for the box there.
class KeyTarget {
 public:
  KeyTarget(SDL_Window* box, SDL_Window* owner) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
#if defined(SDL_VIDEO_DRIVER_X11)
    if (SDL_GetWindowWMInfo(box, &info) && info.subsystem == SDL_SYSWM_X11) {
      x11_box_ = info.info.x11.window;
      SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    }
#endif
    box_id_ = SDL_GetWindowID(box);
    if (owner && OnWayland()) owner_id_ = SDL_GetWindowID(owner);
  }
  ~KeyTarget() {
    if (x11_box_ == 0) return;
    SDL_EventState(SDL_SYSWMEVENT, SDL_DISABLE);
    SDL_FlushEvent(SDL_SYSWMEVENT);
  }
  KeyTarget(const KeyTarget&) = delete;
  KeyTarget& operator=(const KeyTarget&) = delete;

  void Note(const SDL_SysWMmsg* message) {
#if defined(SDL_VIDEO_DRIVER_X11)
    if (message && message->subsystem == SDL_SYSWM_X11 &&
        (message->msg.x11.event.type == KeyPress || message->msg.x11.event.type == KeyRelease))
      last_x11_key_window_ = message->msg.x11.event.xkey.window;
#else
    (void)message;
#endif
  }
  bool ForBox(const SDL_KeyboardEvent& key) const {
    if (x11_box_ != 0) return last_x11_key_window_ == x11_box_;
    return key.windowID == box_id_ || (owner_id_ != 0 && key.windowID == owner_id_);
  }

 private:
  Uint32 box_id_ = 0, owner_id_ = 0;
  unsigned long x11_box_ = 0, last_x11_key_window_ = 0;
};

}  // namespace

// Where the box goes: centred over the menu window and kept on its display's usable area, or
// centred on the first display when there is no menu window.
PixelRect SdlProvider::BoxPlace(PixelRect size) const {
  if (!window_) return {static_cast<int>(SDL_WINDOWPOS_CENTERED), static_cast<int>(SDL_WINDOWPOS_CENTERED), size.w, size.h};
  PixelRect menu;
  SDL_GetWindowPosition(window_.get(), &menu.x, &menu.y);
  SDL_GetWindowSize(window_.get(), &menu.w, &menu.h);
  const std::optional<PixelRect> usable = UsableArea(window_.get());
  if (!usable) return {menu.x + (menu.w - size.w) / 2, menu.y + (menu.h - size.h) / 2, size.w, size.h};
  return PlaceOnScreen(size.w, size.h, menu, *usable);
}

void SdlProvider::MsgBox(const std::string& prompt, const std::string& title) {
  const std::string text = WithVisibleNul(prompt);
  if (!ShowMessageBox(text, title)) {
    // Without a display the message still reaches someone.
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    std::fprintf(stderr, "(the message box could not be shown: %s)\n", SDL_GetError());
  }
  DiscardInputDuringMessageBox();
  PostPointerPosition();
}

bool SdlProvider::ShowMessageBox(const std::string& prompt, const std::string& title) {
  const BoxFont* font = BoxFont::BuiltIn();
  if (!video_ || !font) return false;
  // The box may take the usable height of the menu's display, in picture pixels.
  constexpr int kUnknownUsableHeight = 480;
  const std::optional<PixelRect> usable = window_ ? UsableArea(window_.get()) : std::nullopt;
  const int usable_height = usable ? scale_.ToPicture(usable->h) : kUnknownUsableHeight;
  const MessageBoxPicture picture = DrawMessageBox(*font, title, prompt, usable_height);
  const PixelRect size = scale_.ToScreen(picture.size);
  const PixelRect at = BoxPlace(size);
  SdlWindow box(SDL_CreateWindow(title.c_str(), at.x, at.y, size.w, size.h,
                                 SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN |
                                     (SdlPresenter::UsesRenderer() ? SDL_WINDOW_ALLOW_HIGHDPI : 0)));
  if (!box) return false;
  SdlPresenter presenter;
  std::string failure;
  if (!presenter.Attach(box.get(), scale_, failure)) return false;
  // A window manager keeps the box above the menu and may dim or shake the menu meanwhile. On X11
  // the link is made before the box is mapped; on Wayland, where SDL can only make it once the box
  // is shown, before its first picture.
  if (window_) {
    SDL_SetWindowModalFor(box.get(), window_.get());
    DeclareModalDialog(box.get());
  }
  SDL_ShowWindow(box.get());
  if (window_) LinkToOwner(box.get(), window_.get());
  DeclareFixedSize(box.get());
  const std::array<PixelRect, 1> everything = {picture.size};
  presenter.Present(picture.pixels, picture.size, everything);

  const Uint32 box_id = SDL_GetWindowID(box.get());
  KeyTarget key_target(box.get(), window_.get());
  bool pressed_on_ok = false;
  // The key goes on its release, as a button does; a key pressed before the box showed is not one.
  SDL_Keycode pressed_key = SDLK_UNKNOWN;
  const auto on_ok = [&](int x, int y) { return picture.ok_button.Contains(scale_.ToPicture(x), scale_.ToPicture(y)); };
  for (bool open = true; open && !form().unloaded;) {
    SDL_Event event;
    if (!SDL_WaitEvent(&event)) break;
    switch (event.type) {
      case SDL_QUIT:
        Unload();
        break;
      case SDL_SYSWMEVENT:
        key_target.Note(event.syswm.msg);
        break;
      case SDL_KEYDOWN:
        if (IsDismissKey(event.key.keysym.sym) && key_target.ForBox(event.key)) pressed_key = event.key.keysym.sym;
        break;
      case SDL_KEYUP:
        if (pressed_key == event.key.keysym.sym && key_target.ForBox(event.key)) open = false;
        break;
      case SDL_MOUSEBUTTONDOWN:
        pressed_on_ok = event.button.windowID == box_id && event.button.button == SDL_BUTTON_LEFT &&
                        on_ok(event.button.x, event.button.y);
        break;
      case SDL_MOUSEBUTTONUP:
        if (pressed_on_ok && event.button.windowID == box_id && event.button.button == SDL_BUTTON_LEFT &&
            on_ok(event.button.x, event.button.y))
          open = false;
        pressed_on_ok = false;
        break;
      case SDL_WINDOWEVENT:
        if (event.window.windowID != box_id) {
          TranslateWindowEvent(event);
          // A click on the menu gave it the keyboard: it goes back to the box, as Windows gives it
          // back from a modal box's owner, so Return, Escape and Space still answer the box.
          if (event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
            SDL_RaiseWindow(box.get());
            SDL_SetWindowInputFocus(box.get());
          }
        } else if (event.window.event == SDL_WINDOWEVENT_CLOSE) open = false;
        else if (event.window.event == SDL_WINDOWEVENT_EXPOSED || event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
          presenter.Present(picture.pixels, picture.size, everything);
        break;
      default:
        // What the system posted (an opener's verdict) waits in the menu's queue until the box is gone.
        if (posted_event_ != 0 && event.type == posted_event_) TranslatePosted(event);
        else if (come_forward_event_ != 0 && event.type == come_forward_event_) {
          ComeForward();
          SDL_RaiseWindow(box.get());
        }
        break;
    }
  }
  presenter.Detach();
  box.reset();
  // The box took the keyboard when it showed; without a window manager to hand it back, the
  // keyboard would go nowhere once the box is gone.
  if (window_) SDL_SetWindowInputFocus(window_.get());
  return true;
}

// Input that reached the menu's queue while the box was going away (the text of the Space that
// dismissed it, the key's release) is dropped, as Windows drops input to a window that a modal box
// has disabled. Window events stay: they carry the pointer's entering and leaving, and repaints.
void SdlProvider::DiscardInputDuringMessageBox() {
  SDL_PumpEvents();
  SDL_FlushEvents(SDL_KEYDOWN, SDL_TEXTINPUT);
  SDL_FlushEvents(SDL_MOUSEMOTION, SDL_MOUSEWHEEL);
}

}  // namespace tarvelin
