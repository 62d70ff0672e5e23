/* Times a menu program on an X screen, as a user would see it.
 *
 *   screen_launcher [options] -- PROGRAM [ARGS...]
 *
 *   --background FILE  8-bit bitmap the window shows at rest (its probe pixel ends the start)
 *   --highlight FILE   8-bit bitmap of the highlighted entries (its probe pixel ends the hover)
 *   --probe X,Y        client pixel inside entry 1 to watch
 *   --process NAME     measure the process, started by PROGRAM, whose command line holds NAME (for
 *                      Wine: the program's own process, not wineserver); default: the started process
 *   --idle SECONDS     CPU time to measure while the menu sits untouched (default 0: not measured)
 *   --timeout SECONDS  give up waiting for a picture after this long (default 20)
 *   --disk-stat FILE   a block device's statistics (/sys/block/NAME/stat): the reads it completed
 *                      and the bytes it read from the start until the first paint are printed too
 *
 * The window is expected centred on the screen, 480 x 360, on a black root window (Xvfb -br), which
 * is how the launcher sees that the window has gone before it returns. The pixel is read from the root window
 * with a 1 x 1 XGetImage: every half millisecond until the start shows, every tenth of a
 * millisecond after the pointer moves (XTest) onto entry 1. Prints one line:
 *   start_ms=... hover_ms=... hwm_kb=... [idle_ticks=...] [disk_reads=... disk_kib=...]
 * and exits 0, or prints error=... and exits 1. The program is killed at the end. */

#define _GNU_SOURCE
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <ctype.h>
#include <dirent.h>
#include <errno.h>
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

enum { kWindowWidth = 480, kWindowHeight = 360 };

static double Now(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

static void SleepUntil(double when) {
  struct timespec t = {(time_t)when, (long)((when - (double)(time_t)when) * 1e9)};
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, NULL) == EINTR) {
  }
}

static int Fail(const char* what) {
  printf("error=%s\n", what);
  return 1;
}

/* The colour (0xRRGGBB) at a pixel of an uncompressed 8-bit bitmap file; -1 when unreadable. */
static long BitmapColour(const char* path, int x, int y) {
  FILE* f = fopen(path, "rb");
  if (!f) return -1;
  unsigned char h[54];
  long colour = -1;
  if (fread(h, 1, sizeof h, f) == sizeof h && h[0] == 'B' && h[1] == 'M' && h[28] == 8 && h[30] == 0) {
    const uint32_t offset = h[10] | h[11] << 8 | h[12] << 16 | (uint32_t)h[13] << 24;
    const uint32_t header = h[14] | h[15] << 8 | h[16] << 16 | (uint32_t)h[17] << 24;
    const int32_t width = (int32_t)(h[18] | h[19] << 8 | h[20] << 16 | (uint32_t)h[21] << 24);
    const int32_t height = (int32_t)(h[22] | h[23] << 8 | h[24] << 16 | (uint32_t)h[25] << 24);
    const long row = height > 0 ? height - 1 - y : y;
    const long stride = (width + 3) & ~3L;
    unsigned char index, bgr[4];
    if (x < width && y < labs(height) && fseek(f, (long)offset + row * stride + x, SEEK_SET) == 0 &&
        fread(&index, 1, 1, f) == 1 && fseek(f, 14 + (long)header + 4L * index, SEEK_SET) == 0 &&
        fread(bgr, 1, 4, f) == 4)
      colour = (long)bgr[2] << 16 | (long)bgr[1] << 8 | bgr[0];
  }
  fclose(f);
  return colour;
}

static unsigned long ScreenColour(Display* d, int x, int y) {
  XImage* image = XGetImage(d, DefaultRootWindow(d), x, y, 1, 1, AllPlanes, ZPixmap);
  if (!image) return ~0ul;
  const unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
  XDestroyImage(image);
  return pixel;
}

/* Polls the pixel every |interval| seconds until it shows |colour|; the time it did, or -1. */
static double WaitForColour(Display* d, int x, int y, unsigned long colour, double interval, double deadline) {
  for (double next = Now();; next += interval) {
    if (ScreenColour(d, x, y) == colour) return Now();
    if (Now() > deadline) return -1;
    SleepUntil(next + interval);
  }
}

static int ReadText(const char* path, char* buffer, size_t size) {
  FILE* f = fopen(path, "rb");
  if (!f) return -1;
  const size_t n = fread(buffer, 1, size - 1, f);
  fclose(f);
  for (size_t i = 0; i < n; ++i)
    if (buffer[i] == '\0') buffer[i] = ' ';  /* argv is NUL-separated */
  buffer[n] = '\0';
  return (int)n;
}

/* utime + stime of a process, in clock ticks; -1 when it is gone. */
static long CpuTicks(pid_t pid) {
  char path[64], text[4096];
  snprintf(path, sizeof path, "/proc/%d/stat", (int)pid);
  if (ReadText(path, text, sizeof text) <= 0) return -1;
  const char* p = strrchr(text, ')');  /* the name may hold spaces */
  unsigned long utime, stime;
  if (!p || sscanf(p + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime, &stime) != 2) return -1;
  return (long)(utime + stime);
}

/* Reads completed and sectors read, the first and third fields of a block device's stat file. */
static int DiskReads(const char* path, unsigned long long* reads, unsigned long long* sectors) {
  char text[512];
  if (ReadText(path, text, sizeof text) <= 0) return 0;
  return sscanf(text, "%llu %*u %llu", reads, sectors) == 2;
}

static long PeakResidentKiB(pid_t pid) {
  char path[64], text[8192];
  snprintf(path, sizeof path, "/proc/%d/status", (int)pid);
  if (ReadText(path, text, sizeof text) <= 0) return -1;
  const char* p = strstr(text, "VmHWM:");
  return p ? strtol(p + 6, NULL, 10) : -1;
}

static pid_t ParentOf(pid_t pid) {
  char path[64], text[4096];
  snprintf(path, sizeof path, "/proc/%d/stat", (int)pid);
  if (ReadText(path, text, sizeof text) <= 0) return 0;
  const char* p = strrchr(text, ')');
  int parent = 0;
  return p && sscanf(p + 2, "%*c %d", &parent) == 1 ? (pid_t)parent : 0;
}

static int DescendsFrom(pid_t pid, pid_t ancestor) {
  for (int hops = 0; pid > 1 && hops < 64; ++hops, pid = ParentOf(pid))
    if (pid == ancestor) return 1;
  return 0;
}

/* The newest process started by |child| (or |child| itself) whose command line holds |name|, so
 * that programs of the same name on other displays are never taken; 0 when there is none. */
static pid_t FindProcess(const char* name, pid_t child) {
  DIR* proc = opendir("/proc");
  if (!proc) return 0;
  pid_t found = 0;
  struct dirent* e;
  while ((e = readdir(proc)) != NULL) {
    if (!isdigit((unsigned char)e->d_name[0])) continue;
    const pid_t pid = (pid_t)atoi(e->d_name);
    char path[64], cmdline[4096];
    snprintf(path, sizeof path, "/proc/%d/cmdline", (int)pid);
    if (ReadText(path, cmdline, sizeof cmdline) <= 0 || !strstr(cmdline, name) || strstr(cmdline, "wineserver")) continue;
    if (pid > found && DescendsFrom(pid, child)) found = pid;
  }
  closedir(proc);
  return found;
}

int main(int argc, char** argv) {
  const char *background = NULL, *highlight = NULL, *process = NULL, *probe = NULL, *disk_stat = NULL;
  int probe_x, probe_y;
  double idle = 0, timeout = 20;
  int i = 1;
  for (; i < argc && strcmp(argv[i], "--") != 0; i += 2) {
    if (i + 1 >= argc) return Fail("missing-option-value");
    if (!strcmp(argv[i], "--background")) background = argv[i + 1];
    else if (!strcmp(argv[i], "--highlight")) highlight = argv[i + 1];
    else if (!strcmp(argv[i], "--process")) process = argv[i + 1];
    else if (!strcmp(argv[i], "--idle")) idle = atof(argv[i + 1]);
    else if (!strcmp(argv[i], "--timeout")) timeout = atof(argv[i + 1]);
    else if (!strcmp(argv[i], "--probe")) probe = argv[i + 1];
    else if (!strcmp(argv[i], "--disk-stat")) disk_stat = argv[i + 1];
    else return Fail("unknown-option");
  }
  if (i + 1 >= argc || !background || !highlight || !probe) {
    fprintf(stderr, "usage: %s --background BMP --highlight BMP --probe X,Y [--process NAME] "
                    "[--idle S] [--timeout S] [--disk-stat FILE] -- PROGRAM [ARGS...]\n", argv[0]);
    return 2;
  }
  char** command = argv + i + 1;
  if (sscanf(probe, "%d,%d", &probe_x, &probe_y) != 2) return Fail("bad-probe");

  const long rest = BitmapColour(background, probe_x, probe_y);
  const long lit = BitmapColour(highlight, probe_x, probe_y);
  if (rest < 0 || lit < 0) return Fail("unreadable-bitmap");
  if (rest == lit) return Fail("probe-not-inside-an-entry");

  Display* d = XOpenDisplay(NULL);
  if (!d) return Fail("no-display");
  int event_base, error_base, major, minor;
  if (!XTestQueryExtension(d, &event_base, &error_base, &major, &minor)) return Fail("no-xtest");
  const int screen = DefaultScreen(d);
  const int origin_x = (DisplayWidth(d, screen) - kWindowWidth) / 2;
  const int origin_y = (DisplayHeight(d, screen) - kWindowHeight) / 2;
  const int x = origin_x + probe_x, y = origin_y + probe_y;

  /* The pointer waits in a corner, away from where the window opens. */
  XTestFakeMotionEvent(d, screen, 0, 0, CurrentTime);
  XSync(d, False);
  if (ScreenColour(d, x, y) == (unsigned long)rest) return Fail("picture-already-on-screen");

  unsigned long long reads_before = 0, sectors_before = 0, reads_painted = 0, sectors_painted = 0;
  if (disk_stat && !DiskReads(disk_stat, &reads_before, &sectors_before)) return Fail("unreadable-disk-stat");
  const double started = Now();
  const pid_t child = fork();
  if (child < 0) return Fail("fork");
  if (child == 0) {
    execvp(command[0], command);
    _exit(127);
  }
  int status = 0;
  const double painted = WaitForColour(d, x, y, (unsigned long)rest, 0.0005, started + timeout);
  const int disk_read = disk_stat && DiskReads(disk_stat, &reads_painted, &sectors_painted);
  int result = 0;
  if (painted < 0) {
    result = Fail(waitpid(child, &status, WNOHANG) == child ? "program-ended" : "no-first-paint");
  } else {
    /* Let start-up settle, so that the hover measures the response and not the start. */
    SleepUntil(Now() + 0.3);
    const double moved = Now();
    XTestFakeMotionEvent(d, screen, x, y, CurrentTime);
    XFlush(d);
    const double lit_at = WaitForColour(d, x, y, (unsigned long)lit, 0.0001, moved + timeout);
    const pid_t measured = process ? FindProcess(process, child) : child;
    long idle_ticks = -1;
    if (idle > 0 && measured > 0) {
      const long before = CpuTicks(measured);
      SleepUntil(Now() + idle);
      const long after = CpuTicks(measured);
      if (before >= 0 && after >= 0) idle_ticks = after - before;
    }
    const long hwm = measured > 0 ? PeakResidentKiB(measured) : -1;
    if (lit_at < 0) result = Fail("no-highlight");
    else if (measured <= 0) result = Fail("process-not-found");
    else if (idle > 0 && idle_ticks < 0)
      result = Fail("process-ended-while-idle");
    else if (disk_stat && !disk_read)
      result = Fail("unreadable-disk-stat");
    else {
      printf("start_ms=%.3f hover_ms=%.3f hwm_kb=%ld", (painted - started) * 1e3, (lit_at - moved) * 1e3, hwm);
      if (idle > 0) printf(" idle_ticks=%ld", idle_ticks);
      if (disk_stat)
        printf(" disk_reads=%llu disk_kib=%.1f", reads_painted - reads_before, (double)(sectors_painted - sectors_before) / 2);
      printf("\n");
    }
    if (measured > 0 && measured != child) kill(measured, SIGKILL);
  }
  kill(child, SIGKILL);
  waitpid(child, &status, 0);
  /* The window is gone once its pixel no longer shows the picture. */
  WaitForColour(d, origin_x, origin_y, 0, 0.001, Now() + 2);
  XCloseDisplay(d);
  return result;
}
