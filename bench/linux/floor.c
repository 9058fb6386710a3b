/* build/bench/bench/quorvex_floor: the least a program can do for the same
 * measurements, so that Quorvex's figures can be read against what the line, the
 * X server and the machine cost by themselves. It opens the line raw, maps one
 * InputOnly window, and waits in poll: a "10" on the line becomes one XTEST click
 * at (CLICK_X, CLICK_Y), with the work the program does for it (below); a click on
 * the window is answered by "101" on the line.
 *   quorvex_floor PORT CLICK_X CLICK_Y X Y W H        (prints "ready" once mapped) */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

static Window map_window(Display* display, int x, int y, unsigned width, unsigned height) {
  XSetWindowAttributes attributes = {0};
  attributes.override_redirect = True;
  attributes.event_mask = ButtonPressMask | ButtonReleaseMask;
  Window window =
      XCreateWindow(display, DefaultRootWindow(display), x, y, width, height, 0, 0, InputOnly,
                    CopyFromParent, CWOverrideRedirect | CWEventMask, &attributes);
  XClassHint hint = {"floor", "QuorvexFloor"};
  XSetClassHint(display, window, &hint);
  XMapRaised(display, window);
  XSync(display, False);
  return window;
}

/* What the program does for "10", so that the ratio compares like with like: the
 * window steps aside to the top edge, the server is grabbed, the pointer is read (the
 * one round trip) to be put back, the click goes, the server is let go, all flushed
 * at once. The window comes back STEP_ASIDE_MS later, as the program's does: the
 * probe waits for that return, so both are measured at the same pace of rounds (at a
 * slower pace this machine wakes each one more slowly). */
#define STEP_ASIDE_MS 10

static long long now_us(void) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000000LL + now.tv_nsec / 1000;
}

static void click(Display* display, Window window, int x, int click_x, int click_y) {
  Window root, child;
  int root_x = 0, root_y = 0, window_x, window_y;
  unsigned mask;
  XMoveWindow(display, window, x, 0);
  XGrabServer(display);
  XQueryPointer(display, DefaultRootWindow(display), &root, &child, &root_x, &root_y, &window_x,
                &window_y, &mask);
  XTestFakeMotionEvent(display, -1, click_x, click_y, CurrentTime);
  XTestFakeButtonEvent(display, Button1, True, CurrentTime);
  XTestFakeButtonEvent(display, Button1, False, CurrentTime);
  XUngrabServer(display);
  XFlush(display);
  XTestFakeMotionEvent(display, -1, root_x, root_y, CurrentTime);
}

int main(int argc, char** argv) {
  if (argc != 8) {
    fprintf(stderr, "usage: quorvex_floor PORT CLICK_X CLICK_Y X Y W H\n");
    return 2;
  }
  int line = open(argv[1], O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  Display* display = XOpenDisplay(NULL);
  struct termios tio;
  if (line < 0 || !display || tcgetattr(line, &tio) != 0) {
    fprintf(stderr, "quorvex_floor: no line or no display\n");
    return 1;
  }
  cfmakeraw(&tio);
  tcsetattr(line, TCSANOW, &tio);
  int click_x = atoi(argv[2]), click_y = atoi(argv[3]);
  int x = atoi(argv[4]), y = atoi(argv[5]);
  Window window = map_window(display, x, y, (unsigned)atoi(argv[6]), (unsigned)atoi(argv[7]));
  puts("ready");
  fflush(stdout);
  char previous = 0;
  long long back_at = 0; /* while the window is aside: when it comes back */
  for (;;) {
    while (XPending(display)) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == ButtonRelease && write(line, "101", 3) != 3) {
        return 1;
      }
    }
    struct pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {line, POLLIN, 0}};
    int timeout = -1;
    if (back_at) {
      long long left = back_at - now_us();
      timeout = left > 0 ? (int)((left + 999) / 1000) : 0;
    }
    int ready = poll(fds, 2, timeout);
    if (back_at && now_us() >= back_at) {
      back_at = 0;
      XMoveWindow(display, window, x, y);
    }
    if (ready <= 0 || !(fds[1].revents & (POLLIN | POLLHUP | POLLERR))) {
      continue;
    }
    char buffer[256];
    ssize_t count = read(line, buffer, sizeof buffer);
    if (count <= 0) {
      return 0; /* the line has hung up */
    }
    for (ssize_t i = 0; i < count; previous = buffer[i++]) {
      if (previous == '1' && buffer[i] == '0') {
        click(display, window, x, click_x, click_y);
        back_at = now_us() + STEP_ASIDE_MS * 1000;
      }
    }
  }
}
