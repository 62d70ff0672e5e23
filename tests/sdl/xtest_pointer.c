/* The pointer as a user moves it, through XTest, for what xdotool cannot do.
 *
 *   xtest_pointer tap X Y
 * A tap at screen pixel X,Y: the movement there, the press and the release of the left button,
 * sent to the X server in one go, so that the program gets them together, as from a touch screen,
 * a pen or a quick hand (xdotool sends each separately, and a program often handles the movement
 * before the press arrives).
 *
 *   xtest_pointer flashes FROM_X FROM_Y TO_X TO_Y PROBE_X PROBE_Y PLAIN LIT MOVES
 * Counts how often the screen shows a hot spot neither at rest nor lit while the pointer moves onto
 * it: the colour of a half-drawn highlight, however briefly it is on screen. Screen pixels; PLAIN
 * and LIT are the colours (RRGGBB, hex) that the probe pixel, inside the hot spot at TO, shows at
 * rest and lit. MOVES times, the pointer jumps from FROM to TO, and the probe pixel is read back
 * from the root window, as fast as the X server answers, until it shows LIT; then the pointer goes
 * back to FROM until the probe shows PLAIN again. Prints "K of MOVES moves showed another colour
 * (first: RRGGBB)" and exits 0 when K is 0, 1 when not.
 *
 * Exit status 2 on bad usage, without an X display, or when the probe did not come to show LIT or
 * PLAIN within 10 s. */

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static unsigned long ProbeColour(Display* d, int x, int y) {
  XImage* image = XGetImage(d, DefaultRootWindow(d), x, y, 1, 1, AllPlanes, ZPixmap);
  if (!image) return ~0ul;
  const unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
  XDestroyImage(image);
  return pixel;
}

static time_t Seconds(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec;
}

/* Reads the probe until it shows |wanted|; every other colour than |wanted| and |before| is counted
 * in |stray| and the first kept in |first_stray|. 0 once it shows |wanted|, -1 after 10 s. */
static int WatchUntil(Display* d, int x, int y, unsigned long before, unsigned long wanted, int* stray,
                      unsigned long* first_stray) {
  const time_t deadline = Seconds() + 10;
  for (;;) {
    const unsigned long colour = ProbeColour(d, x, y);
    if (colour == wanted) return 0;
    if (colour != before) {
      if ((*stray)++ == 0) *first_stray = colour;
    }
    if (Seconds() > deadline) return -1;
  }
}

static int Tap(Display* d, int x, int y) {
  XTestFakeMotionEvent(d, -1, x, y, CurrentTime);
  XTestFakeButtonEvent(d, 1, True, CurrentTime);
  XTestFakeButtonEvent(d, 1, False, CurrentTime);
  XSync(d, False);
  return 0;
}

static int CountFlashes(Display* d, char** argv) {
  const int from_x = atoi(argv[0]), from_y = atoi(argv[1]), to_x = atoi(argv[2]), to_y = atoi(argv[3]);
  const int probe_x = atoi(argv[4]), probe_y = atoi(argv[5]);
  const unsigned long plain = strtoul(argv[6], NULL, 16), lit = strtoul(argv[7], NULL, 16);
  const int moves = atoi(argv[8]);
  int flashed = 0;
  unsigned long first = 0, first_seen = 0;
  for (int move = 0; move < moves; ++move) {
    XTestFakeMotionEvent(d, -1, from_x, from_y, CurrentTime);
    XFlush(d);
    int ignored = 0;
    unsigned long ignored_colour = 0;
    if (WatchUntil(d, probe_x, probe_y, lit, plain, &ignored, &ignored_colour) != 0) {
      printf("the probe did not show %06lx with the pointer at %d,%d\n", plain, from_x, from_y);
      return 2;
    }
    XTestFakeMotionEvent(d, -1, to_x, to_y, CurrentTime);
    XFlush(d);
    int stray = 0;
    if (WatchUntil(d, probe_x, probe_y, plain, lit, &stray, &first) != 0) {
      printf("the probe did not show %06lx with the pointer at %d,%d\n", lit, to_x, to_y);
      return 2;
    }
    if (stray > 0 && flashed++ == 0) first_seen = first;
  }
  printf("%d of %d moves showed another colour", flashed, moves);
  if (flashed > 0) printf(" (first: %06lx)", first_seen);
  printf("\n");
  return flashed == 0 ? 0 : 1;
}

int main(int argc, char** argv) {
  const int tap = argc == 4 && strcmp(argv[1], "tap") == 0;
  const int flashes = argc == 11 && strcmp(argv[1], "flashes") == 0;
  if (!tap && !flashes) {
    fprintf(stderr, "usage: xtest_pointer tap X Y\n"
                    "       xtest_pointer flashes FROM_X FROM_Y TO_X TO_Y PROBE_X PROBE_Y PLAIN LIT MOVES\n");
    return 2;
  }
  Display* d = XOpenDisplay(NULL);
  if (!d) {
    fprintf(stderr, "xtest_pointer: no X display\n");
    return 2;
  }
  const int status = tap ? Tap(d, atoi(argv[2]), atoi(argv[3])) : CountFlashes(d, argv + 2);
  XCloseDisplay(d);
  return status;
}
