// swfrun MOVIE [--frames N] [--quality Q] [--shot FRAME:OUT.png]...
//
// Plays a movie headless, as fast as it can: every trace() line goes to
// standard output as it happens, and the stage is written as PNG at 1:1
// after each frame asked for, at the quality asked for (High unless
// --quality says otherwise; Low draws without anti-aliasing). Script
// problems and FSCommands go to standard error.
#include <cairo.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "avm1/machine.h"
#include "swf/movie.h"
#include "swf/player.h"
#include "swf/renderer.h"

namespace {

// Frames one run may ask for.
constexpr long kMaxFrames = 1000000;
// What Date takes for now: 2001-02-03 04:05:06 at UTC+5:45, in ms since 1970,
// the moment the peer logs were recorded at, so a run's log repeats.
constexpr double kPinnedClock = 981152406000;
constexpr int kMaxSide = 16384;

int fail(const std::string& message) {
  std::fprintf(stderr, "swfrun: %s\n", message.c_str());
  return 2;
}

bool write_shot(strandel::swf::Player& player, const std::string& path,
                const strandel::swf::RenderOptions& options) {
  strandel::swf::Rect stage = player.stage();
  int width = std::max(1, std::min(kMaxSide, stage.width() / 20));
  int height = std::max(1, std::min(kMaxSide, stage.height() / 20));
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  cairo_t* cr = cairo_create(surface);
  strandel::swf::render_frame(cr, width, height, player.dictionary(), player.stage_list(), stage,
                              player.background(), nullptr, options);
  cairo_destroy(cr);
  cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
  cairo_surface_destroy(surface);
  return status == CAIRO_STATUS_SUCCESS;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return fail("usage: swfrun MOVIE [--frames N] [--shot FRAME:OUT.png]...");
  std::string movie_path = argv[1];
  long frames = 1;
  std::multimap<long, std::string> shots;
  strandel::swf::RenderOptions options;
  for (int i = 2; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--frames" && i + 1 < argc) {
      frames = std::strtol(argv[++i], nullptr, 10);
      if (frames < 0 || frames > kMaxFrames) return fail("--frames wants a number from 0");
    } else if (a == "--quality" && i + 1 < argc) {
      options.antialias = strandel::swf::antialias_for_quality(argv[++i]);
    } else if (a == "--shot" && i + 1 < argc) {
      std::string shot = argv[++i];
      auto colon = shot.find(':');
      long frame = colon == std::string::npos ? 0 : std::strtol(shot.c_str(), nullptr, 10);
      if (frame < 1 || colon + 1 >= shot.size()) return fail("--shot wants FRAME:OUT.png");
      shots.emplace(frame, shot.substr(colon + 1));
    } else {
      return fail("unknown argument " + a);
    }
  }
  auto loaded = strandel::swf::load_movie_file(movie_path);
  if (!loaded.movie) return fail(movie_path + ": " + loaded.error.message());

  strandel::swf::Player player(loaded.movie);
  player.machine().fixed_clock = kPinnedClock;
  long frame = 0;
  // A carriage return inside a traced line starts a new line of the log.
  player.on_trace([](std::string_view line) {
    for (char c : line) std::fputc(c == '\r' ? '\n' : c, stdout);
    std::fputc('\n', stdout);
  });
  player.on_log([](const strandel::swf::Diagnostic& problem) {
    std::fflush(stdout);
    std::fprintf(stderr, "swfrun: %s\n", problem.message().c_str());
  });
  player.on_fscommand([&frame](const std::string& command, const std::string& args) {
    std::fflush(stdout);
    std::fprintf(stderr, "swfrun: frame %ld: fscommand %s \"%s\"\n", frame, command.c_str(),
                 args.c_str());
  });
  for (frame = 1; frame <= frames; ++frame) {
    player.advance();
    auto [first, last] = shots.equal_range(frame);
    for (auto it = first; it != last; ++it) {
      std::fflush(stdout);
      if (!write_shot(player, it->second, options))
        std::fprintf(stderr, "swfrun: cannot write %s\n", it->second.c_str());
    }
  }
  std::fflush(stdout);
  return 0;
}
