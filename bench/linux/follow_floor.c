/* build/bench/bench/quorvex_follow_floor: the least a program can do to follow another
 * program's window, so that Quorvex's follow figures can be read against what the X
 * server and the machine cost by themselves. It maps one InputOnly window DX, DY from
 * the window APPLICATION and moves it there in answer to each of that window's
 * ConfigureNotify, taking the place from the event itself (no window manager: the
 * event's place is on the root).
 *   quorvex_follow_floor APPLICATION DX DY W H        (prints "ready" once mapped) */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
  if (argc != 6) {
    fprintf(stderr, "usage: quorvex_follow_floor APPLICATION DX DY W H\n");
    return 2;
  }
  Display* display = XOpenDisplay(NULL);
  if (!display) {
    fprintf(stderr, "quorvex_follow_floor: no display\n");
    return 1;
  }
  Window application = (Window)strtoul(argv[1], NULL, 0);
  int dx = atoi(argv[2]), dy = atoi(argv[3]);
  XWindowAttributes at;
  if (!XGetWindowAttributes(display, application, &at)) {
    fprintf(stderr, "quorvex_follow_floor: no window %s\n", argv[1]);
    return 1;
  }
  XSelectInput(display, application, StructureNotifyMask);
  XSetWindowAttributes attributes = {0};
  attributes.override_redirect = True;
  Window window = XCreateWindow(display, DefaultRootWindow(display), at.x + dx, at.y + dy,
                                (unsigned)atoi(argv[4]), (unsigned)atoi(argv[5]), 0, 0, InputOnly,
                                CopyFromParent, CWOverrideRedirect, &attributes);
  XClassHint hint = {"followfloor", "QuorvexFollowFloor"};
  XSetClassHint(display, window, &hint);
  XMapRaised(display, window);
  XSync(display, False);
  puts("ready");
  fflush(stdout);
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == ConfigureNotify && event.xconfigure.window == application) {
      XMoveWindow(display, window, event.xconfigure.x + dx, event.xconfigure.y + dy);
      XFlush(display);
    } else if (event.type == DestroyNotify && event.xdestroywindow.window == application) {
      return 0;
    }
  }
}
