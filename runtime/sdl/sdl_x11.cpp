// A repair for SDL 2.26 on X11 (the SDL of Debian 12).
//
// SDL_WaitEvent wakes itself by sending the window a message over a second X connection; it sends
// one while it takes the event that closes the menu. The window is destroyed right after, and the
// X server may handle the destruction before the message, which then fails with BadWindow. Xlib
// reads that error when SDL_Quit closes the second connection, with the error handler that was
// installed before SDL_Init back in place; Xlib's default handler would end the process with exit
// status 1. This handler, installed before SDL_Init, ignores exactly that error and hands every
// other one to Xlib's default handler.

#include "runtime/sdl/sdl_x11.h"

#include <X11/Xlib.h>
#include <X11/Xproto.h>

namespace tarvelin {
namespace {

XErrorHandler default_handler = nullptr;

int IgnoreWakeupToDestroyedWindow(Display* display, XErrorEvent* error) {
  if (error->error_code == BadWindow && error->request_code == X_SendEvent) return 0;
  return default_handler(display, error);
}

}  // namespace

void IgnoreWakeupsToDestroyedWindows() {
  if (default_handler) return;
  default_handler = XSetErrorHandler(IgnoreWakeupToDestroyedWindow);
}

}  // namespace tarvelin
