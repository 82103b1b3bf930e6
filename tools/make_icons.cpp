// make_icons DIR: writes the program's icon set (16, 32 and 48 pixels) as PNG
// files, from the same drawing the window uses for its icon.
#include <cairo.h>

#include <cstdio>
#include <string>

#include "platform/logo.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_icons DIR\n");
    return 2;
  }
  for (int size : {16, 32, 48}) {
    std::vector<std::uint8_t> rgb = strandel::platform::LogoPixels(size);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, size, size);
    unsigned char* data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        const std::uint8_t* p = &rgb[(y * size + x) * 3];
        reinterpret_cast<std::uint32_t*>(data + y * stride)[x] =
            (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
      }
    cairo_surface_mark_dirty(surface);
    std::string path = std::string(argv[1]) + "/strandel-" + std::to_string(size) + ".png";
    cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
      std::fprintf(stderr, "make_icons: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
