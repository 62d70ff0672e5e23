// What the provider needs from Wayland beyond SDL 2.26 (the SDL of Debian 12).
//
// SDL 2.26's Wayland driver makes a window's xdg_toplevel in SDL_ShowWindow. It sends a window's
// minimum and maximum size only when they are set (for a window that is not resizable, its own
// size as both), and drops what is set before the toplevel exists, as it drops
// SDL_SetWindowModalFor then. SDL_ShowWindow commits no buffer, so the window is mapped only by its
// first present; requests sent between the two reach the compositor with the window's first
// picture, when it decides where the window goes, whether it floats, and what it is a dialog of.

#include "runtime/sdl/sdl_wayland.h"

#include <SDL.h>

#include <string_view>

namespace tarvelin {
namespace {

bool OnWayland() {
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver && std::string_view(driver) == "wayland";
}

}  // namespace

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
