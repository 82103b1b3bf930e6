#include "platform/desktop_opener.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

namespace strandel::platform {

namespace {

constexpr char kOpener[] = "xdg-open";

// In the grandchild, between fork and exec: only async-signal-safe calls.
[[noreturn]] void exec_detached(const char* path, char* const argv[], const char* directory,
                                int error_pipe) {
  setsid();
  int null_fd = open("/dev/null", O_RDWR);
  if (null_fd >= 0) {
    dup2(null_fd, 0);
    dup2(null_fd, 1);
    dup2(null_fd, 2);
  }
  int error = 0;
  if (chdir(directory) != 0) {
    error = errno;
  } else {
    execv(path, argv);
    error = errno;
  }
  ssize_t ignored = write(error_pipe, &error, sizeof error);
  (void)ignored;
  _exit(127);
}

}  // namespace

void DesktopOpener::report(const std::string& file, const std::string& reason) const {
  std::string message = "cannot open \"" + file + "\": " + reason;
  std::fprintf(stderr, "strandel: %s\n", message.c_str());
  if (on_failure) on_failure(message);
}

std::string FindOnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::string_view dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
  for (;;) {
    std::size_t colon = dirs.find(':');
    std::string_view dir = dirs.substr(0, colon);
    // An empty entry means the current directory.
    std::string candidate(dir.empty() ? std::string_view(".") : dir);
    candidate.append("/").append(program);
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    if (colon == std::string_view::npos) return {};
    dirs.remove_prefix(colon + 1);
  }
}

void DesktopOpener::Execute(std::uint32_t, const std::string&, const std::string& file,
                            const std::string&, const std::string& directory, int) {
  std::string opener = FindOnPath(kOpener);
  if (opener.empty()) return report(file, std::string(kOpener) + " not found on PATH");

  std::vector<char> opener_arg(opener.begin(), opener.end());
  opener_arg.push_back('\0');
  std::vector<char> file_arg(file.begin(), file.end());
  file_arg.push_back('\0');
  std::string name = kOpener;
  char* argv[] = {name.data(), file_arg.data(), nullptr};

  // The grandchild reports a failed chdir or exec through this pipe; a
  // successful exec closes it.
  int error_pipe[2];
  if (pipe2(error_pipe, O_CLOEXEC) != 0) return report(file, std::strerror(errno));

  pid_t child = fork();
  if (child < 0) {
    int error = errno;
    close(error_pipe[0]);
    close(error_pipe[1]);
    return report(file, std::strerror(error));
  }
  if (child == 0) {
    // The intermediate child exits at once, so the opener is adopted by init
    // and reaped there: the launcher never waits for it.
    close(error_pipe[0]);
    if (fork() == 0) exec_detached(opener_arg.data(), argv, directory.c_str(), error_pipe[1]);
    _exit(0);
  }
  close(error_pipe[1]);
  while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }
  int error = 0;
  ssize_t got;
  while ((got = read(error_pipe[0], &error, sizeof error)) < 0 && errno == EINTR) {
  }
  close(error_pipe[0]);
  if (got == static_cast<ssize_t>(sizeof error)) report(file, std::strerror(error));
}

}  // namespace strandel::platform
