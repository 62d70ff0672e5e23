/* The least X11 program that does the menu's visible job, as the platform's limit: a borderless
 * 480 x 360 window in the middle of the screen showing the background picture, and on every pointer
 * movement the piece of the highlight picture at entry 1 put into it; Escape or a close
 * request ends it. Plain Xlib: one XImage per picture, XPutImage to draw, no toolkit. */

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "hot_spots.h"

extern const unsigned char kReferenceBackground[], kReferenceHighlight[];
extern const unsigned long kReferenceBackgroundSize, kReferenceHighlightSize;

enum { kWidth = 480, kHeight = 360 };
enum {
  kEntryX = TARVELIN_HOT_SPOT_1_LEFT,
  kEntryY = TARVELIN_HOT_SPOT_1_TOP,
  kEntryW = TARVELIN_HOT_SPOT_1_WIDTH,
  kEntryH = TARVELIN_HOT_SPOT_1_HEIGHT
};

static uint32_t Read32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24; }

/* An uncompressed 8-bit bitmap of the window's size as 0x00RRGGBB pixels, top row first. */
static uint32_t* Decode(const unsigned char* file, unsigned long size) {
  if (size < 54 || file[0] != 'B' || file[1] != 'M' || file[28] != 8 || Read32(file + 30) != 0) return NULL;
  const uint32_t offset = Read32(file + 10), header = Read32(file + 14);
  const int32_t width = (int32_t)Read32(file + 18), height = (int32_t)Read32(file + 22);
  const unsigned long stride = ((unsigned long)width + 3) & ~3ul;
  if (width != kWidth || (height != kHeight && height != -kHeight) || offset + stride * kHeight > size ||
      14 + header + 1024 > size)
    return NULL;
  const unsigned char* palette = file + 14 + header;
  uint32_t* pixels = malloc(sizeof *pixels * kWidth * kHeight);
  if (!pixels) return NULL;
  for (int y = 0; y < kHeight; ++y) {
    const unsigned char* row = file + offset + stride * (unsigned long)(height > 0 ? kHeight - 1 - y : y);
    for (int x = 0; x < kWidth; ++x) {
      const unsigned char* c = palette + 4 * row[x];
      pixels[y * kWidth + x] = (uint32_t)c[2] << 16 | (uint32_t)c[1] << 8 | c[0];
    }
  }
  return pixels;
}

int main(void) {
  uint32_t* background = Decode(kReferenceBackground, kReferenceBackgroundSize);
  uint32_t* highlight = Decode(kReferenceHighlight, kReferenceHighlightSize);
  Display* display = XOpenDisplay(NULL);
  if (!background || !highlight || !display) return 1;
  const int screen = DefaultScreen(display);
  Visual* visual = DefaultVisual(display, screen);
  if (DefaultDepth(display, screen) != 24) return 1;

  const int x = (DisplayWidth(display, screen) - kWidth) / 2, y = (DisplayHeight(display, screen) - kHeight) / 2;
  Window window = XCreateSimpleWindow(display, RootWindow(display, screen), x, y, kWidth, kHeight, 0, 0, 0);
  XSelectInput(display, window, ExposureMask | KeyPressMask | PointerMotionMask);
  /* Borderless and placed where asked, as the menu asks a window manager. */
  const long motif_hints[5] = {2, 0, 0, 0, 0};
  const Atom motif = XInternAtom(display, "_MOTIF_WM_HINTS", False);
  XChangeProperty(display, window, motif, motif, 32, PropModeReplace, (const unsigned char*)motif_hints, 5);
  XSizeHints position = {.flags = PPosition | USPosition, .x = x, .y = y};
  XSetWMNormalHints(display, window, &position);
  Atom delete_window = XInternAtom(display, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(display, window, &delete_window, 1);
  XStoreName(display, window, "reference");

  XImage* plain = XCreateImage(display, visual, 24, ZPixmap, 0, (char*)background, kWidth, kHeight, 32, 0);
  XImage* lit = XCreateImage(display, visual, 24, ZPixmap, 0, (char*)highlight, kWidth, kHeight, 32, 0);
  GC gc = XCreateGC(display, window, 0, NULL);
  XMapWindow(display, window);

  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == Expose && event.xexpose.count == 0)
      XPutImage(display, window, gc, plain, 0, 0, 0, 0, kWidth, kHeight);
    else if (event.type == MotionNotify)
      XPutImage(display, window, gc, lit, kEntryX, kEntryY, kEntryX, kEntryY, kEntryW, kEntryH);
    else if ((event.type == KeyPress && XLookupKeysym(&event.xkey, 0) == XK_Escape) ||
             (event.type == ClientMessage && (Atom)event.xclient.data.l[0] == delete_window))
      break;
    XFlush(display);
  }
  XCloseDisplay(display);
  return 0;
}
