#include "platform/fltk/blit.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <cstdint>

namespace strandel::platform::fltk {

namespace {

// On the usual 24-bit TrueColor visual with 32 bits per pixel, X's own image
// format is Cairo's, byte for byte, so the frame goes to the server as it is.
bool same_format_as_cairo() {
  static const bool same = [] {
    const Visual* visual = fl_visual->visual;
    return fl_visual->depth == 24 && visual->red_mask == 0xFF0000 &&
           visual->green_mask == 0x00FF00 && visual->blue_mask == 0x0000FF &&
           ImageByteOrder(fl_display) == LSBFirst;
  }();
  return same;
}

struct Rows {
  const unsigned char* data;
  int stride;
};

// Fallback: one row at a time into FLTK's own conversion.
void convert_row(void* rows, int x, int y, int w, uchar* out) {
  auto* r = static_cast<Rows*>(rows);
  const auto* pixel = reinterpret_cast<const std::uint32_t*>(r->data + y * r->stride) + x;
  for (int i = 0; i < w; ++i, out += 3) {
    out[0] = static_cast<uchar>(pixel[i] >> 16);
    out[1] = static_cast<uchar>(pixel[i] >> 8);
    out[2] = static_cast<uchar>(pixel[i]);
  }
}

}  // namespace

void DrawRgb24(const unsigned char* data, int stride, int x, int y, int width, int height) {
  if (same_format_as_cairo()) {
    XImage image{};
    image.width = width;
    image.height = height;
    image.format = ZPixmap;
    image.data = const_cast<char*>(reinterpret_cast<const char*>(data));
    image.byte_order = LSBFirst;
    image.bitmap_unit = 32;
    image.bitmap_bit_order = LSBFirst;
    image.bitmap_pad = 32;
    image.depth = 24;
    image.bytes_per_line = stride;
    image.bits_per_pixel = 32;
    image.red_mask = 0xFF0000;
    image.green_mask = 0x00FF00;
    image.blue_mask = 0x0000FF;
    if (XInitImage(&image)) {
      XPutImage(fl_display, fl_window, fl_gc, &image, 0, 0, x, y, width, height);
      return;
    }
  }
  Rows rows{data, stride};
  fl_draw_image(convert_row, &rows, x, y, width, height, 3);
}

}  // namespace strandel::platform::fltk
