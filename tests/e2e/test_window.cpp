// End-to-end tests of the main window: its title, size and place for each
// combination of settings, where the movie lands in it, what a missing movie
// looks like, and how a bad settings file stops the program before the
// window appears.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "harness.h"

#include <sys/stat.h>

// Xlib after gtest: its macros clash with gtest's headers.
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace e2e {
// Colours read "#rrggbb" in failure messages.
[[maybe_unused]] static void PrintTo(const Rgb& c, std::ostream* os) { *os << to_string(c); }
[[maybe_unused]] static std::ostream& operator<<(std::ostream& os, const Rect& r) {
  return os << r.width << "x" << r.height << "+" << r.x << "+" << r.y;
}
[[maybe_unused]] static bool operator==(const Rect& a, const Rect& b) {
  return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}
}  // namespace e2e

using namespace e2e;

namespace {

const std::string kTitle = "Velmoran Strandel";
constexpr Rgb kMovie{0x20, 0xB0, 0x40};       // the test movie's background
constexpr Rgb kWhite{0xFF, 0xFF, 0xFF};       // where a movie could not be loaded
constexpr Rgb kBackground{0x00, 0x00, 0xC8};  // the window's own blue behind everything
constexpr Rgb kBackdrop{0x00, 0x00, 0xDC};    // full screen around a movie of fixed size
const std::filesystem::path kShots = "/tmp/strandel-shots";

// The movie's colour fills exactly `r` (window coordinates): it shows at the
// rectangle's corners and not just outside them.
void expect_movie_fills(Display* d, Window w, Rect r) {
  int right = r.x + r.width - 1, bottom = r.y + r.height - 1;
  ASSERT_TRUE(wait_for([&] { return pixel_in(d, w, r.x, r.y) == kMovie; }))
      << to_string(pixel_in(d, w, r.x, r.y));
  EXPECT_EQ(pixel_in(d, w, right, bottom), kMovie);
  EXPECT_EQ(pixel_in(d, w, r.x + r.width / 2, r.y + r.height / 2), kMovie);
  EXPECT_NE(pixel_in(d, w, r.x - 1, r.y), kMovie);
  EXPECT_NE(pixel_in(d, w, r.x, r.y - 1), kMovie);
  EXPECT_NE(pixel_in(d, w, right + 1, bottom), kMovie);
  EXPECT_NE(pixel_in(d, w, right, bottom + 1), kMovie);
}

// One Xvfb for the whole suite: the tests run one program at a time and each
// waits for its window to be gone before the next starts. It is a desktop of
// two monitors side by side, 1024x768 on the left and a larger one on the
// right: the window belongs on the first, so every place and size below is
// the one a single 1024x768 screen gives.
class WindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { x_ = new Xvfb({{1024, 768}, {1280, 1024}}, 96); }
  static void TearDownTestSuite() {
    delete x_;
    x_ = nullptr;
  }
  void TearDown() override {
    // The program of the test body is killed by now; its window must not be
    // taken for the next test's.
    wait_for([] { return find_window(d(), kTitle) == 0; });
    move_pointer(d(), 0, 0);
  }

  static Xvfb& x() { return *x_; }
  static Display* d() { return x_->display(); }

  // A folder holding readme.txt with `readme` and, under `movie_name`
  // (empty: none), the test movie of the given stage size.
  static void prepare(const TempDir& dir, const std::string& readme,
                      const std::string& movie_name = "m.swf", int w = 640, int h = 480) {
    dir.write("readme.txt", readme);
    if (!movie_name.empty()) dir.write(movie_name, minimal_movie(w, h, 12, kMovie));
  }

  // Waits until the window shows `colour` at (px, py).
  static bool shows(Window w, int px, int py, Rgb colour) {
    return wait_for([&] { return pixel_in(d(), w, px, py) == colour; });
  }

 private:
  static inline Xvfb* x_ = nullptr;
};

TEST_F(WindowTest, FramedWindowIsCentredAroundTheMovieBelowTheTitleStrip) {
  TempDir dir;
  prepare(dir, "sizes:640x480\n/m.swf\n");
  Process p(program_command(x(), dir.path()));
  Window w = wait_for_window(d(), kTitle);
  ASSERT_NE(w, 0u) << p.stderr_text();

  EXPECT_EQ(window_rect(d(), w).value_or(Rect{}), (Rect{188, 129, 648, 510}));
  expect_movie_fills(d(), w, {4, 26, 640, 480});
  EXPECT_EQ(pixel_in(d(), w, 644, 505), kBackground);
  EXPECT_TRUE(p.running());
  EXPECT_EQ(p.stderr_text(), "");

  std::filesystem::create_directories(kShots);
  EXPECT_TRUE(save_screenshot(x(), kShots / "window-framed.png"));
}

TEST(WindowAt120Dpi, FramedWindowHasTheSamePixelSizeAndPlaceAndDragsExactly) {
  Xvfb x(1024, 768, 120);
  TempDir dir;
  dir.write("readme.txt", "sizes:640x480\n/m.swf\n");
  dir.write("m.swf", minimal_movie(640, 480, 12, kMovie));
  Process p(program_command(x, dir.path()));
  Display* d = x.display();
  Window w = wait_for_window(d, kTitle);
  ASSERT_NE(w, 0u) << p.stderr_text();

  EXPECT_EQ(window_rect(d, w).value_or(Rect{}), (Rect{188, 129, 648, 510}));
  expect_movie_fills(d, w, {4, 26, 640, 480});
  EXPECT_EQ(pixel_in(d, w, 644, 505), kBackground);

  // Dragging the title strip, which works in twips, still moves the window
  // by whole pixels exactly as far as the pointer went.
  auto grip = to_root(d, w, {200, 12}).value_or(Point{});
  drag(d, grip, {grip.x + 100, grip.y + 50});
  EXPECT_TRUE(wait_for(
      [&] {
        auto r = window_rect(d, w);
        return r && r->x == 288 && r->y == 179;
      },
      2000ms))
      << window_rect(d, w).value_or(Rect{});
}

TEST_F(WindowTest, BorderlessWindowIsTheMovieAloneAndEscapeStillCloses) {
  TempDir dir;
  prepare(dir, "border:false\nsizes:640x480\n/m.swf\n");
  Process p(program_command(x(), dir.path()));
  Window w = wait_for_window(d(), kTitle);
  ASSERT_NE(w, 0u) << p.stderr_text();

  EXPECT_EQ(window_rect(d(), w).value_or(Rect{}), (Rect{192, 144, 640, 480}));
  ASSERT_TRUE(shows(w, 0, 0, kMovie));
  ASSERT_TRUE(shows(w, 639, 479, kMovie));
  // No frame, strip, logo or buttons anywhere: every pixel is the movie's.
  Image all = grab(d(), {192, 144, 640, 480});
  EXPECT_EQ(all.count(kMovie), 640 * 480);

  std::filesystem::create_directories(kShots);
  EXPECT_TRUE(save_screenshot(x(), kShots / "window-borderless.png"));

  move_pointer(d(), 5, 5);
  press_key(d(), XK_Escape);
  EXPECT_EQ(p.wait_exit(5000ms), 0);
}

TEST_F(WindowTest, MovieLineAloneGivesTheDefaultWindowWithChromeOverTheMovie) {
  TempDir dir;
  prepare(dir, "/m.swf\n");
  Process p(program_command(x(), dir.path()));
  Window w = wait_for_window(d(), kTitle);
  ASSERT_NE(w, 0u) << p.stderr_text();

  EXPECT_EQ(window_rect(d(), w).value_or(Rect{}), (Rect{162, 134, 700, 500}));
  ASSERT_TRUE(shows(w, 350, 250, kMovie));
  // The movie covers the painted frame: the window's edges show the movie.
  EXPECT_EQ(pixel_in(d(), w, 0, 300), kMovie);
  EXPECT_EQ(pixel_in(d(), w, 699, 300), kMovie);
  EXPECT_EQ(pixel_in(d(), w, 350, 499), kMovie);
  EXPECT_EQ(pixel_in(d(), w, 699, 499), kMovie);
  // The title strip, the logo and the buttons stay in front of it.
  EXPECT_EQ(pixel_in(d(), w, 100, 10), kBackground);
  EXPECT_EQ(pixel_in(d(), w, 12, 13), (Rgb{46, 170, 72}));
}

TEST_F(WindowTest, WindowsAuthoredSettingsFindTheMovieInASubfolder) {
  TempDir dir;
  prepare(dir, "sizes:640x480\r\n\\sub\\m.swf\r\n", "");
  std::filesystem::create_directory(dir.path() / "sub");
  dir.write("sub/m.swf", minimal_movie(640, 480, 12, kMovie));
  Process p(program_command(x(), dir.path()));
  Window w = wait_for_window(d(), kTitle);
  ASSERT_NE(w, 0u) << p.stderr_text();

  EXPECT_EQ(window_rect(d(), w).value_or(Rect{}), (Rect{188, 129, 648, 510}));
  EXPECT_TRUE(shows(w, 4, 26, kMovie)) << to_string(pixel_in(d(), w, 4, 26));
  EXPECT_EQ(pixel_in(d(), w, 643, 505), kMovie);
  EXPECT_EQ(p.stderr_text(), "");
}

TEST_F(WindowTest, MissingMovieShowsWhiteAndOneLineNamingIt) {
  TempDir dir;
  prepare(dir, "sizes:640x480\n/absent.swf\n", "");
  Process p(program_command(x(), dir.path()));
  Window w = wait_for_window(d(), kTitle);
  ASSERT_NE(w, 0u) << p.stderr_text();

  EXPECT_EQ(window_rect(d(), w).value_or(Rect{}), (Rect{188, 129, 648, 510}));
  ASSERT_TRUE(shows(w, 4, 26, kWhite)) << to_string(pixel_in(d(), w, 4, 26));
  EXPECT_EQ(pixel_in(d(), w, 320, 266), kWhite);
  EXPECT_EQ(pixel_in(d(), w, 643, 505), kWhite);
  EXPECT_EQ(pixel_in(d(), w, 644, 505), kBackground);
  EXPECT_TRUE(p.running());

  std::string err = p.stderr_text();
  std::istringstream lines(err);
  int naming = 0;
  for (std::string line; std::getline(lines, line);)
    naming += line.find((dir.path() / "absent.swf").string()) != std::string::npos;
  EXPECT_EQ(naming, 1) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

TEST_F(WindowTest, FullScreenFramedWindowPutsTheMovieInsideTheFrame) {
  TempDir dir;
  prepare(dir, "fullscreen:true\n/m.swf\n", "m.swf", 1016, 738);
  Process p(program_command(x(), dir.path()));
  Window w = wait_for_window(d(), kTitle);
  ASSERT_NE(w, 0u) << p.stderr_text();

  EXPECT_EQ(window_rect(d(), w).value_or(Rect{}), (Rect{0, 0, 1024, 768}));
  expect_movie_fills(d(), w, {4, 26, 1016, 738});

  std::filesystem::create_directories(kShots);
  EXPECT_TRUE(save_screenshot(x(), kShots / "window-fullscreen.png"));
}

TEST_F(WindowTest, FullScreenWithSizesCentresTheMovieOnABackdrop) {
  TempDir dir;
  prepare(dir, "fullscreen:true\nsizes:640x480\n/m.swf\n");
  Process p(program_command(x(), dir.path()));
  Window w = wait_for_window(d(), kTitle);
  ASSERT_NE(w, 0u) << p.stderr_text();

  EXPECT_EQ(window_rect(d(), w).value_or(Rect{}), (Rect{0, 0, 1024, 768}));
  expect_movie_fills(d(), w, {192, 133, 640, 480});
  EXPECT_EQ(pixel_in(d(), w, 191, 133), kBackdrop);
  EXPECT_EQ(pixel_in(d(), w, 192, 132), kBackdrop);
  EXPECT_EQ(pixel_in(d(), w, 832, 612), kBackdrop);
  EXPECT_EQ(pixel_in(d(), w, 831, 613), kBackdrop);
  EXPECT_EQ(pixel_in(d(), w, 10, 40), kBackdrop);

  std::filesystem::create_directories(kShots);
  EXPECT_TRUE(save_screenshot(x(), kShots / "window-fullscreen-sized.png"));
}

TEST_F(WindowTest, BorderlessFullScreenWithSizesCentresTheMovieOnTheScreen) {
  TempDir dir;
  prepare(dir, "border:false\nfullscreen:true\nsizes:640x480\n/m.swf\n");
  Process p(program_command(x(), dir.path()));
  Window w = wait_for_window(d(), kTitle);
  ASSERT_NE(w, 0u) << p.stderr_text();

  EXPECT_EQ(window_rect(d(), w).value_or(Rect{}), (Rect{0, 0, 1024, 768}));
  expect_movie_fills(d(), w, {192, 144, 640, 480});
  // Nothing of the chrome: the top-left corner is not the frame's light blue.
  EXPECT_NE(pixel_in(d(), w, 0, 0), (Rgb{45, 45, 255}));
}

// The other full-screen combinations: the window covers the first monitor
// and the movie fills it, inside the frame when framed.
TEST_F(WindowTest, FullScreenAfterSizesOrBorderlessCoversTheFirstMonitor) {
  struct Case {
    const char* readme;
    Rect movie;
  } cases[] = {
      {"border:false\nfullscreen:true\n/m.swf\n", {0, 0, 1024, 768}},
      {"sizes:640x480\nfullscreen:true\n/m.swf\n", {4, 26, 1016, 738}},
      {"border:false\nsizes:640x480\nfullscreen:true\n/m.swf\n", {0, 0, 1024, 768}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.readme);
    TempDir dir;
    prepare(dir, c.readme);
    Process p(program_command(x(), dir.path()));
    Window w = wait_for_window(d(), kTitle);
    ASSERT_NE(w, 0u) << p.stderr_text();
    EXPECT_EQ(window_rect(d(), w).value_or(Rect{}), (Rect{0, 0, 1024, 768}));
    expect_movie_fills(d(), w, c.movie);
    p.kill();
    wait_for([&] { return find_window(d(), kTitle) == 0; });
  }
}

bool has(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// Under a window manager a window that covers its monitor is put in the
// full-screen state, so desktop panels stay behind a kiosk; a smaller one is
// not. Either keeps its task-bar entry, so a minimised window can be found.
TEST(WindowUnderWindowManager, CoveringTheFirstMonitorIsTheFullScreenState) {
  Xvfb x({{1024, 768}, {1280, 1024}});
  WindowManager wm(x);
  Display* d = x.display();
  struct Case {
    const char* readme;
    Rect window;
    bool full_screen;
  } cases[] = {
      {"fullscreen:true\n/m.swf\n", {0, 0, 1024, 768}, true},
      {"sizes:640x480\n/m.swf\n", {188, 129, 648, 510}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.readme);
    TempDir dir;
    dir.write("readme.txt", c.readme);
    dir.write("m.swf", minimal_movie(640, 480, 12, kMovie));
    Process p(program_command(x, dir.path()));
    Window w = wait_for_window(d, kTitle);
    ASSERT_NE(w, 0u) << p.stderr_text();
    if (c.full_screen)
      EXPECT_TRUE(wait_for([&] { return has(net_wm_state(d, w), "_NET_WM_STATE_FULLSCREEN"); }));
    else
      EXPECT_FALSE(has(net_wm_state(d, w), "_NET_WM_STATE_FULLSCREEN"));
    EXPECT_FALSE(has(net_wm_state(d, w), "_NET_WM_STATE_SKIP_TASKBAR"));
    EXPECT_EQ(window_rect(d, w).value_or(Rect{}), c.window);
    p.kill();
    wait_for([&] { return find_window(d, kTitle) == 0; });
  }
}

// --- Start-up errors ---------------------------------------------------------

struct BadSettings {
  const char* name;
  std::optional<std::string> readme;  // nullopt: no readme.txt at all
  std::vector<std::string> said;      // each is somewhere on standard error
  // readme.txt is a folder or a named pipe (which must not hang the program).
  enum { kFile, kFolder, kPipe } kind = kFile;
};

class StartupErrorTest : public WindowTest {
 protected:
  // Answers the program's message box and returns its exit status. Fails
  // the test if the first window to show up is not a message box.
  std::optional<int> run_and_dismiss(Process& p, KeySym answer) {
    Window alert = 0;
    bool box = wait_for([&] {
      Window w = find_window(d(), kTitle);
      if (w && is_viewable(d(), w)) alert = w;
      return alert != 0 || !p.running();
    });
    EXPECT_TRUE(box && alert != 0) << "no message box; stderr: " << p.stderr_text();
    if (alert) {
      auto r = window_rect(d(), alert);
      EXPECT_TRUE(r.has_value());
      if (r) {
        // A message box, low and wide; not the main window, which would be
        // 648x510 for these settings or 700x500 without a size.
        EXPECT_LT(r->height, 200) << "window " << r->width << "x" << r->height;
        EXPECT_FALSE(r->width == 648 && r->height == 510) << "the main window";
        EXPECT_FALSE(r->width == 700 && r->height == 500) << "the main window";
        // Without a window manager the keyboard follows the pointer.
        move_pointer(d(), r->x + r->width / 2, r->y + r->height / 2);
      }
      press_key(d(), answer);
    }
    return p.wait_exit(5000ms);
  }
};

TEST_F(StartupErrorTest, EachBadSettingsFileStopsWithItsRunTimeErrorAndAMessageBox) {
  std::vector<BadSettings> cases = {
      {"no readme.txt", std::nullopt, {"Run-time error '53': File not found"}},
      {"empty readme.txt", "", {"Run-time error '62': Input past end of file"}},
      {"capital X in sizes",
       "sizes:640X480\n/m.swf\n",
       {"Run-time error '9': Subscript out of range", "line 1"}},
      {"letters for a width", "sizes:abcx480\n/m.swf\n", {"Run-time error '13': Type mismatch"}},
      {"width too large", "sizes:1e38x480\n/m.swf\n", {"Run-time error '6': Overflow"}},
      {"a folder", "", {"Run-time error '75': Path/File access error"}, BadSettings::kFolder},
      {"a named pipe", "", {"Run-time error '75': Path/File access error"}, BadSettings::kPipe},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    if (c.kind == BadSettings::kFolder)
      std::filesystem::create_directory(dir.path() / "readme.txt");
    else if (c.kind == BadSettings::kPipe)
      ASSERT_EQ(mkfifo((dir.path() / "readme.txt").c_str(), 0600), 0);
    else if (c.readme)
      prepare(dir, *c.readme);
    Process p(program_command(x(), dir.path()));
    // Return and Escape both answer the box.
    auto status = run_and_dismiss(p, n++ % 2 ? XK_Escape : XK_Return);
    EXPECT_EQ(status, 1);
    std::string err = p.stderr_text();
    for (const auto& s : c.said) EXPECT_NE(err.find(s), std::string::npos) << err;
    if (!c.readme) {
      EXPECT_NE(err.find((dir.path() / "readme.txt").string()), std::string::npos) << err;
    }
    p.kill();
    wait_for([&] { return find_window(d(), kTitle) == 0; });
  }
}

TEST(StartupWithoutDisplay, SaysItCannotOpenTheDisplayAndExitsWithOne) {
  TempDir dir;
  dir.write("readme.txt", "sizes:640x480\n/m.swf\n");
  dir.write("m.swf", minimal_movie(640, 480, 12, kMovie));
  Process p(
      {.argv = {STRANDEL_BINARY_DIR "/strandel"}, .cwd = dir.path(), .unset_env = {"DISPLAY"}});
  EXPECT_EQ(p.wait_exit(5000ms), 1);
  EXPECT_NE(p.stderr_text().find("cannot open display"), std::string::npos) << p.stderr_text();
}

}  // namespace
