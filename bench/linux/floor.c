/* build/bench/bench/quorvex_floor: the least a program can do for the same
 * measurements, so that Quorvex's figures can be read against what the line, the
 * X server and the machine cost by themselves. It opens the line raw, maps one
 * InputOnly window, and waits in poll: a "10" on the line becomes one XTEST click
 * at (CLICK_X, CLICK_Y), with the work the program does for it (below); a click on
 * the window is answered by "101" on the line.
 *   quorvex_floor PORT CLICK_X CLICK_Y X Y W H        (prints "ready" once mapped) */
#include <X11/Xlib-xcb.h>
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
#include <xcb/xcb.h>

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
 * window steps aside to the top edge, the server is grabbed, and in one round trip
 * the pointer's place (to be put back), a grab of the pointer (refused while another
 * client holds it), the button mapping and the window at the point are asked; the
 * click goes, the server is let go, all flushed at once. The cursor goes back once
 * the pointer's buttons are up, asked at once and then every RETRY_MS, as the
 * program's does. The window comes back STEP_ASIDE_MS later, as the program's does:
 * the probe waits for that return, so both are measured at the same pace of rounds
 * (at a slower pace this machine wakes each one more slowly). */
#define STEP_ASIDE_MS 10
#define RETRY_MS 10
#define PATIENCE_MS 1000
#define BUTTONS (Button1Mask | Button2Mask | Button3Mask | Button4Mask | Button5Mask)

static long long now_us(void) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000000LL + now.tv_nsec / 1000;
}

struct saved {
  int x, y;
};

static unsigned primary_button(xcb_get_pointer_mapping_reply_t* mapping) {
  const uint8_t* map = xcb_get_pointer_mapping_map(mapping);
  for (int physical = 0; physical < xcb_get_pointer_mapping_map_length(mapping); ++physical) {
    if (map[physical] == Button1) {
      return (unsigned)physical + 1;
    }
  }
  return Button1;
}

static struct saved click(Display* display, Window window, int x, int click_x, int click_y) {
  xcb_connection_t* connection = XGetXCBConnection(display);
  xcb_window_t root = DefaultRootWindow(display);
  XMoveWindow(display, window, x, 0);
  XGrabServer(display);
  xcb_query_pointer_cookie_t pointer_asked = xcb_query_pointer(connection, root);
  xcb_grab_pointer_cookie_t grab_asked =
      xcb_grab_pointer(connection, 0, root, 0, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE,
                       XCB_NONE, XCB_CURRENT_TIME);
  xcb_get_pointer_mapping_cookie_t mapping_asked = xcb_get_pointer_mapping(connection);
  xcb_translate_coordinates_cookie_t top_asked =
      xcb_translate_coordinates(connection, root, root, (int16_t)click_x, (int16_t)click_y);
  xcb_query_pointer_reply_t* pointer = xcb_query_pointer_reply(connection, pointer_asked, NULL);
  xcb_grab_pointer_reply_t* grab = xcb_grab_pointer_reply(connection, grab_asked, NULL);
  xcb_get_pointer_mapping_reply_t* mapping =
      xcb_get_pointer_mapping_reply(connection, mapping_asked, NULL);
  free(xcb_translate_coordinates_reply(connection, top_asked, NULL));
  if (grab && grab->status == XCB_GRAB_STATUS_SUCCESS) {
    XUngrabPointer(display, CurrentTime);
  }
  unsigned primary = mapping ? primary_button(mapping) : Button1;
  XTestFakeMotionEvent(display, -1, click_x, click_y, CurrentTime);
  XTestFakeButtonEvent(display, primary, True, CurrentTime);
  XTestFakeButtonEvent(display, primary, False, CurrentTime);
  XUngrabServer(display);
  XFlush(display);
  struct saved back = {pointer ? pointer->root_x : 0, pointer ? pointer->root_y : 0};
  free(pointer);
  free(grab);
  free(mapping);
  return back;
}

static int released(Display* display) {
  Window root, child;
  int root_x, root_y, window_x, window_y;
  unsigned mask = 0;
  XQueryPointer(display, DefaultRootWindow(display), &root, &child, &root_x, &root_y, &window_x,
                &window_y, &mask);
  return (mask & BUTTONS) == 0;
}

static void cursor_back(Display* display, struct saved back) {
  XTestFakeMotionEvent(display, -1, back.x, back.y, CurrentTime);
  XFlush(display);
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
  long long back_at = 0;    /* while the window is aside: when it comes back */
  long long retry_at = 0;   /* while a release is awaited: when it is asked again */
  long long give_up_at = 0; /* and when the cursor goes back all the same */
  struct saved back = {0, 0};
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
    long long due = retry_at && (!back_at || retry_at < back_at) ? retry_at : back_at;
    if (due) {
      long long left = due - now_us();
      timeout = left > 0 ? (int)((left + 999) / 1000) : 0;
    }
    int ready = poll(fds, 2, timeout);
    long long now = now_us();
    if (retry_at && now >= retry_at) {
      if (released(display) || now >= give_up_at) {
        retry_at = 0;
        cursor_back(display, back);
      } else {
        retry_at = now + RETRY_MS * 1000;
      }
    }
    /* Never back while its click is on its way, as the program's overlay. */
    if (back_at && now >= back_at && !retry_at) {
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
      if (previous == '1' && buffer[i] == '0' && !retry_at) {
        long long clicked = now_us();
        back = click(display, window, x, click_x, click_y);
        back_at = clicked + STEP_ASIDE_MS * 1000;
        if (released(display)) {
          cursor_back(display, back);
        } else {
          retry_at = clicked + RETRY_MS * 1000;
          give_up_at = clicked + PATIENCE_MS * 1000;
        }
      }
    }
  }
}
