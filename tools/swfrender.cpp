// swfrender MOVIE OUT.png [--frame N] [--size WxH]
//
// Plays a movie's timeline up to frame N (default 1) and writes that frame
// as PNG: at the stage size in pixels, or at W×H under ShowAll.
#include <cairo.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "swf/movie.h"
#include "swf/player.h"
#include "swf/renderer.h"

namespace {

int fail(const std::string& message) {
  std::fprintf(stderr, "swfrender: %s\n", message.c_str());
  return 1;
}

bool parse_size(const std::string& s, int& w, int& h) {
  return std::sscanf(s.c_str(), "%dx%d", &w, &h) == 2 && w > 0 && h > 0 && w <= 16384 &&
         h <= 16384;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return fail("usage: swfrender MOVIE OUT.png [--frame N] [--size WxH]");
  std::string movie_path = argv[1], out_path = argv[2];
  long frame = 1;
  int width = 0, height = 0;
  for (int i = 3; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--frame" && i + 1 < argc) {
      frame = std::strtol(argv[++i], nullptr, 10);
      if (frame < 1 || frame > 100000) return fail("--frame wants a number from 1");
    } else if (arg == "--size" && i + 1 < argc) {
      if (!parse_size(argv[++i], width, height)) return fail("--size wants WxH in pixels");
    } else {
      return fail("unknown argument " + arg);
    }
  }
  auto loaded = strandel::swf::load_movie_file(movie_path);
  if (!loaded.movie) return fail(movie_path + ": " + loaded.error.message());
  strandel::swf::Player player(loaded.movie);
  for (long i = 0; i < frame; ++i) player.advance();
  strandel::swf::Rect stage = player.stage();
  if (width == 0) {
    width = std::max(1, std::min(16384, stage.width() / 20));
    height = std::max(1, std::min(16384, stage.height() / 20));
  }
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  cairo_t* cr = cairo_create(surface);
  strandel::swf::render_frame(cr, width, height, player.dictionary(), player.stage_list(), stage,
                              player.background());
  cairo_destroy(cr);
  cairo_status_t status = cairo_surface_write_to_png(surface, out_path.c_str());
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS)
    return fail(out_path + ": " + cairo_status_to_string(status));
  return 0;
}
