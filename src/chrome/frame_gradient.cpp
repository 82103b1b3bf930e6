#include "chrome/frame_gradient.h"

namespace strandel::chrome {

namespace {

// Distance of a line from the inner edge of its band: 50 down to 0 in steps
// of 0.5 twip as n runs up from first to first + 100.
double band_offset(int last, int n) { return static_cast<double>(last - n) / 100 * kBandWidth; }

platform::Colour dark_band_colour(int n) { return platform::RGB(0, 0, n); }

}  // namespace

platform::Colour PaleBandColour(int n) {
  return n <= 255 ? platform::RGB(0, 0, n) : platform::RGB(n - 255, n - 255, 255);
}

void PaintFrameGradient(platform::FormWindow& window) {
  window.set_AutoRedraw(platform::kTrue);
  // The size is read afresh for every line. The end points are converted to
  // single once, when passed.
  for (int n = 100; n <= 200; ++n) {  // right band, from the outer edge inward
    float x = static_cast<float>((window.Width() - kBandWidth) + band_offset(200, n));
    window.Line(kLineFlags, x, 0, x, window.Height(), dark_band_colour(n));
  }
  for (int n = 100; n <= 200; ++n) {  // bottom band, from the outer edge inward
    float y = static_cast<float>((window.Height() - kBandWidth) + band_offset(200, n));
    window.Line(kLineFlags, 0, y, window.Width(), y, dark_band_colour(n));
  }
  for (int n = 200; n <= 300; ++n) {  // left band, from the inner edge outward
    float x = static_cast<float>(band_offset(300, n));
    window.Line(kLineFlags, x, 0, x, window.Height(), PaleBandColour(n));
  }
  for (int n = 200; n <= 300; ++n) {  // top band, from the inner edge outward
    float y = static_cast<float>(band_offset(300, n));
    window.Line(kLineFlags, 0, y, window.Width(), y, PaleBandColour(n));
  }
}

}  // namespace strandel::chrome
