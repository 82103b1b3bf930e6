// Pixels and twips on the X screen, and the monitor the launcher uses as
// the toolkit's screen: RandR's primary monitor, else the first Xinerama
// screen, else the whole X screen. On a desktop with two monitors the X
// screen spans both; the window is centred on, and made to cover, one.
//
// Twips per pixel = 1440 / the screen's DPI, with the DPI rounded to a whole
// number first: Xvfb started with -dpi 96 reports 95.98 (its size in
// millimetres is rounded), which must give 15 twips per pixel, not 15.004.
// A twips value becomes pixels by dividing by the factor of its axis and
// rounding to the nearest whole pixel.
#pragma once

namespace strandel::platform::fltk {

struct Metrics {
  float twips_per_pixel_x = 15;
  float twips_per_pixel_y = 15;
  // The monitor: its top-left corner on the X screen and its size.
  int screen_x_px = 0;
  int screen_y_px = 0;
  int screen_width_px = 0;
  int screen_height_px = 0;

  int to_px_x(double twips) const;
  int to_px_y(double twips) const;
  // Sizes never go below one pixel (a 0 × 0 window or image is an X error)
  // nor above what the X protocol can carry.
  int size_px_x(double twips) const;
  int size_px_y(double twips) const;
};

// Reads the metrics of the default screen of the open display and finds its
// primary monitor.
Metrics ReadScreenMetrics();

}  // namespace strandel::platform::fltk
