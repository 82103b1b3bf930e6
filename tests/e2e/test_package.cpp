// The Debian package as a user gets it: cpack makes it from the build,
// dpkg installs it (its declared dependencies must be there), and the
// installed program shows the demo from the demo's folder until the demo's
// Quit button ends it. dpkg needs root; the package is removed afterwards.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "harness.h"

// Xlib after gtest: its macros clash with gtest's headers.
#include <X11/Xlib.h>

using namespace e2e;
namespace fs = std::filesystem;

namespace {

struct Ran {
  std::optional<int> status;
  std::string output;
};

Ran run(std::vector<std::string> argv, const fs::path& cwd = {}) {
  Process p({.argv = std::move(argv), .cwd = cwd});
  auto status = p.wait_exit(120000ms);
  return {status, p.stdout_text() + p.stderr_text()};
}

// Removes the package however the test ends.
struct Installed {
  ~Installed() { run({"dpkg", "--purge", "strandel"}); }
};

TEST(Package, InstallsWithItsManualAndRunsTheDemo) {
  if (geteuid() != 0) GTEST_SKIP() << "installing a package needs root";
  TempDir out;
  Ran made = run({"cpack", "--config", STRANDEL_BINARY_DIR "/CPackConfig.cmake", "-G", "DEB", "-B",
                  out.path().string()});
  ASSERT_EQ(made.status, 0) << made.output;
  fs::path deb;
  for (const auto& entry : fs::directory_iterator(out.path()))
    if (entry.path().extension() == ".deb") deb = entry.path();
  ASSERT_FALSE(deb.empty()) << made.output;

  Installed removal;
  Ran installed = run({"dpkg", "-i", deb.string()});
  ASSERT_EQ(installed.status, 0) << installed.output;
  for (const char* file :
       {"/usr/bin/strandel", "/usr/share/applications/strandel.desktop",
        "/usr/share/icons/hicolor/48x48/apps/strandel.png", "/usr/share/doc/strandel/copyright"})
    EXPECT_TRUE(fs::exists(file)) << file;
  // The manual page is in the package; a system set to leave manual pages
  // out (a container's dpkg configuration, say) does not install it.
  Ran contents = run({"dpkg-deb", "--contents", deb.string()});
  EXPECT_NE(contents.output.find("./usr/share/man/man1/strandel.1.gz"), std::string::npos)
      << contents.output;
  if (fs::exists("/usr/share/man/man1/strandel.1.gz") && fs::exists("/usr/bin/man")) {
    Ran manual = run({"man", "-w", "strandel"});
    EXPECT_EQ(manual.output, "/usr/share/man/man1/strandel.1.gz\n");
  }

  TempDir demo;
  fs::copy_file(STRANDEL_SOURCE_DIR "/examples/demo/readme.txt", demo.path() / "readme.txt");
  Ran written = run({STRANDEL_BINARY_DIR "/make_demo", demo.path().string()});
  ASSERT_EQ(written.status, 0) << written.output;

  Xvfb x;
  Display* d = x.display();
  Process program(
      {.argv = {"/usr/bin/strandel"}, .cwd = demo.path(), .set_env = {{"DISPLAY", x.name()}}});
  Window w = wait_for_window(d, "Velmoran Strandel");
  ASSERT_NE(w, 0u) << program.stderr_text();
  auto r = window_rect(d, w);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->width, 648);
  EXPECT_EQ(r->height, 510);
  // The painted frame's outer band, and the teal top of the demo's menu.
  EXPECT_TRUE(wait_for([&] { return pixel_in(d, w, 0, 0) == Rgb{45, 45, 255}; }));
  EXPECT_TRUE(wait_for([&] {
    Rgb teal = pixel_in(d, w, 30, 40);
    return teal.g > 100 && teal.g > teal.r + 40 && teal.b > teal.r + 30;
  })) << to_string(pixel_in(d, w, 30, 40));

  Point quit = to_root(d, w, {324, 402}).value_or(Point{});
  click(d, quit.x, quit.y);
  EXPECT_EQ(program.wait_exit(5000ms), 0) << program.stderr_text();
  EXPECT_EQ(program.stderr_text(), "");
}

}  // namespace
