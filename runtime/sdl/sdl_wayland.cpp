// What the provider needs from Wayland beyond SDL 2.32 (the SDL the program is built with).
//
// SDL 2's Wayland driver makes a window's xdg_toplevel in SDL_ShowWindow and drops what is set
// before the toplevel exists: SDL_SetWindowModalFor then fails ("Modal window was hidden").
// SDL 2.32 sends the fixed size of a window that is not resizable (its own size as minimum and
// maximum) in SDL_ShowWindow itself, so DeclareFixedSize repeats it to no effect; SDL 2.26 sent it
// only when the size limits were set after the window was shown. SDL_ShowWindow commits no buffer,
// so the window is mapped only by its first present; requests sent between the two reach the
// compositor with the window's first picture, when it decides where the window goes, whether it
// floats, and what it is a dialog of.

#include "runtime/sdl/sdl_wayland.h"

#include <SDL.h>

#include <string_view>

namespace tarvelin {

bool OnWayland() {
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver && std::string_view(driver) == "wayland";
}

void DeclareFixedSize(SDL_Window* window) {
  if (!OnWayland()) return;
  int w = 0, h = 0;
  SDL_GetWindowSize(window, &w, &h);
  SDL_SetWindowMinimumSize(window, w, h);
  SDL_SetWindowMaximumSize(window, w, h);
}

void LinkToOwner(SDL_Window* box, SDL_Window* owner) {
  if (OnWayland()) SDL_SetWindowModalFor(box, owner);
}

}  // namespace tarvelin
