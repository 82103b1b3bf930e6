#include "platform/fltk/metrics.h"

#include <FL/Fl.H>
#include <FL/x.H>

#include <algorithm>
#include <cmath>

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

}  // namespace

int Metrics::to_px_x(double twips) const { return clamp_px(twips / twips_per_pixel_x, -kMaxCoordinate); }
int Metrics::to_px_y(double twips) const { return clamp_px(twips / twips_per_pixel_y, -kMaxCoordinate); }
int Metrics::size_px_x(double twips) const { return clamp_px(twips / twips_per_pixel_x, 1); }
int Metrics::size_px_y(double twips) const { return clamp_px(twips / twips_per_pixel_y, 1); }

Metrics ReadScreenMetrics() {
  fl_open_display();
  int screen = fl_screen;
  Metrics m;
  m.screen_width_px = DisplayWidth(fl_display, screen);
  m.screen_height_px = DisplayHeight(fl_display, screen);
  m.twips_per_pixel_x = twips_per_pixel(m.screen_width_px, DisplayWidthMM(fl_display, screen));
  m.twips_per_pixel_y = twips_per_pixel(m.screen_height_px, DisplayHeightMM(fl_display, screen));
  return m;
}

}  // namespace strandel::platform::fltk
