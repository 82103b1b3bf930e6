#include "platform/process_services.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/runtime_error.h"

namespace strandel::platform {

std::string ProcessServices::AppPath() const {
  char buffer[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return CurDir();
  std::string path(buffer, static_cast<std::size_t>(n));
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return CurDir();
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string ProcessServices::CurDir() const {
  std::string dir(PATH_MAX, '\0');
  while (!getcwd(dir.data(), dir.size())) {
    if (errno != ERANGE) return ".";
    dir.resize(dir.size() * 2);
  }
  dir.resize(std::strlen(dir.c_str()));
  return dir;
}

namespace {

// A settings file is a few short lines; one larger than this is not one,
// and is refused rather than read into memory.
constexpr off_t kMaxInputFileBytes = 16 << 20;

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

[[noreturn]] void fail_access(const char* why) {
  throw RuntimeError(ErrorNumber::PathFileAccessError, why);
}

}  // namespace

std::string ProcessServices::ReadFileForInput(const std::string& name) {
  // Opened without blocking, so a named pipe in its place cannot hang the
  // program; only a regular file is read.
  FileDescriptor file(open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (file.get() < 0) {
    if (errno == ENOENT || errno == ENOTDIR) throw RuntimeError(ErrorNumber::FileNotFound);
    fail_access(std::strerror(errno));
  }
  struct stat st;
  if (fstat(file.get(), &st) != 0) fail_access(std::strerror(errno));
  if (S_ISDIR(st.st_mode)) fail_access("a directory");
  if (!S_ISREG(st.st_mode)) fail_access("not a regular file");
  if (st.st_size > kMaxInputFileBytes) fail_access("larger than 16 MB");
  std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
  std::size_t got = 0;
  while (got < bytes.size()) {
    ssize_t n = read(file.get(), bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) fail_access(std::strerror(errno));
    if (n == 0) break;  // shortened while being read
    got += static_cast<std::size_t>(n);
  }
  bytes.resize(got);
  return bytes;
}

void ProcessServices::End() {
  std::fflush(nullptr);
  _exit(0);
}

}  // namespace strandel::platform
