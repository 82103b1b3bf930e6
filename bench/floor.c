/* floor [RRGGBB]: the least a window like the launcher's can do at start-up,
 * with plain Xlib and Xft. It maps a borderless 648x510 window titled
 * "Velmoran Strandel", fills it with one colour, draws the bold title in
 * white once, and then waits until it is killed. The startup benchmark
 * measures the launcher against it. */
#include <X11/Xatom.h>
#include <X11/Xft/Xft.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { WINDOW_WIDTH = 648, WINDOW_HEIGHT = 510 };
static const char title[] = "Velmoran Strandel";

/* _MOTIF_WM_HINTS: flags say only the decorations field is set, and it is 0. */
static void remove_decorations(Display* d, Window w) {
  long hints[5] = {2, 0, 0, 0, 0};
  Atom motif = XInternAtom(d, "_MOTIF_WM_HINTS", False);
  XChangeProperty(d, w, motif, motif, 32, PropModeReplace, (unsigned char*)hints, 5);
}

static void set_title(Display* d, Window w) {
  XStoreName(d, w, title);
  XChangeProperty(d, w, XInternAtom(d, "_NET_WM_NAME", False), XInternAtom(d, "UTF8_STRING", False),
                  8, PropModeReplace, (const unsigned char*)title, (int)strlen(title));
}

int main(int argc, char** argv) {
  /* The benchmark runs on a 24-bit TrueColor screen, where a pixel is 0xRRGGBB. */
  unsigned long colour = argc > 1 ? strtoul(argv[1], NULL, 16) : 0x129a5c;
  Display* d = XOpenDisplay(NULL);
  if (!d) {
    fputs("floor: cannot open display\n", stderr);
    return 1;
  }
  int screen = DefaultScreen(d);
  Visual* visual = DefaultVisual(d, screen);
  Colormap colormap = DefaultColormap(d, screen);

  XSetWindowAttributes attributes;
  attributes.background_pixel = colour;
  attributes.event_mask = ExposureMask;
  int x = (DisplayWidth(d, screen) - WINDOW_WIDTH) / 2;
  int y = (DisplayHeight(d, screen) - WINDOW_HEIGHT) / 2;
  Window w =
      XCreateWindow(d, RootWindow(d, screen), x, y, WINDOW_WIDTH, WINDOW_HEIGHT, 0, CopyFromParent,
                    InputOutput, CopyFromParent, CWBackPixel | CWEventMask, &attributes);
  set_title(d, w);
  remove_decorations(d, w);
  XSizeHints position = {.flags = USPosition | PPosition, .x = x, .y = y};
  XSetWMNormalHints(d, w, &position);

  XftFont* font = XftFontOpenName(d, screen, "DejaVu Sans:bold:pixelsize=14");
  XftDraw* draw = XftDrawCreate(d, w, visual, colormap);
  XftColor white;
  if (!font || !draw || !XftColorAllocName(d, visual, colormap, "white", &white)) {
    fputs("floor: cannot set up Xft\n", stderr);
    return 1;
  }
  /* Where the launcher prints its title: 20 px into the strip at (4, 4). */
  GC gc = XCreateGC(d, w, 0, NULL);
  XSetForeground(d, gc, colour);
  XMapWindow(d, w);

  for (;;) {
    XEvent event;
    XNextEvent(d, &event);
    if (event.type == Expose && event.xexpose.count == 0) {
      XFillRectangle(d, w, gc, 0, 0, WINDOW_WIDTH, WINDOW_HEIGHT);
      XftDrawStringUtf8(draw, &white, font, 24, 18, (const FcChar8*)title, (int)strlen(title));
      XFlush(d);
    }
  }
}
