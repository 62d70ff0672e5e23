#pragma once

struct SDL_Window;

namespace tarvelin {

// What a Wayland compositor must learn of a window before its first picture maps it, which SDL
// 2's Wayland driver can only send once SDL_ShowWindow has made the window's toplevel (see
// sdl_wayland.cpp). Call each right after SDL_ShowWindow and before the window's first present.
// Nothing off Wayland.

// Declares the window's size as both its minimum and its maximum: a tiling compositor then floats
// it at that size instead of stretching it over its tile.
void DeclareFixedSize(SDL_Window* window);

// Links |box| to |owner|, so that the compositor keeps it above the owner, places it over it and
// lists it with it.
void LinkToOwner(SDL_Window* box, SDL_Window* owner);

// Whether the windows are Wayland surfaces, where the compositor alone decides which window has
// the keyboard: a click gives it to the window clicked, and no client can hand it on.
bool OnWayland();

}  // namespace tarvelin
