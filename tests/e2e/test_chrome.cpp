// End-to-end tests of the window's chrome: the painted frame, the title
// strip with its logo and buttons, dragging the window by the strip, closing
// with "X" or Esc and minimising with "-".
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "harness.h"

// Xlib after gtest: its macros clash with gtest's headers.
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace e2e {
// Colours read "#rrggbb" in failure messages.
[[maybe_unused]] static void PrintTo(const Rgb& c, std::ostream* os) { *os << to_string(c); }
}  // namespace e2e

using namespace e2e;

namespace {

const std::string kTitle = "Velmoran Strandel";
constexpr Rgb kMovie{0x20, 0xB0, 0x40};
constexpr Rgb kBackground{0, 0, 200};
constexpr Rgb kButtonFace{224, 224, 224};
constexpr Rgb kTitleText{255, 255, 255};
// The frame's bands from the outside in: light on the left and top edges...
constexpr Rgb kLight[4] = {{45, 45, 255}, {30, 30, 255}, {0, 0, 255}, {0, 0, 225}};
// ...and dark on the right and bottom edges (only three pixels wide).
constexpr Rgb kDark[3] = {{0, 0, 145}, {0, 0, 175}, {0, 0, 200}};

// The framed 640x480 window: 648x510.
constexpr int kWidth = 648, kHeight = 510;
constexpr Point kStrip{200, 12};
constexpr Point kIcon{10, 10};
constexpr Point kMinimise{614, 14};  // centre of the "-" button at (606, 6)
constexpr Point kClose{634, 14};     // centre of the "X" button at (626, 6)
constexpr Point kMovieMiddle{324, 266};

// The program in a fresh folder with a framed 640x480 movie.
class Framed {
 public:
  explicit Framed(const Xvfb& x, const std::string& readme = "sizes:640x480\n/m.swf\n")
      : d_(x.display()) {
    dir_.write("readme.txt", readme);
    dir_.write("m.swf", minimal_movie(640, 480, 12, kMovie));
    program_.emplace(program_command(x, dir_.path()));
    window_ = wait_for_window(d_, kTitle);
  }

  Process& program() { return *program_; }
  Window window() const { return window_; }

  Point root(Point p) const { return to_root(d_, window_, p).value_or(Point{-1, -1}); }
  std::optional<Point> origin() const {
    auto r = window_rect(d_, window_);
    if (!r) return std::nullopt;
    return Point{r->x, r->y};
  }
  // Waits until the frame and the movie are painted.
  bool painted() const {
    return wait_for([&] {
      return pixel_in(d_, window_, 0, 0) == kLight[0] &&
             pixel_in(d_, window_, kMovieMiddle.x, kMovieMiddle.y) == kMovie;
    });
  }
  // Drags from `from` (window coordinates) by (dx, dy).
  void drag_by(Point from, int dx, int dy, unsigned button) const {
    Point a = root(from);
    drag(d_, a, {a.x + dx, a.y + dy}, button, 10);
  }
  // Waits for the window's origin to be `expected`; true if it got there.
  bool settles_at(Point expected) const {
    return wait_for(
        [&] {
          auto o = origin();
          return o && o->x == expected.x && o->y == expected.y;
        },
        2000ms);
  }

 private:
  Display* d_;
  TempDir dir_;
  std::optional<Process> program_;
  Window window_ = 0;
};

std::string where(std::optional<Point> p) {
  return p ? "(" + std::to_string(p->x) + ", " + std::to_string(p->y) + ")" : "gone";
}

TEST(Chrome, FramedWindowPaintsBandsTitleStripLogoAndButtons) {
  Xvfb x;
  Framed f(x);
  Display* d = x.display();
  ASSERT_NE(f.window(), 0u) << f.program().stderr_text();
  ASSERT_TRUE(f.painted()) << to_string(pixel_in(d, f.window(), 0, 0));

  auto r = window_rect(d, f.window());
  ASSERT_TRUE(r);
  ASSERT_EQ(r->width, kWidth);
  ASSERT_EQ(r->height, kHeight);
  Image win = grab(d, *r);
  ASSERT_EQ(win.width, kWidth);

  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE("light band, " + std::to_string(i) + " in from the edge");
    for (int along : {30, 255, 480}) {
      EXPECT_EQ(win.at(i, along), kLight[i]) << "left, y " << along;
      EXPECT_EQ(win.at(along, i), kLight[i]) << "top, x " << along;
    }
  }
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE("dark band, " + std::to_string(i) + " in from the edge");
    for (int along : {30, 255, 480}) {
      EXPECT_EQ(win.at(kWidth - 1 - i, along), kDark[i]) << "right, y " << along;
      EXPECT_EQ(win.at(along, kHeight - 1 - i), kDark[i]) << "bottom, x " << along;
    }
  }
  // Corners: the top band runs to both top corners, the left band down to
  // the bottom-left one and the bottom band across the bottom-right one.
  EXPECT_EQ(win.at(0, 0), kLight[0]);
  EXPECT_EQ(win.at(kWidth - 1, 0), kLight[0]);
  EXPECT_EQ(win.at(0, kHeight - 1), kLight[0]);
  EXPECT_EQ(win.at(kWidth - 1, kHeight - 1), kDark[0]);
  // The window's background between the strip and the movie.
  EXPECT_EQ(win.at(100, 23), kBackground);
  EXPECT_EQ(win.at(600, 24), kBackground);

  // Title strip: the bold white title near its left end on the strip's blue.
  int white = 0;
  for (int y = 4; y <= 21; ++y)
    for (int x0 = 20; x0 <= 300; ++x0) white += win.at(x0, y) == kTitleText;
  EXPECT_GE(white, 20);
  int white_before_title = 0;
  for (int y = 4; y <= 21; ++y)
    for (int x0 = 4; x0 <= 21; ++x0) white_before_title += win.at(x0, y) == kTitleText;
  EXPECT_EQ(white_before_title, 0) << "white in the logo box";
  EXPECT_EQ(win.at(450, 12), kBackground);
  EXPECT_EQ(win.at(4, 4), kBackground);
  EXPECT_EQ(win.at(643, 21), kBackground);

  // The logo: a green square with a dark teal rim.
  EXPECT_EQ(win.at(12, 13), (Rgb{46, 170, 72}));
  EXPECT_EQ(win.at(4, 5), (Rgb{0, 84, 84}));

  // The "-" and "X" buttons: light grey faces.
  auto face_pixels = [&](int left, int top) {
    int n = 0;
    for (int y = top; y < top + 17; ++y)
      for (int x0 = left; x0 < left + 17; ++x0) n += win.at(x0, y) == kButtonFace;
    return n;
  };
  EXPECT_GE(face_pixels(606, 6), 20) << "the \"-\" button";
  EXPECT_GE(face_pixels(626, 6), 20) << "the \"X\" button";
  EXPECT_EQ(face_pixels(560, 6), 0) << "left of the buttons";

  std::filesystem::create_directories("/tmp/strandel-shots");
  EXPECT_TRUE(save_screenshot(x, "/tmp/strandel-shots/chrome-framed.png"));
}

TEST(Chrome, DraggingTheStripMovesTheWindowAndOtherPartsDoNot) {
  Xvfb x;
  Framed f(x);
  ASSERT_NE(f.window(), 0u) << f.program().stderr_text();
  ASSERT_TRUE(f.painted());
  Point start = f.origin().value_or(Point{});
  ASSERT_EQ(start.x, 188);
  ASSERT_EQ(start.y, 129);

  f.drag_by(kStrip, 100, 50, 1);
  EXPECT_TRUE(f.settles_at({288, 179})) << "left-button drag: " << where(f.origin());

  f.drag_by(kStrip, -150, 40, 3);
  EXPECT_TRUE(f.settles_at({138, 219})) << "right-button drag: " << where(f.origin());

  // Presses elsewhere move nothing. Each is followed by a strip drag, whose
  // result shows the press before it was handled.
  struct Elsewhere {
    const char* name;
    Point at;
    unsigned button;
  } presses[] = {
      {"the logo", kIcon, 1},
      {"the logo", kIcon, 3},
      {"the \"-\" button", kMinimise, 1},
      {"the \"X\" button", kClose, 3},
      {"the movie", kMovieMiddle, 1},
      {"the movie", kMovieMiddle, 3},
  };
  Point expected{138, 219};
  for (const auto& p : presses) {
    SCOPED_TRACE(std::string(p.name) + ", button " + std::to_string(p.button));
    f.drag_by(p.at, 80, 60, p.button);
    f.drag_by(kStrip, 10, -10, 1);
    expected = {expected.x + 10, expected.y - 10};
    EXPECT_TRUE(f.settles_at(expected)) << "at " << where(f.origin());
    if (auto o = f.origin()) expected = *o;  // carry on from where it is
  }
  EXPECT_TRUE(f.program().running());
}

TEST(Chrome, CloseButtonEndsTheProgramOnALeftClickOnly) {
  Xvfb x;
  Framed f(x);
  Display* d = x.display();
  ASSERT_NE(f.window(), 0u) << f.program().stderr_text();
  ASSERT_TRUE(f.painted());

  Point close = f.root(kClose);
  click(d, close.x, close.y, 3);
  // A strip drag after the right click proves the program handled it and lives.
  f.drag_by(kStrip, 30, 20, 1);
  EXPECT_TRUE(f.settles_at({218, 149})) << where(f.origin());
  EXPECT_TRUE(f.program().running());

  close = f.root(kClose);
  click(d, close.x, close.y, 1);
  EXPECT_EQ(f.program().wait_exit(5000ms), 0);
}

TEST(Chrome, EscapeEndsTheProgramWithOrWithoutShiftOrControl) {
  Xvfb x;
  Display* d = x.display();
  {
    SCOPED_TRACE("Escape as soon as the window shows, pointer outside it");
    move_pointer(d, 5, 5);
    Framed f(x);
    ASSERT_NE(f.window(), 0u) << f.program().stderr_text();
    ASSERT_TRUE(f.painted());
    press_key(d, XK_Escape);
    EXPECT_EQ(f.program().wait_exit(5000ms), 0);
  }
  wait_for([&] { return find_window(d, kTitle) == 0; });
  {
    SCOPED_TRACE("other keys, then Shift+Escape");
    move_pointer(d, 5, 5);
    Framed f(x);
    ASSERT_NE(f.window(), 0u) << f.program().stderr_text();
    ASSERT_TRUE(f.painted());
    press_key(d, XK_a);
    press_key(d, XK_Return);
    press_key(d, XK_space);
    // A strip drag after the keys proves the program handled them and lives.
    f.drag_by(kStrip, 20, 20, 1);
    EXPECT_TRUE(f.settles_at({208, 149})) << where(f.origin());
    EXPECT_TRUE(f.program().running());
    move_pointer(d, 5, 5);
    press_key(d, XK_Escape, {XK_Shift_L});
    EXPECT_EQ(f.program().wait_exit(5000ms), 0);
  }
  wait_for([&] { return find_window(d, kTitle) == 0; });
  {
    SCOPED_TRACE("Control+Escape");
    move_pointer(d, 5, 5);
    Framed f(x);
    ASSERT_NE(f.window(), 0u) << f.program().stderr_text();
    ASSERT_TRUE(f.painted());
    press_key(d, XK_Escape, {XK_Control_L});
    EXPECT_EQ(f.program().wait_exit(5000ms), 0);
  }
}

TEST(ChromeUnderWindowManager, StaysBorderlessEscapeClosesAndMinimiseIconifies) {
  Xvfb x;
  WindowManager wm(x);
  Display* d = x.display();
  {
    SCOPED_TRACE("borderless, then Escape");
    move_pointer(d, 5, 5);
    // Just outside where the painted frame will be: the desktop, before and
    // after; a title bar or border of the window manager's would cover it.
    const Point outside[] = {{188 + 300, 129 - 1},
                             {188 - 1, 129 + 300},
                             {188 + 300, 129 + kHeight},
                             {188 + kWidth, 129 + 300}};
    Rgb desktop[4];
    for (int i = 0; i < 4; ++i) desktop[i] = pixel(d, outside[i].x, outside[i].y);
    Framed f(x);
    ASSERT_NE(f.window(), 0u) << f.program().stderr_text();
    ASSERT_TRUE(f.painted()) << to_string(pixel_in(d, f.window(), 0, 0));
    auto r = window_rect(d, f.window());
    ASSERT_TRUE(r);
    EXPECT_EQ(r->x, 188);
    EXPECT_EQ(r->y, 129);
    EXPECT_EQ(r->width, kWidth);
    EXPECT_EQ(r->height, kHeight);
    for (int i = 0; i < 4; ++i)
      EXPECT_EQ(pixel(d, outside[i].x, outside[i].y), desktop[i])
          << "at (" << outside[i].x << ", " << outside[i].y << ")";
    EXPECT_EQ(wm_state(d, f.window()), 1);

    press_key(d, XK_Escape);
    EXPECT_EQ(f.program().wait_exit(5000ms), 0);
  }
  wait_for([&] { return find_window(d, kTitle) == 0; });
  {
    SCOPED_TRACE("\"-\" button");
    Framed f(x);
    ASSERT_NE(f.window(), 0u) << f.program().stderr_text();
    ASSERT_TRUE(f.painted());
    Point minimise = f.root(kMinimise);
    click(d, minimise.x, minimise.y, 1);
    EXPECT_TRUE(wait_for([&] { return wm_state(d, f.window()) == 3; }))
        << "WM_STATE " << wm_state(d, f.window()).value_or(-1);
    EXPECT_FALSE(is_viewable(d, f.window()));
    EXPECT_TRUE(f.program().running());
  }
}

// The window manager moves the window, as Alt+drag or a keyboard move would;
// a drag of the strip then carries on from where the window is.
TEST(ChromeUnderWindowManager, DragStartsFromWhereTheWindowManagerPutTheWindow) {
  Xvfb x;
  WindowManager wm(x);
  Framed f(x);
  ASSERT_NE(f.window(), 0u) << f.program().stderr_text();
  ASSERT_TRUE(f.painted());

  Process move({.argv = {"xdotool", "windowmove", std::to_string(f.window()), "100", "80"},
                .set_env = {{"DISPLAY", x.name()}}});
  EXPECT_EQ(move.wait_exit(5000ms), 0) << move.stderr_text();
  ASSERT_TRUE(f.settles_at({100, 80})) << where(f.origin());

  f.drag_by(kStrip, 50, 40, 1);
  EXPECT_TRUE(f.settles_at({150, 120})) << where(f.origin());
}

// A keyboard-only user: Tab leaves the movie for the title strip and then
// "X", which shows a focus mark and closes the window on Enter; Shift+Tab
// goes back from the movie, past the hidden backdrop, to the icon box and
// then to "-", which Space presses.
TEST(ChromeUnderWindowManager, TabReachesTheButtonsWhichSpaceOrEnterPress) {
  Xvfb x;
  WindowManager wm(x);
  Display* d = x.display();
  {
    SCOPED_TRACE("Tab, Tab, Enter");
    Framed f(x);
    ASSERT_NE(f.window(), 0u) << f.program().stderr_text();
    ASSERT_TRUE(f.painted());
    auto close_button = [&] {
      Point at = f.root({626, 6});
      return grab(d, {at.x, at.y, 17, 17}).pixels;
    };
    const auto plain = close_button();
    press_key(d, XK_Tab);
    press_key(d, XK_Tab);
    EXPECT_TRUE(wait_for([&] { return close_button() != plain; })) << "no focus mark on \"X\"";
    press_key(d, XK_Tab);
    EXPECT_TRUE(wait_for([&] { return close_button() == plain; })) << "the mark stays on \"X\"";
    press_key(d, XK_Tab, {XK_Shift_L});
    EXPECT_TRUE(wait_for([&] { return close_button() != plain; })) << "Shift+Tab missed \"X\"";
    EXPECT_TRUE(f.program().running());
    press_key(d, XK_Return);
    EXPECT_EQ(f.program().wait_exit(5000ms), 0);
  }
  wait_for([&] { return find_window(d, kTitle) == 0; });
  {
    SCOPED_TRACE("Shift+Tab, Shift+Tab, Space");
    Framed f(x);
    ASSERT_NE(f.window(), 0u) << f.program().stderr_text();
    ASSERT_TRUE(f.painted());
    press_key(d, XK_Tab, {XK_Shift_L});
    press_key(d, XK_space);  // on the icon box: nothing
    press_key(d, XK_Tab, {XK_Shift_L});
    press_key(d, XK_space);
    EXPECT_TRUE(wait_for([&] { return wm_state(d, f.window()) == 3; }))
        << "WM_STATE " << wm_state(d, f.window()).value_or(-1);
    EXPECT_TRUE(f.program().running());
  }
}

}  // namespace
