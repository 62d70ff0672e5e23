// What the provider needs from X11 beyond SDL 2.32 (the SDL the program is built with).
//
// Xlib is loaded at run time, by the soname SDL loads it by, so that the program starts where there
// is no X11 at all (a Wayland session without XWayland) and shares SDL's one instance of Xlib: an
// error handler only applies to the instance it is installed in. The library stays loaded for the
// life of the process, so the handler below never outlives it.
//
// A repair. SDL_WaitEvent wakes itself by sending the window a message over a second X
// connection; it sends one while it takes the event that closes the menu. The window is destroyed
// right after, and the X server may handle the destruction before the message, which then fails
// with BadWindow. Xlib reads that error when SDL_Quit closes the second connection, with the error
// handler that was installed before SDL_Init back in place; Xlib's default handler would end the
// process with exit status 1. This handler, installed before SDL_Init, ignores exactly that error
// and hands every other one to Xlib's default handler.
//
// A release SDL missed. When its window loses the keyboard, SDL 2 drops its own pointer grab with
// XUngrabPointer, which ends the X server's grab from the press as well.
//
// A modal box. SDL 2 links a box to its owner with WM_TRANSIENT_FOR alone, which window managers
// take for a plain second window: a click on the menu gave it the keyboard, away from the box.
//
// A press that XWayland sends elsewhere. On wl_pointer.enter, XWayland 22 moves its pointer onto
// the window without updating the device's last position, which only a movement does; a press
// before the next movement moves the pointer back to that last position, with a LeaveNotify, and
// goes to whatever lies there. sway 1.7 sends no movement after an enter at an unchanged place, so
// after the pointer had been over the desktop, a click on an entry that the pointer jumped to went
// to the desktop (weston and kwin send a movement with every enter). A warp by nothing, asked as
// the pointer enters, is a movement to where the pointer is: the device's position is right again
// before the press. XWayland 22 does not name itself to its clients (no XWAYLAND extension yet), so
// the warp is asked of every X server; elsewhere it moves the pointer nowhere.
//
// The desktop's scale. SDL 2 has none for X11, and SDL_GetDisplayDPI gives a monitor's physical
// density at best (on Xvfb it fails); desktops publish their scale as the X resource Xft.dpi.

#include "runtime/sdl/sdl_x11.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/Xresource.h>
#include <dlfcn.h>

#include <charconv>
#include <cstring>

namespace tarvelin {
namespace {

// The Xlib calls used here, from the one instance of Xlib in the process.
struct Xlib {
  decltype(&::XSetErrorHandler) XSetErrorHandler;
  decltype(&::XResourceManagerString) XResourceManagerString;
  decltype(&::XrmInitialize) XrmInitialize;
  decltype(&::XrmGetStringDatabase) XrmGetStringDatabase;
  decltype(&::XrmGetResource) XrmGetResource;
  decltype(&::XrmDestroyDatabase) XrmDestroyDatabase;
  decltype(&::XSendEvent) XSendEvent;
  decltype(&::XFlush) XFlush;
  decltype(&::XInternAtom) XInternAtom;
  decltype(&::XChangeProperty) XChangeProperty;
  decltype(&::XWarpPointer) XWarpPointer;
};

template <typename Function>
bool Resolve(void* library, const char* name, Function& function) {
  function = reinterpret_cast<Function>(dlsym(library, name));
  return function != nullptr;
}

// Nothing where the system has no Xlib: SDL then has no X11 either.
const Xlib* LoadXlib() {
  static const std::optional<Xlib> xlib = []() -> std::optional<Xlib> {
    // Bound lazily: the menu and SDL call a small part of Xlib, and binding all of it (and of the
    // libraries it needs) as the library loads was a tenth of the start-up's work.
    void* library = dlopen("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);
    if (!library) return std::nullopt;
    Xlib calls{};
    if (!Resolve(library, "XSetErrorHandler", calls.XSetErrorHandler) ||
        !Resolve(library, "XResourceManagerString", calls.XResourceManagerString) ||
        !Resolve(library, "XrmInitialize", calls.XrmInitialize) ||
        !Resolve(library, "XrmGetStringDatabase", calls.XrmGetStringDatabase) ||
        !Resolve(library, "XrmGetResource", calls.XrmGetResource) ||
        !Resolve(library, "XrmDestroyDatabase", calls.XrmDestroyDatabase) ||
        !Resolve(library, "XSendEvent", calls.XSendEvent) || !Resolve(library, "XFlush", calls.XFlush) ||
        !Resolve(library, "XInternAtom", calls.XInternAtom) || !Resolve(library, "XChangeProperty", calls.XChangeProperty) ||
        !Resolve(library, "XWarpPointer", calls.XWarpPointer))
      return std::nullopt;
    return calls;
  }();
  return xlib ? &*xlib : nullptr;
}

XErrorHandler default_handler = nullptr;

int IgnoreWakeupToDestroyedWindow(Display* display, XErrorEvent* error) {
  if (error->error_code == BadWindow && error->request_code == X_SendEvent) return 0;
  return default_handler(display, error);
}

// An SDL window's X11 side, and Xlib to reach it; nothing for a window of another video driver.
struct X11Window {
  const Xlib* xlib;
  Display* display;
  Window window;
};
std::optional<X11Window> X11WindowOf(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return std::nullopt;
  const Xlib* xlib = LoadXlib();
  if (!xlib) return std::nullopt;
  return X11Window{xlib, info.info.x11.display, info.info.x11.window};
}

// The number a resource value starts with, as Xft and Qt read it ("192", "144.5"). Read here
// rather than by strtof, which would take the locale's decimal point.
std::optional<float> LeadingPositiveNumber(const char* text) {
  const char* const end = text + std::strlen(text);
  unsigned whole = 0;
  const auto [stop, error] = std::from_chars(text, end, whole);
  if (error != std::errc()) return std::nullopt;
  float number = static_cast<float>(whole);
  if (stop != end && *stop == '.') {
    float place = 0.1F;
    for (const char* digit = stop + 1; digit != end && *digit >= '0' && *digit <= '9'; ++digit, place /= 10)
      number += static_cast<float>(*digit - '0') * place;
  }
  if (number <= 0) return std::nullopt;
  return number;
}

}  // namespace

void IgnoreWakeupsToDestroyedWindows() {
  if (default_handler) return;
  if (const Xlib* xlib = LoadXlib()) default_handler = xlib->XSetErrorHandler(IgnoreWakeupToDestroyedWindow);
}

std::optional<float> XftDpi(SDL_Window* window) {
  const std::optional<X11Window> x11 = X11WindowOf(window);
  if (!x11) return std::nullopt;
  const Xlib* xlib = x11->xlib;
  // The RESOURCE_MANAGER property of the root window as Xlib read it when SDL connected.
  const char* resources = xlib->XResourceManagerString(x11->display);
  if (!resources) return std::nullopt;
  xlib->XrmInitialize();
  XrmDatabase database = xlib->XrmGetStringDatabase(resources);
  char* type = nullptr;
  XrmValue value{};
  std::optional<float> dpi;
  if (xlib->XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr)
    dpi = LeadingPositiveNumber(value.addr);
  xlib->XrmDestroyDatabase(database);
  return dpi;
}

void ReleaseButtonSdlMissed(SDL_Window* window) {
  if (!(SDL_GetMouseState(nullptr, nullptr) & SDL_BUTTON_LMASK)) return;
  int x = 0, y = 0;
  if (SDL_GetGlobalMouseState(&x, &y) & SDL_BUTTON_LMASK) return;  // still held
  const std::optional<X11Window> x11 = X11WindowOf(window);
  if (!x11) return;
  const Xlib* xlib = x11->xlib;
  int window_x = 0, window_y = 0;
  SDL_GetWindowPosition(window, &window_x, &window_y);
  XEvent release{};
  release.xbutton.type = ButtonRelease;
  release.xbutton.display = x11->display;
  release.xbutton.window = x11->window;
  release.xbutton.x = x - window_x;
  release.xbutton.y = y - window_y;
  release.xbutton.x_root = x;
  release.xbutton.y_root = y;
  release.xbutton.state = Button1Mask;
  release.xbutton.button = Button1;
  release.xbutton.same_screen = True;
  xlib->XSendEvent(x11->display, x11->window, False, ButtonReleaseMask, &release);
  xlib->XFlush(x11->display);
}

void SettlePointer(SDL_Window* window) {
  const std::optional<X11Window> x11 = X11WindowOf(window);
  if (!x11) return;
  const Xlib* xlib = x11->xlib;
  xlib->XWarpPointer(x11->display, None, None, 0, 0, 0, 0, 0, 0);
  xlib->XFlush(x11->display);
}

void DeclareModalDialog(SDL_Window* window) {
  const std::optional<X11Window> x11 = X11WindowOf(window);
  if (!x11) return;
  const Xlib* xlib = x11->xlib;
  Display* display = x11->display;
  const Atom atom = xlib->XInternAtom(display, "ATOM", False);
  const auto set = [&](const char* property, const char* value) {
    const Atom setting = xlib->XInternAtom(display, value, False);
    xlib->XChangeProperty(display, x11->window, xlib->XInternAtom(display, property, False), atom, 32,
                          PropModeReplace, reinterpret_cast<const unsigned char*>(&setting), 1);
  };
  set("_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_DIALOG");
  set("_NET_WM_STATE", "_NET_WM_STATE_MODAL");
}

void ActivateWindow(SDL_Window* window) {
  const std::optional<X11Window> x11 = X11WindowOf(window);
  if (!x11) return;
  const Xlib* xlib = x11->xlib;
  Display* display = x11->display;
  XEvent activate{};
  activate.xclient.type = ClientMessage;
  activate.xclient.window = x11->window;
  activate.xclient.message_type = xlib->XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
  activate.xclient.format = 32;
  activate.xclient.data.l[0] = 2;  // from a pager or task bar: the user's request
  activate.xclient.data.l[1] = CurrentTime;
  xlib->XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask,
                   &activate);
  xlib->XFlush(display);
}

}  // namespace tarvelin
