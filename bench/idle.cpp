// idle: the CPU time the launcher uses in 10 idle seconds on a movie that is
// not moving (a one-frame movie, and the demo menu, which stops on frame 1).
// Prints figures; asserts nothing.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "harness.h"

namespace {

// utime + stime of a process, in milliseconds.
double cpu_ms(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), {});
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) utime = std::stol(field);
    if (i == 15) stime = std::stol(field);
  }
  return 1000.0 * static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

void measure(const e2e::Xvfb& x, const char* name, const std::string& movie) {
  e2e::TempDir dir;
  dir.write("readme.txt", "sizes:640x480\n/idle.swf\n");
  dir.write("idle.swf", movie);
  e2e::Process program(e2e::program_command(x, dir.path()));
  if (!e2e::wait_for_window(x.display(), "Velmoran Strandel")) {
    std::printf("%-22s window did not appear\n", name);
    return;
  }
  std::this_thread::sleep_for(std::chrono::seconds(1));  // first paint and frame 1
  double before = cpu_ms(program.pid());
  std::this_thread::sleep_for(std::chrono::seconds(10));
  double after = cpu_ms(program.pid());
  std::printf("%-22s %6.1f ms CPU in 10 s idle (target < 5 ms)\n", name, after - before);
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

}  // namespace

int main() {
  e2e::Xvfb x;
  measure(x, "one-frame movie", e2e::minimal_movie(640, 480, 24, {0x20, 0xB0, 0x40}));
  e2e::TempDir demo;
  std::string make_demo = std::string(STRANDEL_BINARY_DIR) + "/make_demo " + demo.path().string();
  if (std::system(make_demo.c_str()) == 0)
    measure(x, "demo menu (stopped)", read_file(demo.path() / "demo.swf"));
  return 0;
}
