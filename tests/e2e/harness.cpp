#include "harness.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace e2e {

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void fail(const std::string& what) { throw std::runtime_error(what); }

std::string read_file(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::filesystem::path make_temp_dir(const char* prefix) {
  std::string templ = std::string("/tmp/") + prefix + "-XXXXXX";
  if (!mkdtemp(templ.data())) fail("mkdtemp: " + std::string(std::strerror(errno)));
  return templ;
}

// The child's environment: ours, minus what is unset or overridden, plus the overrides.
std::vector<std::string> child_environment(const Process::Options& o) {
  auto removed = [&](const std::string& entry) {
    auto name = entry.substr(0, entry.find('='));
    for (const auto& u : o.unset_env)
      if (u == name) return true;
    for (const auto& [k, v] : o.set_env)
      if (k == name) return true;
    return false;
  };
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e)
    if (!removed(*e)) env.emplace_back(*e);
  for (const auto& [k, v] : o.set_env) env.push_back(k + "=" + v);
  return env;
}

// Looks the program up in the child's PATH, as execvp would in the child.
std::string resolve_program(const std::string& name, const std::vector<std::string>& env) {
  if (name.find('/') != std::string::npos) return name;
  std::string path = "/usr/local/bin:/usr/bin:/bin";
  for (const auto& e : env)
    if (e.rfind("PATH=", 0) == 0) path = e.substr(5);
  std::istringstream dirs(path);
  for (std::string dir; std::getline(dirs, dir, ':');) {
    auto candidate = (dir.empty() ? std::string(".") : dir) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  fail("program not found in PATH: " + name);
}

std::vector<char*> c_strings(std::vector<std::string>& v) {
  std::vector<char*> out;
  for (auto& s : v) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

// Windows vanish while we walk the tree or read their properties; such
// errors are expected and must not end the test program.
int ignore_x_error(Display*, XErrorEvent*) { return 0; }

std::optional<std::string> text_property(Display* d, Window w, Atom property, Atom type) {
  Atom actual_type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(d, w, property, 0, 1024, False, type, &actual_type, &format, &count,
                         &after, &data) != Success)
    return std::nullopt;
  std::optional<std::string> text;
  if (data && actual_type == type && format == 8)
    text = std::string(reinterpret_cast<char*>(data), count);
  if (data) XFree(data);
  return text;
}

bool has_title(Display* d, Window w, const std::string& title) {
  auto utf8 = XInternAtom(d, "UTF8_STRING", False);
  auto net_name = text_property(d, w, XInternAtom(d, "_NET_WM_NAME", False), utf8);
  if (net_name && *net_name == title) return true;
  auto name = text_property(d, w, XA_WM_NAME, XA_STRING);
  return name && *name == title;
}

void collect_titled(Display* d, Window w, const std::string& title, std::vector<Window>& out) {
  if (has_title(d, w, title)) out.push_back(w);
  Window root, parent, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(d, w, &root, &parent, &children, &count)) return;
  for (unsigned i = 0; i < count; ++i) collect_titled(d, children[i], title, out);
  if (children) XFree(children);
}

int shift_of(unsigned long mask) {
  int s = 0;
  while (mask && !(mask & 1)) mask >>= 1, ++s;
  return s;
}

Rgb rgb_of(unsigned long p, const XImage* img) {
  auto channel = [p](unsigned long mask) {
    auto v = (p & mask) >> shift_of(mask);
    auto max = mask >> shift_of(mask);
    return static_cast<std::uint8_t>(max == 255 ? v : v * 255 / (max ? max : 1));
  };
  return {channel(img->red_mask), channel(img->green_mask), channel(img->blue_mask)};
}

KeyCode keycode(Display* d, KeySym key) {
  KeyCode code = XKeysymToKeycode(d, key);
  if (!code) fail("no keycode for keysym " + std::to_string(key));
  return code;
}

}  // namespace

std::string to_string(Rgb c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c.r, c.g, c.b);
  return buf;
}

// --- Process -------------------------------------------------------------------

Process::Process(Options o) {
  if (o.argv.empty()) fail("Process: empty argument vector");
  auto env = child_environment(o);
  auto program = resolve_program(o.argv[0], env);
  auto argv = o.argv;
  auto c_argv = c_strings(argv);
  auto c_env = c_strings(env);
  auto cwd = o.cwd.string();

  capture_dir_ = make_temp_dir("strandel-proc");
  int out = open((capture_dir_ / "stdout").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  int err = open((capture_dir_ / "stderr").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  int in = open("/dev/null", O_RDONLY | O_CLOEXEC);
  // The child writes its errno here if exec fails; a close without data means exec worked.
  int exec_status[2];
  if (out < 0 || err < 0 || in < 0 || pipe2(exec_status, O_CLOEXEC) != 0)
    fail("Process: cannot set up descriptors");

  pid_t parent = getpid();
  pid_ = fork();
  if (pid_ == 0) {
    // Only async-signal-safe calls from here on.
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    for (int fd : o.inherit_fds) fcntl(fd, F_SETFD, 0);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    if (cwd.empty() || chdir(cwd.c_str()) == 0)
      execve(program.c_str(), c_argv.data(), c_env.data());
    int e = errno;
    (void)!write(exec_status[1], &e, sizeof e);
    _exit(127);
  }
  close(in);
  close(out);
  close(err);
  close(exec_status[1]);
  if (pid_ < 0) {
    close(exec_status[0]);
    fail("fork: " + std::string(std::strerror(errno)));
  }
  setpgid(pid_, pid_);
  int child_errno = 0;
  ssize_t n;
  do n = read(exec_status[0], &child_errno, sizeof child_errno);
  while (n < 0 && errno == EINTR);
  close(exec_status[0]);
  if (n > 0) {
    kill();
    std::error_code ec;
    std::filesystem::remove_all(capture_dir_, ec);
    fail("cannot start " + program + " in '" + cwd + "': " + std::strerror(child_errno));
  }
}

Process::~Process() {
  kill();
  std::error_code ec;
  std::filesystem::remove_all(capture_dir_, ec);
}

void Process::reap(int status) {
  if (WIFEXITED(status))
    exit_status_ = WEXITSTATUS(status);
  else if (WIFSIGNALED(status))
    exit_status_ = 128 + WTERMSIG(status);
}

bool Process::running() {
  if (exit_status_ || pid_ <= 0) return false;
  int status;
  if (waitpid(pid_, &status, WNOHANG) == pid_) {
    reap(status);
    return false;
  }
  return true;
}

std::optional<int> Process::wait_exit(Milliseconds timeout) {
  auto deadline = Clock::now() + timeout;
  while (running()) {
    if (Clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(2ms);
  }
  return exit_status_;
}

void Process::kill() {
  if (exit_status_ || pid_ <= 0) return;
  // The group is ours until the leader is reaped, so this cannot hit a stranger.
  ::kill(-pid_, SIGKILL);
  ::kill(pid_, SIGKILL);
  int status;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  reap(status);
}

void Process::signal(int sig) {
  if (running()) ::kill(pid_, sig);
}

std::string Process::stdout_text() const { return read_file(capture_dir_ / "stdout"); }
std::string Process::stderr_text() const { return read_file(capture_dir_ / "stderr"); }

std::optional<long> Process::peak_rss_kib() const {
  if (exit_status_ || pid_ <= 0) return std::nullopt;
  std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  return std::nullopt;
}

// --- Xvfb ------------------------------------------------------------------------

Xvfb::Xvfb(const std::vector<Size>& screens, int dpi) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) fail("pipe: " + std::string(std::strerror(errno)));
  std::vector<std::string> argv = {"Xvfb", "-displayfd", std::to_string(fds[1])};
  for (std::size_t i = 0; i < screens.size(); ++i) {
    argv.insert(argv.end(), {"-screen", std::to_string(i),
                             std::to_string(screens[i].width) + "x" +
                                 std::to_string(screens[i].height) + "x24"});
  }
  if (screens.size() > 1) argv.push_back("+xinerama");
  argv.insert(argv.end(), {"-dpi", std::to_string(dpi), "-nolisten", "tcp"});
  try {
    server_.emplace(Process::Options{.argv = argv, .inherit_fds = {fds[1]}});
  } catch (...) {
    close(fds[0]);
    close(fds[1]);
    throw;
  }
  close(fds[1]);

  // Xvfb writes the display number and a newline once it accepts clients.
  std::string number;
  auto deadline = Clock::now() + 5s;
  while (number.find('\n') == std::string::npos) {
    auto left = std::chrono::duration_cast<Milliseconds>(deadline - Clock::now()).count();
    pollfd p{fds[0], POLLIN, 0};
    if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0) break;
    char buf[16];
    ssize_t n = read(fds[0], buf, sizeof buf);
    if (n <= 0) break;
    number.append(buf, static_cast<size_t>(n));
  }
  close(fds[0]);
  if (number.find('\n') == std::string::npos)
    fail("Xvfb did not come up within 5 s: " + server_->stderr_text());
  number_ = std::stoi(number);

  XSetErrorHandler(ignore_x_error);
  display_ = XOpenDisplay(name().c_str());
  if (!display_) fail("cannot open display " + name());
}

Window Xvfb::root() const { return DefaultRootWindow(display_); }

Xvfb::~Xvfb() {
  if (display_) XCloseDisplay(display_);
}

// --- WindowManager ------------------------------------------------------------------

WindowManager::WindowManager(const Xvfb& x)
    : wm_({.argv = {"openbox", "--sm-disable"}, .set_env = {{"DISPLAY", x.name()}}}) {
  Display* d = x.display();
  Atom check = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False);
  bool up = wait_for(
      [&] {
        Atom type;
        int format;
        unsigned long count, after;
        unsigned char* data = nullptr;
        XGetWindowProperty(d, x.root(), check, 0, 1, False, XA_WINDOW, &type, &format, &count,
                           &after, &data);
        if (data) XFree(data);
        return type == XA_WINDOW && count == 1;
      },
      5000ms);
  if (!up) fail("openbox did not come up within 5 s: " + wm_.stderr_text());

  // openbox advertises itself before it finishes starting, and a window mapped
  // in between is never managed. A probe window it frames proves it is ready.
  Window probe = XCreateSimpleWindow(d, x.root(), 0, 0, 1, 1, 0, 0, 0);
  bool managed = false;
  for (auto deadline = Clock::now() + 5s; !managed && Clock::now() < deadline;) {
    XUnmapWindow(d, probe);
    XMapWindow(d, probe);
    XSync(d, False);
    managed = wait_for([&] { return wm_state(d, probe) == 1 && is_viewable(d, probe); }, 250ms);
  }
  XDestroyWindow(d, probe);
  XSync(d, False);
  if (!managed) fail("openbox does not manage windows: " + wm_.stderr_text());
}

// --- TempDir ------------------------------------------------------------------------

TempDir::TempDir() : path_(make_temp_dir("strandel-e2e")) {}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::filesystem::path TempDir::write(const std::string& name, const std::string& bytes) const {
  auto p = path_ / name;
  std::filesystem::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary);
  out << bytes;
  if (!out) fail("cannot write " + p.string());
  return p;
}

// --- Minimal movie ------------------------------------------------------------------------

namespace {

class BitWriter {
 public:
  void put(std::uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
      if (used_ == 0) bytes_.push_back('\0');
      if ((value >> i) & 1) bytes_.back() = static_cast<char>(bytes_.back() | (0x80 >> used_));
      used_ = (used_ + 1) % 8;
    }
  }
  std::string take() { return std::move(bytes_); }

 private:
  std::string bytes_;
  int used_ = 0;
};

void put_u16(std::string& s, unsigned v) {
  s.push_back(static_cast<char>(v & 0xff));
  s.push_back(static_cast<char>((v >> 8) & 0xff));
}

void put_u32(std::string& s, std::uint32_t v) {
  put_u16(s, v & 0xffff);
  put_u16(s, v >> 16);
}

// Short tag header: code in the upper ten bits, length (< 63) in the lower six.
void put_tag(std::string& s, unsigned code, const std::string& body) {
  put_u16(s, (code << 6) | static_cast<unsigned>(body.size()));
  s += body;
}

}  // namespace

std::string minimal_movie(int width_px, int height_px, double frame_rate, Rgb background,
                          int version) {
  constexpr int twips_per_pixel = 20;
  std::uint32_t xmax = static_cast<std::uint32_t>(width_px) * twips_per_pixel;
  std::uint32_t ymax = static_cast<std::uint32_t>(height_px) * twips_per_pixel;
  // RECT fields are signed, so one bit more than the largest magnitude needs.
  int nbits = 1;
  while ((std::max(xmax, ymax) >> (nbits - 1)) != 0) ++nbits;
  BitWriter rect;
  rect.put(static_cast<std::uint32_t>(nbits), 5);
  rect.put(0, nbits);
  rect.put(xmax, nbits);
  rect.put(0, nbits);
  rect.put(ymax, nbits);

  std::string body = rect.take();
  put_u16(body, static_cast<unsigned>(std::lround(frame_rate * 256)));  // 8.8 fixed point
  put_u16(body, 1);                                                     // frame count
  put_tag(body, 9,
          std::string{static_cast<char>(background.r), static_cast<char>(background.g),
                      static_cast<char>(background.b)});  // SetBackgroundColor
  put_tag(body, 1, "");                                   // ShowFrame
  put_tag(body, 0, "");                                   // End

  std::string movie = "FWS";
  movie.push_back(static_cast<char>(version));
  put_u32(movie, static_cast<std::uint32_t>(8 + body.size()));
  return movie + body;
}

// --- Waiting ------------------------------------------------------------------------

bool wait_for(const std::function<bool()>& predicate, Milliseconds timeout) {
  auto deadline = Clock::now() + timeout;
  for (;;) {
    if (predicate()) return true;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(10ms);
  }
}

// --- Windows ------------------------------------------------------------------------

bool is_viewable(Display* d, Window w) {
  XWindowAttributes a;
  return XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable;
}

Window find_window(Display* d, const std::string& title) {
  std::vector<Window> found;
  collect_titled(d, DefaultRootWindow(d), title, found);
  for (Window w : found)
    if (is_viewable(d, w)) return w;
  return found.empty() ? 0 : found.front();
}

Window wait_for_window(Display* d, const std::string& title, Milliseconds timeout) {
  Window w = 0;
  wait_for(
      [&] {
        w = find_window(d, title);
        return w && is_viewable(d, w);
      },
      timeout);
  return w && is_viewable(d, w) ? w : 0;
}

std::optional<Rect> window_rect(Display* d, Window w) {
  XWindowAttributes a;
  if (!XGetWindowAttributes(d, w, &a)) return std::nullopt;
  int x, y;
  Window child;
  if (!XTranslateCoordinates(d, w, DefaultRootWindow(d), 0, 0, &x, &y, &child)) return std::nullopt;
  return Rect{x, y, a.width, a.height};
}

std::optional<Point> to_root(Display* d, Window w, Point p) {
  int x, y;
  Window child;
  if (!XTranslateCoordinates(d, w, DefaultRootWindow(d), p.x, p.y, &x, &y, &child))
    return std::nullopt;
  return Point{x, y};
}

std::optional<long> wm_state(Display* d, Window w) {
  Atom state = XInternAtom(d, "WM_STATE", False);
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(d, w, state, 0, 2, False, state, &type, &format, &count, &after, &data) !=
      Success)
    return std::nullopt;
  std::optional<long> value;
  if (data && type == state && format == 32 && count >= 1)
    value = reinterpret_cast<long*>(data)[0];  // format 32 arrives as longs
  if (data) XFree(data);
  return value;
}

std::vector<std::string> net_wm_state(Display* d, Window w) {
  Atom state = XInternAtom(d, "_NET_WM_STATE", False);
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  std::vector<std::string> names;
  if (XGetWindowProperty(d, w, state, 0, 32, False, XA_ATOM, &type, &format, &count, &after,
                         &data) == Success &&
      data && format == 32) {
    for (unsigned long i = 0; i < count; ++i) {
      char* name = XGetAtomName(d, reinterpret_cast<Atom*>(data)[i]);
      if (name) names.emplace_back(name);
      if (name) XFree(name);
    }
  }
  if (data) XFree(data);
  return names;
}

// --- Pixels ------------------------------------------------------------------------

int Image::count(Rgb c) const {
  int n = 0;
  for (const auto& p : pixels) n += p == c;
  return n;
}

Image grab(Display* d, Rect r) {
  int sw = DisplayWidth(d, DefaultScreen(d)), sh = DisplayHeight(d, DefaultScreen(d));
  int x0 = std::max(r.x, 0), y0 = std::max(r.y, 0);
  int x1 = std::min(r.x + r.width, sw), y1 = std::min(r.y + r.height, sh);
  Image out;
  if (x1 <= x0 || y1 <= y0) return out;
  XImage* img = XGetImage(d, DefaultRootWindow(d), x0, y0, static_cast<unsigned>(x1 - x0),
                          static_cast<unsigned>(y1 - y0), AllPlanes, ZPixmap);
  if (!img) return out;
  out.width = img->width;
  out.height = img->height;
  out.pixels.reserve(static_cast<size_t>(out.width) * out.height);
  bool packed = img->bits_per_pixel == 32 && img->red_mask == 0xff0000 &&
                img->green_mask == 0xff00 && img->blue_mask == 0xff && img->byte_order == LSBFirst;
  for (int y = 0; y < out.height; ++y) {
    const auto* row = reinterpret_cast<const std::uint8_t*>(img->data) +
                      static_cast<size_t>(y) * img->bytes_per_line;
    for (int x = 0; x < out.width; ++x) {
      if (packed)
        out.pixels.push_back({row[4 * x + 2], row[4 * x + 1], row[4 * x]});
      else
        out.pixels.push_back(rgb_of(XGetPixel(img, x, y), img));
    }
  }
  XDestroyImage(img);
  return out;
}

Rgb pixel(Display* d, int x, int y) {
  Image img = grab(d, {x, y, 1, 1});
  return img.pixels.empty() ? Rgb{} : img.pixels[0];
}

Rgb pixel_in(Display* d, Window w, int x, int y) {
  auto p = to_root(d, w, {x, y});
  return p ? pixel(d, p->x, p->y) : Rgb{};
}

bool save_screenshot(const Xvfb& x, const std::filesystem::path& png) {
  Process import({.argv = {"import", "-display", x.name(), "-window", "root", png.string()}});
  return import.wait_exit(20s) == 0;
}

// --- Input ------------------------------------------------------------------------

void move_pointer(Display* d, int x, int y) {
  XTestFakeMotionEvent(d, -1, x, y, CurrentTime);
  XSync(d, False);
}

void press_button(Display* d, unsigned button) {
  XTestFakeButtonEvent(d, button, True, CurrentTime);
  XSync(d, False);
}

void release_button(Display* d, unsigned button) {
  XTestFakeButtonEvent(d, button, False, CurrentTime);
  XSync(d, False);
}

void click(Display* d, int x, int y, unsigned button) {
  move_pointer(d, x, y);
  press_button(d, button);
  release_button(d, button);
}

void drag(Display* d, Point from, Point to, unsigned button, int steps) {
  steps = std::max(steps, 1);
  move_pointer(d, from.x, from.y);
  press_button(d, button);
  for (int i = 1; i <= steps; ++i) {
    std::this_thread::sleep_for(15ms);
    move_pointer(d, from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps);
  }
  std::this_thread::sleep_for(15ms);
  release_button(d, button);
}

void press_key(Display* d, KeySym key, std::initializer_list<KeySym> modifiers) {
  for (KeySym m : modifiers) XTestFakeKeyEvent(d, keycode(d, m), True, CurrentTime);
  XTestFakeKeyEvent(d, keycode(d, key), True, CurrentTime);
  XTestFakeKeyEvent(d, keycode(d, key), False, CurrentTime);
  for (auto m = std::rbegin(modifiers); m != std::rend(modifiers); ++m)
    XTestFakeKeyEvent(d, keycode(d, *m), False, CurrentTime);
  XSync(d, False);
}

}  // namespace e2e
