// Tests of the end-to-end harness itself, against windows the test creates
// with Xlib, so they hold whatever state the program is in.
#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>
#include <stdexcept>

#include "harness.h"

// Xlib after gtest: its macros clash with gtest's headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

using namespace e2e;

namespace {

constexpr Rgb teal{0x12, 0x9a, 0x5c};

// A plain top-level window with a title and a solid background.
class TestWindow {
 public:
  TestWindow(Display* d, const std::string& title, Rect r, Rgb colour, long events = 0) : d_(d) {
    XSetWindowAttributes a{};
    a.background_pixel = (colour.r << 16) | (colour.g << 8) | colour.b;
    a.event_mask = events;
    w_ = XCreateWindow(d, DefaultRootWindow(d), r.x, r.y, r.width, r.height, 0, CopyFromParent,
                       InputOutput, CopyFromParent, CWBackPixel | CWEventMask, &a);
    XStoreName(d, w_, title.c_str());
    XSizeHints hints{};
    hints.flags = USPosition | PPosition;
    hints.x = r.x;
    hints.y = r.y;
    XSetWMNormalHints(d, w_, &hints);
    XMapWindow(d, w_);
    XSync(d, False);
  }
  ~TestWindow() {
    XDestroyWindow(d_, w_);
    XSync(d_, False);
  }
  Window id() const { return w_; }

 private:
  Display* d_;
  Window w_;
};

// Waits for the next event of `type` on `w`.
std::optional<XEvent> next_event(Display* d, Window w, int type) {
  XEvent e;
  if (wait_for([&] { return XCheckTypedWindowEvent(d, w, type, &e) == True; }, 3000ms)) return e;
  return std::nullopt;
}

bool process_gone(pid_t pid) {
  // Gone, or a zombie whose parent is no longer ours to reap.
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return true;
  auto state = line.substr(line.rfind(')') + 2, 1);
  return state == "Z" || state == "X";
}

}  // namespace

TEST(Xvfb, TwoServersRunSideBySideOnFreeDisplaysOfTheRequestedSize) {
  Xvfb small(800, 600);
  Xvfb standard;
  EXPECT_NE(small.number(), standard.number());
  EXPECT_EQ(DisplayWidth(small.display(), 0), 800);
  EXPECT_EQ(DisplayHeight(small.display(), 0), 600);
  EXPECT_EQ(DisplayWidth(standard.display(), 0), 1024);
  EXPECT_EQ(DisplayHeight(standard.display(), 0), 768);
  EXPECT_EQ(DefaultDepth(standard.display(), 0), 24);
}

TEST(Process, CapturesOutputAndExitStatus) {
  Process p({.argv = {"sh", "-c", "echo out; echo err >&2; exit 3"}});
  EXPECT_EQ(p.wait_exit(5s), 3);
  EXPECT_FALSE(p.running());
  EXPECT_EQ(p.stdout_text(), "out\n");
  EXPECT_EQ(p.stderr_text(), "err\n");
}

TEST(Process, RunsInItsFolderWithTheGivenEnvironmentAndPath) {
  TempDir dir;
  auto script =
      dir.write("bin/hello", "#!/bin/sh\npwd\necho \"$E2E_VALUE\"\necho \"${DISPLAY-unset}\"\n");
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  setenv("DISPLAY", ":99", 1);  // must not reach the child

  Process p({.argv = {"hello"},
             .cwd = dir.path(),
             .set_env = {{"E2E_VALUE", "set"}, {"PATH", (dir.path() / "bin").string()}},
             .unset_env = {"DISPLAY"}});
  EXPECT_EQ(p.wait_exit(5s), 0);
  EXPECT_EQ(p.stdout_text(), std::filesystem::canonical(dir.path()).string() + "\nset\nunset\n");
}

TEST(Process, MissingProgramOrFolderFailsTheSetUp) {
  EXPECT_THROW(Process({.argv = {"/nonexistent/program"}}), std::runtime_error);
  EXPECT_THROW(Process({.argv = {"true"}, .cwd = "/nonexistent/folder"}), std::runtime_error);
}

TEST(Process, ReportsSignalsAndTimeouts) {
  Process p({.argv = {"sleep", "100"}});
  EXPECT_TRUE(p.running());
  EXPECT_EQ(p.wait_exit(50ms), std::nullopt);
  EXPECT_GT(p.peak_rss_kib().value_or(0), 0);
  p.signal(SIGTERM);
  EXPECT_EQ(p.wait_exit(5s), 128 + SIGTERM);
  EXPECT_EQ(p.peak_rss_kib(), std::nullopt);
}

TEST(Process, ScopeExitKillsTheProcessAndWhatItStarted) {
  pid_t child, grandchild = 0;
  {
    Process p({.argv = {"sh", "-c", "sleep 100 & echo $!; wait"}});
    child = p.pid();
    ASSERT_TRUE(wait_for([&] { return !p.stdout_text().empty(); }));
    grandchild = std::stoi(p.stdout_text());
  }
  EXPECT_TRUE(process_gone(child));
  EXPECT_TRUE(wait_for([&] { return process_gone(grandchild); }, 2000ms));
}

TEST(Windows, FindsATitledWindowAndReadsItsPixelsFromTheScreen) {
  Xvfb x;
  Display* d = x.display();
  TestWindow other(d, "Another Window", {0, 0, 60, 60}, {0, 0, 255});
  TestWindow win(d, "Harness Test", {100, 50, 200, 100}, teal);

  Window w = wait_for_window(d, "Harness Test");
  ASSERT_EQ(w, win.id());
  auto r = window_rect(d, w);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->x, 100);
  EXPECT_EQ(r->y, 50);
  EXPECT_EQ(r->width, 200);
  EXPECT_EQ(r->height, 100);

  ASSERT_TRUE(wait_for([&] { return pixel(d, 100, 50) == teal; }));
  EXPECT_EQ(pixel(d, 299, 149), teal);
  EXPECT_EQ(pixel_in(d, w, 199, 99), teal);
  auto corner = to_root(d, w, {199, 99});
  ASSERT_TRUE(corner);
  EXPECT_EQ(corner->x, 299);
  EXPECT_EQ(corner->y, 149);
  EXPECT_NE(pixel(d, 300, 150), teal);
  EXPECT_EQ(pixel(d, 10, 10), (Rgb{0, 0, 255}));

  Image img = grab(d, {90, 40, 220, 120});
  ASSERT_EQ(img.width, 220);
  ASSERT_EQ(img.height, 120);
  EXPECT_EQ(img.count(teal), 200 * 100);
  EXPECT_EQ(img.at(10, 10), teal);
  EXPECT_EQ(to_string(img.at(10, 10)), "#129a5c");

  Image clipped = grab(d, {1000, 700, 100, 100});
  EXPECT_EQ(clipped.width, 24);
  EXPECT_EQ(clipped.height, 68);
  EXPECT_EQ(find_window(d, "No Such Window"), 0u);
}

TEST(Windows, ScreenshotIsAPng) {
  Xvfb x(320, 240);
  TempDir dir;
  auto png = dir.path() / "screen.png";
  ASSERT_TRUE(save_screenshot(x, png));
  std::ifstream in(png, std::ios::binary);
  std::string signature(8, '\0');
  in.read(signature.data(), 8);
  EXPECT_EQ(signature, "\x89PNG\r\n\x1a\n");
}

TEST(Input, ButtonsDragsAndKeysArriveAtTheWindow) {
  Xvfb x;
  Display* d = x.display();
  TestWindow win(d, "Input Test", {100, 100, 300, 200}, teal,
                 ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask);
  Window w = wait_for_window(d, "Input Test");
  ASSERT_EQ(w, win.id());
  XSetInputFocus(d, w, RevertToParent, CurrentTime);

  click(d, 150, 130, 3);
  auto press = next_event(d, w, ButtonPress);
  ASSERT_TRUE(press);
  EXPECT_EQ(press->xbutton.button, 3u);
  EXPECT_EQ(press->xbutton.x, 50);
  EXPECT_EQ(press->xbutton.y, 30);
  ASSERT_TRUE(next_event(d, w, ButtonRelease));
  while (XCheckTypedWindowEvent(d, w, MotionNotify, &*press)) {
  }

  drag(d, {110, 110}, {310, 210}, 1, 5);
  auto start = next_event(d, w, ButtonPress);
  ASSERT_TRUE(start);
  EXPECT_EQ(start->xbutton.button, 1u);
  EXPECT_EQ(start->xbutton.x, 10);
  int motions = 0;
  while (auto m = next_event(d, w, MotionNotify)) {
    ++motions;
    if (m->xmotion.x == 210 && m->xmotion.y == 110) break;
  }
  EXPECT_GE(motions, 5);
  auto end = next_event(d, w, ButtonRelease);
  ASSERT_TRUE(end);
  EXPECT_EQ(end->xbutton.x, 210);
  EXPECT_EQ(end->xbutton.y, 110);

  press_key(d, XK_Escape, {XK_Shift_L});
  auto key = next_event(d, w, KeyPress);  // the Shift press comes first
  ASSERT_TRUE(key);
  EXPECT_EQ(XLookupKeysym(&key->xkey, 0), static_cast<KeySym>(XK_Shift_L));
  key = next_event(d, w, KeyPress);
  ASSERT_TRUE(key);
  EXPECT_EQ(XLookupKeysym(&key->xkey, 0), static_cast<KeySym>(XK_Escape));
  EXPECT_TRUE(key->xkey.state & ShiftMask);

  press_key(d, XK_Escape);
  key = next_event(d, w, KeyPress);
  ASSERT_TRUE(key);
  EXPECT_FALSE(key->xkey.state & ShiftMask);
}

TEST(WindowManager, FindsTheClientBelowTheFrameAndReportsIconicState) {
  Xvfb x;
  WindowManager wm(x);
  Display* d = x.display();
  TestWindow win(d, "Managed Window", {200, 100, 300, 200}, teal);

  Window w = wait_for_window(d, "Managed Window");
  ASSERT_EQ(w, win.id());
  Window root, parent, *children = nullptr;
  unsigned count;
  ASSERT_TRUE(XQueryTree(d, w, &root, &parent, &children, &count));
  if (children) XFree(children);
  EXPECT_NE(parent, root) << "openbox should have reparented the window into a frame";
  ASSERT_TRUE(wait_for([&] { return wm_state(d, w) == 1; }));

  XIconifyWindow(d, w, DefaultScreen(d));
  XSync(d, False);
  EXPECT_TRUE(wait_for([&] { return wm_state(d, w) == 3 && !is_viewable(d, w); }));
}

TEST(MinimalMovie, HeaderAndTagsAreLaidOutByteForByte) {
  auto movie = minimal_movie(640, 480, 24, {1, 2, 3});
  const unsigned char expected[] = {
      'F',  'W',  'S',  8,    30,   0,    0,    0,           // signature, version, file length
      0x78, 0x00, 0x06, 0x40, 0x00, 0x00, 0x12, 0xc0, 0x00,  // 15-bit RECT 0..12800, 0..9600 twips
      0x00, 24,   1,    0,                                   // frame rate 24.0, one frame
      0x43, 0x02, 1,    2,    3,                             // SetBackgroundColor
      0x40, 0x00,                                            // ShowFrame
      0x00, 0x00};                                           // End
  ASSERT_EQ(movie, std::string(reinterpret_cast<const char*>(expected), sizeof expected));

  auto slow = minimal_movie(1, 1, 12.5, {});
  // 20 twips need 6 bits: 5 + 4 * 6 = 29 bits, four bytes of RECT.
  EXPECT_EQ(static_cast<unsigned char>(slow[8]) >> 3, 6u);
  EXPECT_EQ(static_cast<unsigned char>(slow[12]), 0x80);
  EXPECT_EQ(static_cast<unsigned char>(slow[13]), 12);
  EXPECT_EQ(static_cast<unsigned char>(slow[4]), slow.size());
}
