// startup [--runs N] [--no-title] [--program PATH]... [--floor PATH] [--fltk-empty PATH]
//
// Time from exec to the first complete paint, in a private Xvfb, of the
// launcher (with a readme.txt and a one-colour movie), of bench/floor, the
// least a window like ours can do with plain Xlib and Xft, and of
// bench/fltk_empty, an FLTK window that only fills itself. "Complete" means
// the movie's colour at three pixels of the movie area and, unless the title
// check is off, some white title pixels in the title strip. Runs alternate
// between the programs; one warm-up run of each is not counted. Peak RSS is
// the median of VmHWM read just before each kill. Prints figures, asserts
// nothing. --program may be given more than once to compare builds of the
// launcher run for run (the first is measured against floor). The first is
// also run on the same movie with a tone from frame 1, heard through a
// private sound server ("with sound"): a movie's sound must not delay its
// first paint.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"
#include "sound_server.h"
#include "swfwriter/swfwriter.h"

using namespace e2e;
using Clock = std::chrono::steady_clock;

namespace {

constexpr Rgb movie_colour{0x12, 0x9a, 0x5c};
constexpr Rgb white{0xff, 0xff, 0xff};
const std::string window_title = "Velmoran Strandel";
// Where the window puts things: the movie at (4, 26), 640x480; the title strip
// spans x 4..644, y 4..22, and its text starts 20 px in, right of the icon box.
// White is looked for in the strip's left part only, clear of the icon box and
// of the buttons at the right end.
constexpr Rect movie_area{4, 26, 640, 480};
constexpr Rect title_text_area{24, 4, 420, 18};

struct Options {
  int runs = 20;
  bool check_title = true;
  std::vector<std::string> programs;  // empty: the one built beside this bench
  std::string floor = STRANDEL_BINARY_DIR "/bench/floor";
  std::string fltk_empty = STRANDEL_BINARY_DIR "/bench/fltk_empty";
};

struct Paint {
  bool movie = false;
  bool title = false;
};

Paint look(Display* d, Window w) {
  Paint seen;
  auto r = window_rect(d, w);
  if (!r) return seen;
  const Point probes[] = {
      {movie_area.x + 1, movie_area.y + 1},
      {movie_area.x + movie_area.width / 2, movie_area.y + movie_area.height / 2},
      {movie_area.x + movie_area.width - 2, movie_area.y + movie_area.height - 2}};
  seen.movie = std::all_of(std::begin(probes), std::end(probes), [&](Point p) {
    return pixel(d, r->x + p.x, r->y + p.y) == movie_colour;
  });
  if (seen.movie)
    seen.title = grab(d, {r->x + title_text_area.x, r->y + title_text_area.y, title_text_area.width,
                          title_text_area.height})
                     .count(white) > 0;
  return seen;
}

struct Run {
  std::optional<double> ms;  // nullopt: no complete paint within the time limit
  Paint last_seen;
  std::optional<long> peak_rss_kib;
};

Run measure(const Xvfb& x, Process::Options command, bool check_title) {
  Display* d = x.display();
  Run run;
  std::string name = command.argv.at(0);
  auto start = Clock::now();
  Process p(std::move(command));
  Window w = 0;
  for (auto deadline = start + 10s; Clock::now() < deadline && p.running();) {
    if (!w || !is_viewable(d, w)) w = find_window(d, window_title);
    if (w && is_viewable(d, w)) {
      run.last_seen = look(d, w);
      if (run.last_seen.movie && (run.last_seen.title || !check_title)) {
        run.ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        break;
      }
    }
    std::this_thread::sleep_for(1ms);
  }
  run.peak_rss_kib = p.peak_rss_kib();
  if (!run.ms && !p.running())
    std::fprintf(stderr, "%s exited early: %s", name.c_str(), p.stderr_text().c_str());
  p.kill();
  // The server drops the window a moment after the client dies; the next run
  // must not find it.
  wait_for([&] { return find_window(d, window_title) == 0; }, 2000ms);
  return run;
}

struct Series {
  std::string name;
  std::vector<double> ms = {};
  std::vector<long> rss_kib = {};
  int failures = 0;
};

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct Contender {
  Series series;
  Process::Options command;
  bool check_title;
};

void print(const Contender& c) {
  const Series& s = c.series;
  if (s.ms.empty()) {
    std::printf("%-10s  no complete paint in %d runs\n", s.name.c_str(), s.failures);
    return;
  }
  std::vector<double> rss(s.rss_kib.begin(), s.rss_kib.end());
  std::printf("%-10s  %8.2f  %9.2f  %10.0f  %4zu  %8d  %s\n", s.name.c_str(),
              *std::min_element(s.ms.begin(), s.ms.end()), median(s.ms),
              rss.empty() ? 0.0 : median(rss), s.ms.size(), s.failures,
              c.check_title ? "colour + title" : "colour");
}

// The one-colour movie with a two-second 44 kHz tone started on frame 1.
swfw::Movie movie_with_sound() {
  swfw::Movie m(8, 640, 480, 24);
  m.background(movie_colour.r, movie_colour.g, movie_colour.b);
  auto tone = swfw::tone(440, 2.0, 44100);
  m.define_sound(1, {3, 3, true, false}, static_cast<std::uint32_t>(tone.size()),
                 swfw::pcm16(tone));
  m.start_sound(1);
  m.show_frame();
  return m;
}

Options parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--runs" && i + 1 < argc)
      o.runs = std::max(1, std::atoi(argv[++i]));
    else if (a == "--no-title")
      o.check_title = false;
    else if (a == "--program" && i + 1 < argc)
      o.programs.push_back(argv[++i]);
    else if (a == "--floor" && i + 1 < argc)
      o.floor = argv[++i];
    else if (a == "--fltk-empty" && i + 1 < argc)
      o.fltk_empty = argv[++i];
    else {
      std::fprintf(stderr,
                   "usage: startup [--runs N] [--no-title] [--program PATH]... [--floor PATH] "
                   "[--fltk-empty PATH]\n");
      std::exit(2);
    }
  }
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  Options o = parse(argc, argv);
  try {
    Xvfb x;
    TempDir dir;
    dir.write("readme.txt", "sizes:640x480\n/bench.swf\n");
    dir.write("bench.swf", minimal_movie(640, 480, 24, movie_colour));

    const std::pair<std::string, std::string> display{"DISPLAY", x.name()};
    if (o.programs.empty()) o.programs.push_back(STRANDEL_BINARY_DIR "/strandel");
    std::vector<Contender> contenders;
    for (std::size_t i = 0; i < o.programs.size(); ++i)
      contenders.push_back({{i == 0 ? "strandel" : "strandel#" + std::to_string(i + 1)},
                            {.argv = {o.programs[i]}, .cwd = dir.path(), .set_env = {display}},
                            o.check_title});
    std::optional<SoundServer> sound;
    TempDir sound_dir;
    try {
      sound.emplace();
      sound_dir.write("readme.txt", "sizes:640x480\n/bench.swf\n");
      movie_with_sound().write((sound_dir.path() / "bench.swf").string());
      Process::Options command{.argv = {o.programs[0]}, .cwd = sound_dir.path(), .set_env = {display}};
      for (auto& e : sound->client_env()) command.set_env.push_back(e);
      contenders.push_back({{"with sound"}, command, o.check_title});
    } catch (const std::exception& e) {
      std::printf("note: no movie with sound: %s\n", e.what());
    }
    contenders.push_back(
        {{"floor"}, {.argv = {o.floor, "129a5c"}, .set_env = {display}}, o.check_title});
    // It draws no title.
    contenders.push_back(
        {{"fltk empty"}, {.argv = {o.fltk_empty, "129a5c"}, .set_env = {display}}, false});
    std::erase_if(contenders, [](const Contender& c) {
      bool missing = access(c.command.argv[0].c_str(), X_OK) != 0;
      if (missing) std::printf("note: %s not built, skipped\n", c.command.argv[0].c_str());
      return missing;
    });

    // Warm-up: page cache, font cache. Also tells whether the title ever shows.
    for (auto& c : contenders) {
      Run first = measure(x, c.command, c.check_title);
      if (!first.ms && first.last_seen.movie && c.check_title) {
        std::printf(
            "note: %s's title never appeared in white; measuring it without the title check\n",
            c.series.name.c_str());
        c.check_title = false;
      }
    }

    for (int i = 0; i < o.runs; ++i) {
      for (auto& c : contenders) {
        Run r = measure(x, c.command, c.check_title);
        if (r.ms)
          c.series.ms.push_back(*r.ms);
        else
          ++c.series.failures;
        if (r.peak_rss_kib) c.series.rss_kib.push_back(*r.peak_rss_kib);
      }
    }

    std::printf("startup: exec to first complete paint, Xvfb %s 1024x768, %d runs each\n",
                x.name().c_str(), o.runs);
    std::printf("%-10s  %8s  %9s  %10s  %4s  %8s  %s\n", "program", "min ms", "median ms",
                "VmHWM KiB", "ok", "failures", "complete means");
    for (const auto& c : contenders) print(c);
    const Series* ours = nullptr;
    const Series* base = nullptr;
    const Series* with_sound = nullptr;
    for (const auto& c : contenders) {
      if (c.series.name == "strandel") ours = &c.series;
      if (c.series.name == "floor") base = &c.series;
      if (c.series.name == "with sound") with_sound = &c.series;
    }
    if (ours && with_sound && !ours->ms.empty() && !with_sound->ms.empty())
      std::printf("with sound - without: min %+.2f ms, median %+.2f ms\n",
                  *std::min_element(with_sound->ms.begin(), with_sound->ms.end()) -
                      *std::min_element(ours->ms.begin(), ours->ms.end()),
                  median(with_sound->ms) - median(ours->ms));
    if (ours && base && !ours->ms.empty() && !base->ms.empty())
      std::printf("ratio strandel/floor: min %.2fx, median %.2fx\n",
                  *std::min_element(ours->ms.begin(), ours->ms.end()) /
                      *std::min_element(base->ms.begin(), base->ms.end()),
                  median(ours->ms) / median(base->ms));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "startup: %s\n", e.what());
    return 1;
  }
  return 0;
}
