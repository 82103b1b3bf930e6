// render_bench: prints how fast movies are read and drawn.
//
// 1. A generated busy movie: 500 shapes with linear and radial gradients and
//    outlines at 640×480, drawn 200 times with the shapes moved each time;
//    mean and worst frame time (target: under 8 ms), drawn from scratch and
//    with the shape cache (moved shapes are copied).
// 2. Filters: one object with a glow, then with a blur, on a 640×480
//    stage; mean frame time (the filter works on the whole stage's picture).
// 3. The corpus: total time to read every movie and define its characters
//    (MB/s of uncompressed movie data, target: over 100), and total time to
//    play and draw every movie's first frame.
// Prints figures; asserts nothing.
#include <cairo.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "swf/dictionary.h"
#include "swf/movie.h"
#include "swf/player.h"
#include "swf/renderer.h"
#include "swfwriter/swfwriter.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double ms_since(Clock::time_point t) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

swfw::Movie busy_movie(int shapes) {
  std::mt19937 rng(7);
  auto byte = [&] { return static_cast<std::uint8_t>(rng() & 0xFF); };
  swfw::Movie m(8, 640, 480, 30);
  m.background(16, 16, 32);
  for (int i = 0; i < shapes; ++i) {
    swfw::Shape s(3);
    std::int32_t w = 400 + rng() % 1600, h = 400 + rng() % 1600;
    swfw::Gradient g;
    g.records = {{0, swfw::rgba(byte(), byte(), byte(), 255)},
                 {128, swfw::rgba(byte(), byte(), byte(), 200)},
                 {255, swfw::rgba(byte(), byte(), byte(), 255)}};
    auto box = swfw::gradient_box(0, 0, w, h);
    auto f = s.add_fill(i % 2 ? swfw::FillStyle::linear(box, g) : swfw::FillStyle::radial(box, g));
    swfw::LineStyle l;
    l.width = 40;
    l.colour = swfw::rgb(byte(), byte(), byte());
    s.set_fill1(f).set_line(s.add_line(l));
    if (i % 3 == 0)
      s.move_to(w / 2, 0)
          .curve_to(w, 0, w, h / 2)
          .curve_to(w, h, w / 2, h)
          .curve_to(0, h, 0, h / 2)
          .curve_to(0, 0, w / 2, 0);
    else
      s.rect(0, 0, w, h);
    m.define_shape(static_cast<std::uint16_t>(i + 1), s);
    m.place(static_cast<std::uint16_t>(i + 1), static_cast<std::uint16_t>(i + 1),
            swfw::Matrix::rotate((rng() % 628) / 100.0, rng() % 12800, rng() % 9600));
  }
  m.show_frame();
  return m;
}

// Draws the list `frames` times, every shape moved by a pixel each time.
void time_frames(const strandel::swf::Player& player, strandel::swf::DisplayList list,
                 strandel::swf::RenderCache* cache, const char* label) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 640, 480);
  cairo_t* cr = cairo_create(s);
  const int frames = 200;
  double total = 0, worst = 0;
  for (int f = 0; f < frames; ++f) {
    // Every shape moves each frame, back and forth, so all stay in view.
    for (auto& [depth, obj] : list) obj->matrix.tx += ((depth + f) % 2 ? 20 : -20);
    auto t = Clock::now();
    strandel::swf::render_frame(cr, 640, 480, player.dictionary(), list, player.stage(),
                                player.background(), cache);
    cairo_surface_flush(s);
    double ms = ms_since(t);
    total += ms;
    worst = std::max(worst, ms);
  }
  cairo_destroy(cr);
  cairo_surface_destroy(s);
  std::printf(
      "busy movie (%zu objects, 640x480), %s: mean %.2f ms, worst %.2f ms a frame "
      "(target < 8 ms)\n",
      list.size(), label, total / frames, worst);
}

void bench_busy_movie() {
  auto bytes = busy_movie(500).bytes();
  auto loaded = strandel::swf::read_movie(bytes);
  if (!loaded.movie) {
    std::printf("busy movie: not readable: %s\n", loaded.error.message().c_str());
    return;
  }
  auto t = Clock::now();
  strandel::swf::Dictionary dict;
  for (const auto& tag : loaded.movie->tags) dict.define(tag.code, loaded.movie->body(tag));
  double ms = ms_since(t);
  std::printf("busy movie: %.2f MB of tags defined in %.2f ms: %.0f MB/s\n",
              loaded.movie->data.size() / 1e6, ms, loaded.movie->data.size() / 1e6 / (ms / 1e3));
  strandel::swf::Player player(loaded.movie);
  player.advance();
  time_frames(player, player.display_list(), nullptr, "drawn every frame");
  strandel::swf::RenderCache cache;
  time_frames(player, player.display_list(), &cache, "with the shape cache");
  std::printf("  shape cache holds %.1f megapixels\n", cache.pixels() / 1e6);
}

// The shared reference folder: STRANDEL_SHARED when set (worktrees kept
// elsewhere), else ../shared beside the repository.
fs::path shared_dir() {
  const char* env = std::getenv("STRANDEL_SHARED");
  return env && *env ? fs::path(env) : fs::path(STRANDEL_SOURCE_DIR "/../shared");
}

void bench_corpus() {
  fs::path dir = shared_dir() / "corpus/swf";
  if (!fs::is_directory(dir)) {
    std::printf("corpus: not present\n");
    return;
  }
  std::vector<fs::path> paths;
  for (const auto& e : fs::directory_iterator(dir))
    if (e.path().extension() == ".swf") paths.push_back(e.path());
  std::sort(paths.begin(), paths.end());

  // Reading: the container and tag list, then every top-level definition.
  std::size_t bytes = 0, characters = 0;
  int movies = 0;
  double define_ms = 0;
  auto t = Clock::now();
  for (const auto& p : paths) {
    auto loaded = strandel::swf::load_movie_file(p.string());
    if (!loaded.movie) continue;
    auto t0 = Clock::now();
    strandel::swf::Dictionary dict;
    for (const auto& tag : loaded.movie->tags) dict.define(tag.code, loaded.movie->body(tag));
    define_ms += ms_since(t0);
    bytes += loaded.movie->data.size();
    characters += dict.size();
    ++movies;
  }
  double read_ms = ms_since(t);
  std::printf(
      "corpus read: %d movies, %.2f MB, %zu characters in %.1f ms: %.0f MB/s "
      "(target > 100); of that, defining characters %.1f ms\n",
      movies, bytes / 1e6, characters, read_ms, bytes / 1e6 / (read_ms / 1e3), define_ms);

  // First frames: play frame 1 and draw it at the stage size (at most 1280×960).
  double render_ms = 0, worst = 0;
  std::string worst_name;
  for (const auto& p : paths) {
    auto loaded = strandel::swf::load_movie_file(p.string());
    if (!loaded.movie) continue;
    strandel::swf::Player player(loaded.movie);
    player.advance();
    int w = std::clamp(player.stage().width() / 20, 1, 1280);
    int h = std::clamp(player.stage().height() / 20, 1, 960);
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(s);
    auto t0 = Clock::now();
    strandel::swf::render_frame(cr, w, h, player.dictionary(), player.display_list(),
                                player.stage(), player.background());
    cairo_surface_flush(s);
    double ms = ms_since(t0);
    render_ms += ms;
    if (ms > worst) worst = ms, worst_name = p.filename().string();
    cairo_destroy(cr);
    cairo_surface_destroy(s);
  }
  std::printf("corpus first frames: %.1f ms in total, worst %.2f ms (%s)\n", render_ms, worst,
              worst_name.c_str());
}

// A 640×480 stage holding `discs` discs, one over another, with the given
// filters.
double filtered_frame_ms(const std::vector<swfw::Bytes>& filters, int frames = 30, int discs = 1) {
  swfw::Movie m(8, 640, 480, 30);
  m.background(255, 255, 255);
  swfw::Shape disc(3);
  disc.set_fill1(disc.add_fill(swfw::FillStyle::solid(swfw::rgb(40, 90, 200))));
  std::int32_t r = 3000;  // twips
  disc.move_to(r, 0)
      .curve_to(2 * r, 0, 2 * r, r)
      .curve_to(2 * r, 2 * r, r, 2 * r)
      .curve_to(0, 2 * r, 0, r)
      .curve_to(0, 0, r, 0);
  m.define_shape(1, disc);
  for (int i = 0; i < discs; ++i) {
    swfw::Place p;
    p.depth = static_cast<std::uint16_t>(i + 1);
    p.character = 1;
    p.matrix = swfw::Matrix::translate(3400, 1800);
    p.filters = filters;
    m.place3(p);
  }
  m.show_frame();
  auto bytes = m.bytes();
  auto loaded = strandel::swf::read_movie(bytes);
  if (!loaded.movie) return 0;
  strandel::swf::Player player(loaded.movie);
  player.advance();
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 640, 480);
  cairo_t* cr = cairo_create(s);
  auto t = Clock::now();
  for (int f = 0; f < frames; ++f)
    strandel::swf::render_frame(cr, 640, 480, player.dictionary(), player.display_list(),
                                player.stage(), player.background());
  cairo_surface_flush(s);
  double ms = ms_since(t) / frames;
  cairo_destroy(cr);
  cairo_surface_destroy(s);
  return ms;
}

void bench_filters() {
  swfw::FilterOptions glow;
  glow.blur_x = glow.blur_y = 8;
  glow.strength = 2;
  glow.passes = 1;
  std::printf("glow (8 px, 1 pass) on a 640x480 stage: mean %.2f ms a frame\n",
              filtered_frame_ms({swfw::glow_filter(swfw::rgb(255, 160, 0), glow)}));
  glow.passes = 3;
  std::printf("glow (8 px, 3 passes) on a 640x480 stage: mean %.2f ms a frame\n",
              filtered_frame_ms({swfw::glow_filter(swfw::rgb(255, 160, 0), glow)}));
  std::printf("blur (8 px, 3 passes) on a 640x480 stage: mean %.2f ms a frame\n",
              filtered_frame_ms({swfw::blur_filter(8, 8, 3)}));
  // The most a placement can ask for: 255 filters, each blurring as far and
  // as often as the file format can say. The renderer's caps bound it.
  std::vector<swfw::Bytes> hostile(255, swfw::blur_filter(32000, 32000, 31));
  std::printf(
      "hostile: 255 blurs of 32000 px, 31 passes: %.0f ms a frame; 20 such discs: %.0f ms\n",
      filtered_frame_ms(hostile, 1), filtered_frame_ms(hostile, 1, 20));
}

}  // namespace

int main() {
  bench_busy_movie();
  bench_filters();
  bench_corpus();
  return 0;
}
