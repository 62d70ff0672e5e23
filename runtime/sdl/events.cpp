// Native SDL events in, the runtime's raw input events out. Decisions about what an event means
// for the menu are the event router's; this file only translates.

#include <SDL.h>

#include <array>
#include <memory>
#include <string>

#include "runtime/sdl/sdl_provider.h"
#include "runtime/sdl/sdl_x11.h"
#include "runtime/text.h"

namespace tarvelin {
namespace {

// Keys that are characters to Windows (WM_CHAR) but give SDL no text input.
struct KeyCharacter {
  SDL_Keycode key;
  char32_t code;
};
constexpr std::array<KeyCharacter, 5> kKeysWithoutText = {{
    {SDLK_ESCAPE, 27},
    {SDLK_RETURN, 13},
    {SDLK_KP_ENTER, 13},
    {SDLK_BACKSPACE, 8},
    {SDLK_TAB, 9},
}};

// SDL2 on X11 reports a movement just before SDL_WINDOWEVENT_LEAVE, at the pointer's last place
// clamped into the window. It is no movement over the window and must not reach the menu.
bool LeaveFollows() {
  SDL_Event next;
  return SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1 &&
         next.type == SDL_WINDOWEVENT && next.window.event == SDL_WINDOWEVENT_LEAVE;
}

}  // namespace

bool SdlProvider::WaitForEvents() {
  SDL_Event event;
  if (!SDL_WaitEvent(&event)) return Fail(std::string("the window system stopped sending events: ") + SDL_GetError());
  Translate(event);
  // Everything else already waiting goes in the same batch, so queued movements merge.
  PostPendingEvents();
  return true;
}

void SdlProvider::PostPendingEvents() {
  SDL_Event event;
  while (SDL_PollEvent(&event)) Translate(event);
}

void SdlProvider::Translate(const SDL_Event& event) {
  using Type = InputEvent::Type;
  switch (event.type) {
    case SDL_MOUSEMOTION: {
      if (release_missed_) ReleaseMissedButton();
      const int x = scale_.ToPicture(event.motion.x), y = scale_.ToPicture(event.motion.y);
      if (pointer_inside_ && form().FrameRect().Contains(x, y) && !LeaveFollows())
        router().Post({Type::PointerMove, x, y});
      break;
    }
    case SDL_MOUSEBUTTONDOWN:
      if (event.button.button == SDL_BUTTON_LEFT)
        router().Post({Type::ButtonPress, scale_.ToPicture(event.button.x), scale_.ToPicture(event.button.y),
                       event.button.clicks});
      break;
    case SDL_MOUSEBUTTONUP:
      // From a press to its release the window system grabs the pointer for the window, so the
      // release arrives even outside the window, with its place there, and ends the router's
      // capture.
      if (event.button.button == SDL_BUTTON_LEFT)
        router().Post({Type::ButtonRelease, scale_.ToPicture(event.button.x), scale_.ToPicture(event.button.y)});
      break;
    case SDL_TEXTINPUT:
      PostText(event.text.text);
      break;
    case SDL_KEYDOWN:
      for (const KeyCharacter& key : kKeysWithoutText)
        if (key.key == event.key.keysym.sym) router().Post({.type = Type::Character, .code = key.code});
      break;
    case SDL_WINDOWEVENT:
      TranslateWindowEvent(event);
      break;
    case SDL_QUIT:
      Unload();
      break;
    default:
      if (posted_event_ != 0 && event.type == posted_event_) TranslatePosted(event);
      else if (come_forward_event_ != 0 && event.type == come_forward_event_) ComeForward();
      break;
  }
}

void SdlProvider::TranslatePosted(const SDL_Event& event) {
  const std::unique_ptr<InputEvent> posted(static_cast<InputEvent*>(event.user.data1));
  router().Post(std::move(*posted));
}

void SdlProvider::TranslateWindowEvent(const SDL_Event& event) {
  switch (event.window.event) {
    case SDL_WINDOWEVENT_ENTER:
      pointer_inside_ = true;
      if (release_missed_) ReleaseMissedButton();
      SettlePointer(window_.get());
      break;
    case SDL_WINDOWEVENT_LEAVE:
      pointer_inside_ = false;
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      // Another window took the keyboard, one that came up over the menu, say: the press ends, and
      // its release, which the pointer grab may still bring here, is no click.
      router().Post({InputEvent::Type::CaptureLost});
      release_missed_ = (SDL_GetMouseState(nullptr, nullptr) & SDL_BUTTON_LMASK) != 0;
      break;
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_SIZE_CHANGED:  // a new size also means a new window surface
      PresentAll();
      break;
    case SDL_WINDOWEVENT_CLOSE:
      // The window has no close button, but a window manager, a task bar or a keyboard shortcut
      // may ask it to close: that closes the menu as Unload does.
      Unload();
      break;
    default:
      break;
  }
}

// The release of a press the window lost the keyboard in may have gone to another window; once
// the button is up, SDL is told, so that it takes the next press.
void SdlProvider::ReleaseMissedButton() {
  if (!(SDL_GetMouseState(nullptr, nullptr) & SDL_BUTTON_LMASK)) {
    release_missed_ = false;
    return;
  }
  ReleaseButtonSdlMissed(window_.get());
}

void SdlProvider::PostText(const char* utf8) {
  for (const char32_t code : CodePoints(utf8)) router().Post({.type = InputEvent::Type::Character, .code = code});
}

void SdlProvider::PostPointerPosition() {
  if (!window_) return;
  int x = 0, y = 0, window_x = 0, window_y = 0;
  SDL_GetGlobalMouseState(&x, &y);
  SDL_GetWindowPosition(window_.get(), &window_x, &window_y);
  x = scale_.ToPicture(x - window_x);
  y = scale_.ToPicture(y - window_y);
  if (form().FrameRect().Contains(x, y)) router().Post({InputEvent::Type::PointerMove, x, y});
}

}  // namespace tarvelin
