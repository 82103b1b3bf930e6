// The movie's commands against the real program: "open" starts a fake
// xdg-open placed first on PATH, "minimize" iconifies the window under a real
// window manager, "quit" ends the program; anything else does nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"
#include "swfwriter/swfwriter.h"

// Xlib after gtest: its macros clash with gtest's headers.
#include <X11/Xlib.h>

using namespace e2e;
namespace fs = std::filesystem;

namespace {

const char kTitle[] = "Velmoran Strandel";

std::string read_file(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

int count_lines_containing(const std::string& text, const std::string& needle) {
  int n = 0;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (line.find(needle) != std::string::npos) ++n;
  return n;
}

// The folder the running program lives in, as the kernel resolves it.
fs::path program_folder() { return fs::canonical(STRANDEL_BINARY_DIR); }

// A folder with readme.txt and movie.swf for the program to start in. The
// stage is 320×240.
class MovieFolder {
 public:
  explicit MovieFolder(const swfw::Movie& movie) {
    dir_.write("readme.txt", "sizes:320x240\n/movie.swf\n");
    EXPECT_TRUE(movie.write((dir_.path() / "movie.swf").string()));
  }
  const fs::path& path() const { return dir_.path(); }

 private:
  TempDir dir_;
};

// A two-frame movie whose first frame runs `actions` and then stops, so that
// nothing is sent twice.
swfw::Movie sending_once(swfw::Actions actions) {
  swfw::Movie m(8, 320, 240, 20);
  m.background(0x20, 0x40, 0x60);
  m.do_action(actions.stop());
  m.show_frame();
  m.show_frame();
  return m;
}

// A fake xdg-open in its own folder. Each call writes one file into calls/:
// NUL-separated fields "argument count", "physical working directory", then
// the arguments. The file is written aside and renamed in, so it is whole
// once it appears.
class FakeOpener {
 public:
  struct Call {
    int argc = -1;
    std::string cwd;
    std::vector<std::string> args;
  };

  FakeOpener() {
    fs::create_directory(calls_dir());
    fs::path script = dir_.write("xdg-open", "#!/bin/sh\nd='" + folder().string() + "'\n" +
                                                 R"sh(t="$d/writing.$$"
printf '%s\0' "$#" "$(pwd -P)" > "$t"
for a in "$@"; do printf '%s\0' "$a" >> "$t"; done
mv "$t" "$d/calls/$$"
)sh");
    fs::permissions(script, fs::perms::owner_all);
  }

  const fs::path& folder() const { return dir_.path(); }
  fs::path calls_dir() const { return dir_.path() / "calls"; }
  // PATH with the fake first, then the system's folders.
  std::string path_value() const { return folder().string() + ":/usr/bin:/bin"; }

  std::vector<Call> calls() const {
    std::vector<Call> result;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(calls_dir(), ec)) {
      std::string bytes = read_file(entry.path());
      std::vector<std::string> fields;
      std::size_t start = 0;
      for (std::size_t end; (end = bytes.find('\0', start)) != std::string::npos; start = end + 1)
        fields.push_back(bytes.substr(start, end - start));
      Call c;
      if (fields.size() >= 2) {
        c.argc = std::stoi(fields[0]);
        c.cwd = fields[1];
        c.args.assign(fields.begin() + 2, fields.end());
      }
      result.push_back(std::move(c));
    }
    return result;
  }

  bool wait_for_calls(std::size_t n, Milliseconds timeout = 5000ms) const {
    return wait_for([&] { return calls().size() >= n; }, timeout);
  }

 private:
  TempDir dir_;
};

// Children of `pid` still in the process table, zombies included.
std::vector<pid_t> children_of(pid_t pid) {
  std::vector<pid_t> children;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("/proc", ec)) {
    std::string stat = read_file(entry.path() / "stat");
    std::size_t paren = stat.rfind(')');
    if (paren == std::string::npos) continue;
    char state = 0;
    int ppid = 0;
    if (std::sscanf(stat.c_str() + paren + 1, " %c %d", &state, &ppid) == 2 && ppid == pid)
      children.push_back(std::stoi(entry.path().filename().string()));
  }
  return children;
}

Process::Options program_with_path(const Xvfb& x, const MovieFolder& movie,
                                   const std::string& path) {
  Process::Options o = program_command(x, movie.path());
  o.set_env.push_back({"PATH", path});
  return o;
}

// Shell metacharacters of every kind, and a newline, in one argument.
const char kHostileArgument[] =
    "my file's \"name\"; touch PWNED0 && echo hi | cat $(touch PWNED1) `touch PWNED2` * ?\n"
    "second line\t$HOME ${PATH} > PWNED3 < in 2>&1 \\ ~ & #comment";

// ----------------------------------------------------------------------------
// "open"

class OpenCommand : public testing::Test {
 protected:
  // Runs the movie, waits for the fake to be called once and checks what
  // every "open" must satisfy; returns the one call.
  FakeOpener::Call run_until_opened(const swfw::Actions& actions) {
    MovieFolder movie(sending_once(actions));
    Process program(program_with_path(x_, movie, fake_.path_value()));
    EXPECT_TRUE(fake_.wait_for_calls(1)) << program.stderr_text();
    // A second call would show up by now if the action ran again.
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(program.running()) << program.stderr_text();
    // The opener is detached: not a child of the program, not even a zombie.
    EXPECT_EQ(children_of(program.pid()), std::vector<pid_t>{});
    for (const fs::path& dir : {program_folder(), movie.path(), fake_.folder(), fake_.calls_dir()})
      for (const char* pwned : {"PWNED0", "PWNED1", "PWNED2", "PWNED3"})
        EXPECT_FALSE(fs::exists(dir / pwned)) << dir / pwned;
    auto calls = fake_.calls();
    EXPECT_EQ(calls.size(), 1u);
    if (calls.empty()) return {};
    EXPECT_EQ(calls[0].cwd, program_folder().string());
    EXPECT_EQ(calls[0].argc, 1);
    return calls[0];
  }

  Xvfb x_;
  FakeOpener fake_;
};

TEST_F(OpenCommand, GetUrlPassesTheArgumentByteForByteFromTheProgramFolder) {
  auto call = run_until_opened(swfw::Actions().fscommand("open", kHostileArgument));
  EXPECT_EQ(call.args, std::vector<std::string>{kHostileArgument});
}

TEST_F(OpenCommand, GetUrl2TakesUrlAndTargetFromTheStack) {
  auto call = run_until_opened(
      swfw::Actions().push_string("FSCommand:open").push_string(kHostileArgument).get_url2());
  EXPECT_EQ(call.args, std::vector<std::string>{kHostileArgument});
}

TEST_F(OpenCommand, EmptyArgumentStillCallsTheOpenerWithOneEmptyArgument) {
  auto call = run_until_opened(swfw::Actions().fscommand("open", ""));
  EXPECT_EQ(call.args, std::vector<std::string>{""});
}

// Without an opener the window and the movie carry on, and a notice in the
// window's lower-left corner says why nothing opened until a click dismisses it.
TEST(OpenWithoutOpener, ShowsANoticeThatAClickDismisses) {
  Xvfb x;
  TempDir empty_path;
  MovieFolder movie(sending_once(swfw::Actions().fscommand("open", "manual.pdf")));
  Process program(program_with_path(x, movie, empty_path.path().string()));
  Display* d = x.display();
  Window w = wait_for_window(d, kTitle);
  ASSERT_NE(w, 0u) << program.stderr_text();

  // The framed 320x240 movie makes a 328x270 window; the notice sits 4 pixels
  // in from its lower-left corner, in front of the movie.
  const Rgb movie_colour{0x20, 0x40, 0x60}, notice_face{40, 40, 40};
  const Point inside_notice{6, 264};
  EXPECT_TRUE(wait_for([&] {
    return pixel_in(d, w, inside_notice.x, inside_notice.y) == notice_face;
  })) << to_string(pixel_in(d, w, inside_notice.x, inside_notice.y));
  EXPECT_EQ(pixel_in(d, w, 164, 100), movie_colour);
  EXPECT_TRUE(program.running());
  std::string errors = program.stderr_text();
  EXPECT_EQ(count_lines_containing(errors, "cannot open \"manual.pdf\""), 1) << errors;

  Point on_notice = to_root(d, w, {20, 255}).value_or(Point{});
  click(d, on_notice.x, on_notice.y);
  EXPECT_TRUE(wait_for([&] {
    return pixel_in(d, w, inside_notice.x, inside_notice.y) == movie_colour;
  })) << to_string(pixel_in(d, w, inside_notice.x, inside_notice.y));
  EXPECT_TRUE(program.running());
}

// ----------------------------------------------------------------------------
// "quit"

TEST(QuitCommand, EndsTheProgramAtOnceWithStatusZero) {
  Xvfb x;
  FakeOpener fake;
  // The "open" after "quit" in the same block must never run.
  MovieFolder movie(
      sending_once(swfw::Actions().fscommand("quit", "").fscommand("open", "after quit")));
  Process program(program_with_path(x, movie, fake.path_value()));
  EXPECT_EQ(program.wait_exit(5000ms), std::optional<int>(0)) << program.stderr_text();
  std::this_thread::sleep_for(300ms);
  EXPECT_TRUE(fake.calls().empty());
}

TEST(QuitCommand, OnFrameTenOfATwentyFramesPerSecondMovie) {
  Xvfb x;
  swfw::Movie m(8, 320, 240, 20);
  m.background(0x60, 0x20, 0x20);
  for (int frame = 1; frame <= 20; ++frame) {
    if (frame == 10) m.do_action(swfw::Actions().fscommand("quit", ""));
    m.show_frame();
  }
  MovieFolder movie(m);
  auto start = std::chrono::steady_clock::now();
  Process program(program_command(x, movie.path()));
  auto status = program.wait_exit(10000ms);
  auto elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
  EXPECT_EQ(status, std::optional<int>(0)) << program.stderr_text();
  // Frame 10 is shown nine frame intervals (0.45 s) after frame 1.
  std::printf("quit on frame 10 at 20 fps: exit %.3f s after start (0.45 s + start-up)\n",
              elapsed.count());
}

// ----------------------------------------------------------------------------
// "minimize"

TEST(MinimizeCommand, IconifiesTheWindowAndKeepsRunning) {
  Xvfb x;
  WindowManager wm(x);
  // Sent half a second in, once the window manager has the window.
  swfw::Movie m(8, 320, 240, 20);
  m.background(0x20, 0x60, 0x20);
  for (int frame = 1; frame <= 12; ++frame) {
    if (frame == 10) m.do_action(swfw::Actions().fscommand("minimize", "").stop());
    m.show_frame();
  }
  MovieFolder movie(m);
  Process program(program_command(x, movie.path()));
  Window w = 0;
  ASSERT_TRUE(wait_for([&] { return (w = find_window(x.display(), kTitle)) != 0; }))
      << program.stderr_text();
  EXPECT_TRUE(wait_for([&] { return wm_state(x.display(), w) == std::optional<long>(3); }))
      << "WM_STATE " << wm_state(x.display(), w).value_or(-1);
  std::this_thread::sleep_for(500ms);
  EXPECT_TRUE(program.running()) << program.stderr_text();
  EXPECT_EQ(wm_state(x.display(), w), std::optional<long>(3));
}

// Frame 1 runs right after the window is shown, so the window can be
// iconified before its first paint; the program must survive that.
TEST(MinimizeCommand, OnTheFirstFrameIconifiesTheWindow) {
  Xvfb x;
  WindowManager wm(x);
  MovieFolder movie(sending_once(swfw::Actions().fscommand("minimize", "")));
  Process program(program_command(x, movie.path()));
  Window w = 0;
  ASSERT_TRUE(wait_for([&] { return (w = find_window(x.display(), kTitle)) != 0; }))
      << "exit " << program.wait_exit(0ms).value_or(-1) << ": " << program.stderr_text();
  EXPECT_TRUE(wait_for([&] { return wm_state(x.display(), w) == std::optional<long>(3); }))
      << "WM_STATE " << wm_state(x.display(), w).value_or(-1);
  EXPECT_TRUE(program.running()) << program.stderr_text();
}

// ----------------------------------------------------------------------------
// Anything else

// Commands that differ from the known ones in case, a trailing blank or by
// being empty. An "open" sent last tells the test that all of them have run.
TEST(UnknownCommands, DoNothing) {
  Xvfb x;
  WindowManager wm(x);
  FakeOpener fake;
  swfw::Actions actions;
  for (const char* command : {"Open", "OPEN", "open ", " open", "QUIT", "Quit", "quit ", "Minimize",
                              "MINIMIZE", "minimize ", "", "openquit"})
    actions.fscommand(command, "unknown");
  actions.push_string("FSCOMMAND:Quit").push_string("").get_url2();
  actions.fscommand("open", "last");
  MovieFolder movie(sending_once(actions));
  Process program(program_with_path(x, movie, fake.path_value()));

  Window w = wait_for_window(x.display(), kTitle);
  ASSERT_NE(w, 0u) << program.stderr_text();
  ASSERT_TRUE(fake.wait_for_calls(1)) << program.stderr_text();
  std::this_thread::sleep_for(1000ms);

  EXPECT_TRUE(program.running()) << program.stderr_text();
  auto calls = fake.calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].args, std::vector<std::string>{"last"});
  EXPECT_TRUE(is_viewable(x.display(), w));
  EXPECT_EQ(wm_state(x.display(), w), std::optional<long>(1));
  EXPECT_EQ(program.stderr_text(), "");
}

TEST(UnknownCommands, OtherUrlsAreNotOpenedAndReportedOnce) {
  Xvfb x;
  FakeOpener fake;
  MovieFolder movie(sending_once(
      swfw::Actions().get_url("http://example.invalid/", "_blank").fscommand("open", "last")));
  Process program(program_with_path(x, movie, fake.path_value()));
  ASSERT_TRUE(fake.wait_for_calls(1)) << program.stderr_text();
  std::this_thread::sleep_for(1000ms);

  EXPECT_TRUE(program.running()) << program.stderr_text();
  auto calls = fake.calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].args, std::vector<std::string>{"last"});
  std::string errors = program.stderr_text();
  EXPECT_EQ(count_lines_containing(errors, "http://example.invalid/"), 1) << errors;
  EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
}

}  // namespace
