#include "platform/fltk/metrics.h"

#include <FL/Fl.H>
#include <FL/x.H>
#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <cmath>
#include <optional>

namespace strandel::platform::fltk {

namespace {

constexpr double kTwipsPerInch = 1440;
constexpr double kMillimetresPerInch = 25.4;
constexpr double kFallbackDpi = 96;
// X positions are 16-bit signed, sizes 16-bit unsigned but kept below 32768.
constexpr double kMaxCoordinate = 32767;

int clamp_px(double px, double low) {
  if (std::isnan(px)) return static_cast<int>(low);
  return static_cast<int>(std::clamp(std::round(px), low, kMaxCoordinate));
}

float twips_per_pixel(int pixels, int millimetres) {
  double dpi = millimetres > 0 ? std::round(pixels * kMillimetresPerInch / millimetres) : 0;
  if (dpi < 1) dpi = kFallbackDpi;
  return static_cast<float>(kTwipsPerInch / dpi);
}

struct Monitor {
  int x, y, width, height;
};

// RandR 1.5 lists monitors with the primary one marked.
std::optional<Monitor> randr_primary(Display* display, ::Window root) {
  int event_base, error_base, major = 0, minor = 0;
  if (!XRRQueryExtension(display, &event_base, &error_base) ||
      !XRRQueryVersion(display, &major, &minor) || major < 1 || (major == 1 && minor < 5))
    return std::nullopt;
  int count = 0;
  XRRMonitorInfo* monitors = XRRGetMonitors(display, root, True, &count);
  std::optional<Monitor> primary;
  for (int i = 0; monitors && i < count; ++i)
    if (monitors[i].primary && monitors[i].width > 0 && monitors[i].height > 0)
      primary = Monitor{monitors[i].x, monitors[i].y, monitors[i].width, monitors[i].height};
  if (monitors) XRRFreeMonitors(monitors);
  return primary;
}

std::optional<Monitor> first_xinerama_screen(Display* display) {
  int event_base, error_base;
  if (!XineramaQueryExtension(display, &event_base, &error_base) || !XineramaIsActive(display))
    return std::nullopt;
  int count = 0;
  XineramaScreenInfo* screens = XineramaQueryScreens(display, &count);
  std::optional<Monitor> first;
  if (screens && count > 0 && screens[0].width > 0 && screens[0].height > 0)
    first = Monitor{screens[0].x_org, screens[0].y_org, screens[0].width, screens[0].height};
  if (screens) XFree(screens);
  return first;
}

}  // namespace

int Metrics::to_px_x(double twips) const { return clamp_px(twips / twips_per_pixel_x, -kMaxCoordinate); }
int Metrics::to_px_y(double twips) const { return clamp_px(twips / twips_per_pixel_y, -kMaxCoordinate); }
int Metrics::size_px_x(double twips) const { return clamp_px(twips / twips_per_pixel_x, 1); }
int Metrics::size_px_y(double twips) const { return clamp_px(twips / twips_per_pixel_y, 1); }

Metrics ReadScreenMetrics() {
  fl_open_display();
  int screen = fl_screen;
  Metrics m;
  int width = DisplayWidth(fl_display, screen), height = DisplayHeight(fl_display, screen);
  // The X screen's DPI holds for every monitor on it.
  m.twips_per_pixel_x = twips_per_pixel(width, DisplayWidthMM(fl_display, screen));
  m.twips_per_pixel_y = twips_per_pixel(height, DisplayHeightMM(fl_display, screen));
  Monitor monitor{0, 0, width, height};
  if (auto primary = randr_primary(fl_display, RootWindow(fl_display, screen)))
    monitor = *primary;
  else if (auto first = first_xinerama_screen(fl_display))
    monitor = *first;
  m.screen_x_px = monitor.x;
  m.screen_y_px = monitor.y;
  m.screen_width_px = monitor.width;
  m.screen_height_px = monitor.height;
  return m;
}

}  // namespace strandel::platform::fltk
