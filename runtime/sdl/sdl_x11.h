#pragma once

#include <optional>

struct SDL_Window;

namespace tarvelin {

// Keeps a harmless X error that SDL 2 causes when the menu closes from ending the process
// with exit status 1 (see sdl_x11.cpp). Call it before SDL_Init.
void IgnoreWakeupsToDestroyedWindows();

// The X resource Xft.dpi of the display |window| is on, as the desktop set it when the menu
// started: its dots per inch for text and drawing. Nothing when the window is not on X11, or the
// resource is unset or not a positive number.
std::optional<float> XftDpi(SDL_Window* window);

// SDL 2 on X11 ends the window system's pointer grab when the window loses the keyboard in the
// middle of a press (see sdl_x11.cpp): the release then goes to another window, SDL holds the left
// button down for good and drops the user's next press. When the button is in fact up, this hands
// SDL the release it missed, as an event of |window|'s own. Nothing off X11.
void ReleaseButtonSdlMissed(SDL_Window* window);

// XWayland gives a window the pointer on the compositor's enter without taking the pointer's new
// place as the device's own, when the compositor sends no movement after it (sway, whose wlroots
// sends none at an unchanged place): the next press then puts the pointer back where it last moved,
// over the desktop say, and goes there instead of to the window (see sdl_x11.cpp). Called as the
// pointer enters |window|, this has the X server take the pointer's place again. Nothing off X11.
void SettlePointer(SDL_Window* window);

// Declares a window that is not yet shown a modal dialog (_NET_WM_WINDOW_TYPE_DIALOG,
// _NET_WM_STATE_MODAL) to the window manager, which SDL 2 does not: with only the transient link
// SDL sets, window managers let a click on its owner take the keyboard from it. Nothing off X11.
void DeclareModalDialog(SDL_Window* window);

// Asks the window manager to activate |window| as a task bar does (_NET_ACTIVE_WINDOW from a
// pager): SDL_RaiseWindow asks as the application itself, which a window manager that prevents
// focus stealing may refuse, though here the user asked for the window by starting the menu
// again. Nothing off X11.
void ActivateWindow(SDL_Window* window);

}  // namespace tarvelin
