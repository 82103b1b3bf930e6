// End-to-end test harness: a private Xvfb, child processes that are always
// stopped, window lookup and pixel reads on the root window, XTest input, a
// real window manager, temporary folders and a minimal movie writer.
//
// Failures to set up (Xvfb or the window manager not coming up, fork or exec
// failing) throw std::runtime_error; gtest reports that as a failed test.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Xlib's types, declared here rather than by including Xlib.h: its macros
// (None, Bool, Status) break gtest's headers when included before them.
// Tests that call Xlib directly include <X11/Xlib.h> after gtest.
typedef struct _XDisplay Display;
typedef unsigned long XID;
typedef XID Window;
typedef XID KeySym;

namespace e2e {

using namespace std::chrono_literals;
using Milliseconds = std::chrono::milliseconds;

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};
std::string to_string(Rgb c);  // "#rrggbb"

struct Point {
  int x = 0, y = 0;
};

struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
};

// A child process started from an argument vector. Its standard output and
// error go to files that stay readable after it exits. It runs in its own
// process group; the destructor kills that group (SIGKILL) and reaps the
// child if it is still running, so nothing outlives the test.
class Process {
 public:
  struct Options {
    std::vector<std::string> argv = {};  // argv[0] is looked up in the child's PATH
    std::filesystem::path cwd = {};      // empty: the caller's working directory
    std::vector<std::pair<std::string, std::string>> set_env = {};  // e.g. {"DISPLAY", ":3"}
    std::vector<std::string> unset_env = {};                        // e.g. {"DISPLAY"}
    std::vector<int> inherit_fds = {};  // descriptors the child keeps open
  };

  explicit Process(Options options);
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  pid_t pid() const { return pid_; }
  bool running();
  // The exit code, or 128 + signal number if a signal ended it; nullopt if it
  // is still running after `timeout`.
  std::optional<int> wait_exit(Milliseconds timeout);
  // SIGKILL to the process group, then reap.
  void kill();
  // Sends `signal` to the process only.
  void signal(int signal);

  std::string stdout_text() const;
  // The file the standard output goes to, readable while the process runs.
  std::filesystem::path stdout_path() const { return capture_dir_ / "stdout"; }
  std::string stderr_text() const;
  // Peak resident set size (VmHWM) in KiB while it runs; nullopt once it has exited.
  std::optional<long> peak_rss_kib() const;

 private:
  void reap(int status);

  pid_t pid_ = -1;
  std::optional<int> exit_status_;
  std::filesystem::path capture_dir_;
};

// An Xvfb server on a free display, chosen by the server (-displayfd), with a
// client connection open for the test. The destructor closes the connection
// and stops the server.
class Xvfb {
 public:
  struct Size {
    int width = 0, height = 0;
  };
  explicit Xvfb(int width = 1024, int height = 768, int dpi = 96)
      : Xvfb(std::vector<Size>{{width, height}}, dpi) {}
  // Several screens side by side, left to right, joined by Xinerama into one
  // X screen, as two monitors on one desktop are.
  explicit Xvfb(const std::vector<Size>& screens, int dpi = 96);
  ~Xvfb();
  Xvfb(const Xvfb&) = delete;
  Xvfb& operator=(const Xvfb&) = delete;

  Display* display() const { return display_; }
  int number() const { return number_; }
  std::string name() const { return ":" + std::to_string(number_); }  // the DISPLAY value
  Window root() const;

 private:
  std::optional<Process> server_;
  int number_ = -1;
  Display* display_ = nullptr;
};

// openbox on the display. The constructor returns once the root window
// advertises _NET_SUPPORTING_WM_CHECK.
class WindowManager {
 public:
  explicit WindowManager(const Xvfb& x);
  ~WindowManager() = default;

 private:
  Process wm_;
};

// A fresh folder under /tmp, removed with everything in it by the destructor.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Writes `bytes` to path()/name and returns the full path.
  std::filesystem::path write(const std::string& name, const std::string& bytes) const;

 private:
  std::filesystem::path path_;
};

// An uncompressed movie of one frame: header with the stage size in pixels
// and the frame rate, SetBackgroundColor, ShowFrame, End.
std::string minimal_movie(int width_px, int height_px, double frame_rate, Rgb background,
                          int version = 8);

// Polls `predicate` every ~10 ms until it holds or `timeout` passes.
bool wait_for(const std::function<bool()>& predicate, Milliseconds timeout = 5000ms);

// --- Windows -----------------------------------------------------------------

// A window whose WM_NAME or _NET_WM_NAME is `title`, searched through the
// whole tree from the root (so also below a window manager's frame). Prefers
// a viewable one; 0 if there is none.
Window find_window(Display* d, const std::string& title);
// Waits until a window with that title exists and is viewable; 0 on timeout.
Window wait_for_window(Display* d, const std::string& title, Milliseconds timeout = 5000ms);
bool is_viewable(Display* d, Window w);
// Position on the root window and size; nullopt if the window is gone.
std::optional<Rect> window_rect(Display* d, Window w);
// Window coordinates to root coordinates; nullopt if the window is gone.
std::optional<Point> to_root(Display* d, Window w, Point p);
// WM_STATE of a client window: 1 normal, 3 iconic; nullopt if not set.
std::optional<long> wm_state(Display* d, Window w);
// The names in a client window's _NET_WM_STATE, e.g. "_NET_WM_STATE_FULLSCREEN".
std::vector<std::string> net_wm_state(Display* d, Window w);

// --- Pixels (read from the root window, i.e. what the screen shows) ----------

struct Image {
  int width = 0, height = 0;
  std::vector<Rgb> pixels;  // row-major
  Rgb at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  int count(Rgb c) const;
};

Rgb pixel(Display* d, int x, int y);
// The screen's pixel at (x, y) in window coordinates (black if the window is gone).
Rgb pixel_in(Display* d, Window w, int x, int y);
Image grab(Display* d, Rect r);  // r is clipped to the screen
// Writes a PNG of the whole screen (ImageMagick's import). True on success.
bool save_screenshot(const Xvfb& x, const std::filesystem::path& png);

// --- Input (XTest) ----------------------------------------------------------

void move_pointer(Display* d, int x, int y);
void press_button(Display* d, unsigned button);
void release_button(Display* d, unsigned button);
void click(Display* d, int x, int y, unsigned button = 1);
// Press at `from`, move in `steps` steps about 15 ms apart, release at `to`.
void drag(Display* d, Point from, Point to, unsigned button = 1, int steps = 10);
// Presses and releases `key` while holding `modifiers` (keysyms such as
// XK_Shift_L, XK_Control_L).
void press_key(Display* d, KeySym key, std::initializer_list<KeySym> modifiers = {});

// --- The program under test --------------------------------------------------

#ifdef STRANDEL_BINARY_DIR
// The program run in `folder` (where it reads readme.txt) on display `x`, e.g.
//   Process p(program_command(x, dir.path()));
inline Process::Options program_command(const Xvfb& x, const std::filesystem::path& folder,
                                        std::vector<std::string> args = {}) {
  args.insert(args.begin(), STRANDEL_BINARY_DIR "/strandel");
  return {.argv = std::move(args), .cwd = folder, .set_env = {{"DISPLAY", x.name()}}};
}
#endif

}  // namespace e2e
