// The desktop opener against a fake xdg-open: a shell script placed first on
// PATH that records what it was started with. No display needed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/desktop_opener.h"

namespace fs = std::filesystem;
using strandel::platform::DesktopOpener;
using strandel::platform::FindOnPath;

namespace {

std::string read_file(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void write_file(const fs::path& p, const std::string& text, fs::perms perms) {
  std::ofstream(p, std::ios::binary) << text;
  fs::permissions(p, perms);
}

std::vector<std::string> split_nul(const std::string& bytes) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t end; (end = bytes.find('\0', start)) != std::string::npos; start = end + 1)
    parts.push_back(bytes.substr(start, end - start));
  return parts;
}

std::string trim_newline(std::string s) {
  while (!s.empty() && s.back() == '\n') s.pop_back();
  return s;
}

bool wait_for(const std::function<bool()>& predicate,
              std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!predicate()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// Each test gets fresh folders: `bin` for the fake opener (put on PATH),
// `record` for what it writes, `work` as the directory handed to Execute.
// PATH is restored afterwards.
class DesktopOpenerTest : public testing::Test {
 protected:
  void SetUp() override {
    const char* path = std::getenv("PATH");
    had_path_ = path != nullptr;
    if (path) saved_path_ = path;
    char name[] = "/tmp/strandel-opener-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    root_ = fs::canonical(name);
    for (const char* sub : {"bin", "record", "work"}) fs::create_directory(root_ / sub);
  }

  void TearDown() override {
    if (fake_pid_ > 0) kill(-fake_pid_, SIGKILL);  // the fake leads its own session
    if (had_path_)
      setenv("PATH", saved_path_.c_str(), 1);
    else
      unsetenv("PATH");
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  fs::path bin() const { return root_ / "bin"; }
  fs::path record() const { return root_ / "record"; }
  fs::path work() const { return root_ / "work"; }

  // The fake writes its arguments NUL-separated, their count, its physical
  // working directory and which of its standard streams are /dev/null (tested
  // before any redirection of its own), then "called"
  // last so that a test waiting for it sees complete files. `extra` runs
  // after that.
  void install_fake(const std::string& extra = "") {
    write_file(bin() / "xdg-open",
               "#!/bin/sh\nr='" + record().string() + "'\n" + R"sh(echo $$ > "$r/pid"
for a in "$@"; do printf '%s\0' "$a" >> "$r/args"; done
printf '%s' "$#" > "$r/argc"
pwd -P > "$r/cwd"
s=; for n in 0 1 2; do [ /proc/$$/fd/$n -ef /dev/null ] && s=$s$n; done
echo "$s" > "$r/null_streams"
touch "$r/called"
)sh" + extra,
               fs::perms::owner_all);
    setenv("PATH", (bin().string() + ":/usr/bin:/bin").c_str(), 1);
  }

  bool wait_called() {
    bool called = wait_for([&] { return fs::exists(record() / "called"); });
    if (called) fake_pid_ = std::stoi(read_file(record() / "pid"));
    return called;
  }

  std::vector<std::string> recorded_args() const { return split_nul(read_file(record() / "args")); }

  fs::path root_;
  pid_t fake_pid_ = -1;

 private:
  bool had_path_ = false;
  std::string saved_path_;
};

// What the opener receives, byte for byte, and from which folder, is checked
// end to end (a movie's "open" against the same kind of fake); here, how it
// is started.
TEST_F(DesktopOpenerTest, ReturnsWithoutWaitingAndLeavesNoChildBehind) {
  install_fake("sleep 5; touch \"$r/done\"\n");
  DesktopOpener opener;
  testing::internal::CaptureStderr();
  opener.Execute(0, "Open", "slow.txt", "", work().string(), 1);
  std::string errors = testing::internal::GetCapturedStderr();
  // Execute may return before the fake has even started; either way it must
  // not have waited for the five-second sleep to end.
  EXPECT_FALSE(fs::exists(record() / "done"));
  EXPECT_EQ(errors, "");

  // No child of this process is left: neither the intermediate one nor a
  // zombie. The opener belongs to init, not to us.
  errno = 0;
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);

  ASSERT_TRUE(wait_called());
  EXPECT_FALSE(fs::exists(record() / "done"));
  EXPECT_EQ(recorded_args(), std::vector<std::string>{"slow.txt"});
  EXPECT_EQ(trim_newline(read_file(record() / "cwd")), work().string());
  EXPECT_EQ(read_file(record() / "null_streams"), "012\n");  // all three on /dev/null
  errno = 0;
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

// Every way the opener fails to start ends in exactly one line on stderr,
// the same text once to on_failure (the window's notice), no child left,
// and the call returns.
class DesktopOpenerFailureTest : public DesktopOpenerTest {
 protected:
  std::string execute_capturing_stderr(const std::string& file, const std::string& directory) {
    DesktopOpener opener;
    opener.on_failure = [this](const std::string& message) { notices_.push_back(message); };
    testing::internal::CaptureStderr();
    opener.Execute(0, "Open", file, "", directory, 1);
    return testing::internal::GetCapturedStderr();
  }

  void expect_one_line(const std::string& errors) {
    EXPECT_FALSE(errors.empty());
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
    EXPECT_EQ(errors.back(), '\n') << errors;
    ASSERT_EQ(notices_.size(), 1u);
    EXPECT_EQ("strandel: " + notices_[0] + "\n", errors);
  }

  std::vector<std::string> notices_;

  void expect_no_child() {
    errno = 0;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
  }
};

TEST_F(DesktopOpenerFailureTest, OpenerMissingFromPath) {
  // Only an empty folder on PATH (and a non-executable xdg-open in it, which
  // does not count as found).
  write_file(bin() / "xdg-open", "#!/bin/sh\ntouch '" + record().string() + "/called'\n",
             fs::perms::owner_read | fs::perms::owner_write);
  setenv("PATH", bin().c_str(), 1);
  std::string errors = execute_capturing_stderr("readme.pdf", work().string());
  expect_one_line(errors);
  EXPECT_NE(errors.find("xdg-open"), std::string::npos) << errors;
  expect_no_child();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(fs::exists(record() / "called"));
}

TEST_F(DesktopOpenerFailureTest, OpenerThatCannotBeExecuted) {
  // Found and executable, but its interpreter does not exist: exec fails in
  // the detached child and the launcher still hears of it.
  write_file(bin() / "xdg-open", "#!/nonexistent/interpreter\n", fs::perms::owner_all);
  setenv("PATH", bin().c_str(), 1);
  std::string errors = execute_capturing_stderr("readme.pdf", work().string());
  expect_one_line(errors);
  expect_no_child();
}

TEST_F(DesktopOpenerFailureTest, WorkingDirectoryThatDoesNotExist) {
  install_fake();
  std::string errors = execute_capturing_stderr("readme.pdf", (root_ / "missing").string());
  expect_one_line(errors);
  expect_no_child();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(fs::exists(record() / "called"));
}

TEST_F(DesktopOpenerTest, FindOnPathTakesTheFirstExecutableInPathOrder) {
  fs::path first = root_ / "first", second = root_ / "second";
  fs::create_directory(first);
  fs::create_directory(second);
  write_file(first / "tool", "", fs::perms::owner_read | fs::perms::owner_write);
  write_file(second / "tool", "", fs::perms::owner_all);
  write_file(bin() / "tool", "", fs::perms::owner_all);

  setenv("PATH", (first.string() + ":" + second.string() + ":" + bin().string()).c_str(), 1);
  EXPECT_EQ(FindOnPath("tool"), (second / "tool").string());
  setenv("PATH", (bin().string() + ":" + second.string()).c_str(), 1);
  EXPECT_EQ(FindOnPath("tool"), (bin() / "tool").string());
  setenv("PATH", first.c_str(), 1);
  EXPECT_EQ(FindOnPath("tool"), "");
  EXPECT_EQ(FindOnPath("absent"), "");
}

}  // namespace
